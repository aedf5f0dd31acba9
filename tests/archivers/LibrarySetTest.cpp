#include <gtest/gtest.h>

#include "archivers/LibrarySet.h"
#include "support/FakeLibrary.h"

namespace ks {
namespace {

TEST(ResultWidth, BusyIsMinusOneAtTheGivenWidth) {
  EXPECT_TRUE(IsBusy(-1, ResultWidth::Bits32));
  EXPECT_TRUE(IsBusy(-1, ResultWidth::Bits16));
  // 0xFFFF is -1 in the low 16 bits only.
  EXPECT_TRUE(IsBusy(0xFFFF, ResultWidth::Bits16));
  EXPECT_FALSE(IsBusy(0xFFFF, ResultWidth::Bits32));
  EXPECT_FALSE(IsBusy(1, ResultWidth::Bits16));
  EXPECT_FALSE(IsBusy(0, ResultWidth::Bits32));
  // 0x10000 has nothing in the low 16 bits: a success at 16 bits.
  EXPECT_EQ(ReadResult(0x10000, ResultWidth::Bits16), 0);
  EXPECT_EQ(ReadResult(0x18000, ResultWidth::Bits16), -32768);
}

TEST(LibrarySet, EveryNameHasTheEntryPointsOfItsLibrary) {
  ASSERT_EQ(AllLibraries().size(), 12u);
  const char* expected[] = {"Unlha32.DLL", "UnZip32.DLL", "Zip32j.DLL", "Cab32.DLL",
                            "UnRar32.DLL", "Jack32.DLL",  "Tar32.DLL",  "UnArj32j.DLL",
                            "Ish32.DLL",   "UnGCA32.DLL", "Yz1.DLL",    "Bga32.DLL"};
  for (std::size_t i = 0; i < 12; ++i) EXPECT_STREQ(AllLibraries()[i].fileName, expected[i]);
  EXPECT_EQ(LibraryByFileName("unlha32.dll"), LibraryId::Unlha);
  EXPECT_FALSE(LibraryByFileName("unrar.dll").has_value());
}

TEST(LibrarySet, MissingLibraryAndLackingEntryPointRaiseLibraryError) {
  LibrarySet set;  // no resolvers: everything missing
  try {
    set.Get(LibraryId::Unlha).GetVersion();
    FAIL() << "no error";
  } catch (const LibraryError& e) {
    EXPECT_EQ(e.library(), "Unlha32.DLL");
    EXPECT_EQ(e.entryPoint(), "UnlhaGetVersion");
  }
  EXPECT_THROW(set.Unrar().RARGetDllVersion(), LibraryError);

  auto log = std::make_shared<std::vector<test::LibraryCall>>();
  set.Replace(LibraryId::Jack, std::make_shared<test::FakeLibrary>(LibraryId::Jack, log));
  EXPECT_EQ(set.Get(LibraryId::Jack).GetVersion(), 100);
  // Jack32.DLL has no check entry point, even though the fake would answer.
  try {
    set.Get(LibraryId::Jack).CheckArchive("x", 0);
    FAIL() << "no error";
  } catch (const LibraryError& e) {
    EXPECT_EQ(e.entryPoint(), "JackCheckArchive");
  }
  EXPECT_EQ(log->size(), 1u);
}

TEST(LibrarySet, ResolvesEachNameOnceAtItsFirstCall) {
  int resolved = 0;
  LibrarySet set;
  auto log = std::make_shared<std::vector<test::LibraryCall>>();
  set.SetResolvers(
      [&](LibraryId id) -> std::shared_ptr<CommonArchiver> {
        ++resolved;
        return id == LibraryId::Tar ? std::make_shared<test::FakeLibrary>(id, log) : nullptr;
      },
      nullptr);
  EXPECT_EQ(resolved, 0);
  EXPECT_TRUE(set.Get(LibraryId::Tar).present());
  EXPECT_TRUE(set.Get(LibraryId::Tar).present());
  EXPECT_FALSE(set.Get(LibraryId::Cab).present());
  EXPECT_EQ(resolved, 2);
}

TEST(FakeLibrary, RecordsCallsAndPlaysItsScript) {
  test::FakeLibrarySet fakes;
  fakes[LibraryId::Cab].Queue("CheckArchive", 1);
  fakes[LibraryId::Cab].outputText = "log text";
  auto& cab = Libraries().Get(LibraryId::Cab);
  EXPECT_EQ(cab.CheckArchive("/a.cab", 0), 1);
  EXPECT_EQ(cab.CheckArchive("/a.cab", 2), 0);  // queue used up: default
  char buffer[4];
  EXPECT_EQ(cab.Command(nullptr, "-x \"a\" \"b\"", buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "log");  // never past the given size
  ASSERT_EQ(fakes.log->size(), 3u);
  EXPECT_EQ((*fakes.log)[0].name, "CabCheckArchive");
  EXPECT_EQ((*fakes.log)[1].args, (std::vector<std::string>{"/a.cab", "2"}));
  EXPECT_EQ((*fakes.log)[2].name, "Cab");
  fakes.Missing(LibraryId::Cab);
  EXPECT_THROW(Libraries().Get(LibraryId::Cab).GetVersion(), LibraryError);
}

}  // namespace
}  // namespace ks
