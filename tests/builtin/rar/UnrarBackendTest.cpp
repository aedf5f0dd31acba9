// RAR through the unrar.dll interface (as type detection and the check use
// it) and through UnRar32's command, on RAR 4 archives written by RarWriter.
#include <gtest/gtest.h>

#include "builtin/common/ExtractTestSupport.h"
#include "RarWriter.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/rar/RarCodes.h"

namespace ks::test {
namespace {

class UnrarTest : public ::testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::vector<RarEntry>& entries) {
    const fs::path p = scratch / name;
    WriteFile(p, MakeRar4(entries));
    return p;
  }
  // Every entry tested in turn, as the archive check does: the names, and
  // whether all passed.
  std::pair<std::vector<std::string>, bool> TestAll(const fs::path& archive) {
    RarOpenArchiveData open;
    open.archiveName = archive.string();
    const RarHandle h = dll->RAROpenArchive(open);
    if (h == 0) return {{}, false};
    std::vector<std::string> names;
    RarHeaderData header;
    bool ok = true;
    while (dll->RARReadHeader(h, header) == 0) {
      names.push_back(header.fileName);
      if (dll->RARProcessFile(h, kRarTest, "", "") != 0) {
        ok = false;
        break;
      }
    }
    EXPECT_EQ(dll->RARCloseArchive(h), 0);
    return {names, ok};
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<UnrarInterface> dll = MakeUnrarDllBackend();
  std::shared_ptr<CommonArchiver> unrar32 = MakeUnrar32Backend();
  const std::string text = SomeBytes(70000, 4);
};

TEST_F(UnrarTest, HeadersShowFoldersAndEncryptedEntries) {
  const fs::path a = Write("mixed.rar", {{"dir", "", true},
                                          {"dir\\inner.txt", text},
                                          {"locked.bin", "secret", false, true}});
  RarOpenArchiveData open;
  open.archiveName = a.string();
  const RarHandle h = dll->RAROpenArchive(open);
  ASSERT_NE(h, 0u);
  RarHeaderData header;
  ASSERT_EQ(dll->RARReadHeader(h, header), 0);
  EXPECT_EQ(header.fileName, "dir");
  EXPECT_NE(header.fileAttr & kRarAttrDirectory, 0u);
  EXPECT_EQ(header.flags & kRarFlagEncrypted, 0u);
  EXPECT_EQ(dll->RARProcessFile(h, kRarSkip, "", ""), 0);
  ASSERT_EQ(dll->RARReadHeader(h, header), 0);
  EXPECT_EQ(header.fileName, "dir/inner.txt");
  EXPECT_EQ(header.fileAttr & kRarAttrDirectory, 0u);
  EXPECT_EQ(header.unpSize, text.size());
  EXPECT_EQ(dll->RARProcessFile(h, kRarTest, "", ""), 0);
  ASSERT_EQ(dll->RARReadHeader(h, header), 0);
  EXPECT_NE(header.flags & kRarFlagEncrypted, 0u);
  // Without a password the encrypted entry cannot pass a test.
  EXPECT_NE(dll->RARProcessFile(h, kRarTest, "", ""), 0);
  EXPECT_EQ(dll->RARCloseArchive(h), 0);
  EXPECT_GE(dll->RARGetDllVersion(), 1);
}

TEST_F(UnrarTest, TestingEveryEntryFindsADamagedOne) {
  const auto sound = TestAll(Write("sound.rar", {{"a.txt", "alpha"}, {"b.bin", text}}));
  EXPECT_TRUE(sound.second);
  EXPECT_EQ(sound.first, (std::vector<std::string>{"a.txt", "b.bin"}));
  EXPECT_FALSE(TestAll(Write("bad.rar", {{"a.txt", "alpha"}, {"b.bin", text, false, false, true}})).second);
  // An archive without entries opens and passes.
  const auto empty = TestAll(Write("empty.rar", {}));
  EXPECT_TRUE(empty.second);
  EXPECT_TRUE(empty.first.empty());
}

TEST_F(UnrarTest, ArchivesThatAreNotRarDoNotOpen) {
  WriteFile(scratch / "text.rar", "Rar! but nothing more of an archive");
  WriteFile(scratch / "plain.txt", SomeBytes(1000, 1));
  for (const char* name : {"text.rar", "plain.txt", "missing.rar"}) {
    RarOpenArchiveData open;
    open.archiveName = (scratch / name).string();
    const RarHandle h = dll->RAROpenArchive(open);
    if (h != 0) {
      // libarchive may only notice at the first header.
      RarHeaderData header;
      EXPECT_NE(dll->RARReadHeader(h, header), 0) << name;
      dll->RARCloseArchive(h);
    } else {
      EXPECT_NE(open.openResult, 0u) << name;
    }
  }
  // A truncated archive never reads as sound.
  const std::string whole = MakeRar4({{"a.bin", text}});
  WriteFile(scratch / "cut.rar", whole.substr(0, whole.size() / 2));
  EXPECT_FALSE(TestAll(scratch / "cut.rar").second);
}

TEST_F(UnrarTest, Unrar32ExtractsIntoAFolderWithDoubledSeparator) {
  const fs::path a = Write("x.rar", {{"dir", "", true}, {"dir\\inner.txt", text}, {"top.txt", "top"}});
  const fs::path out = scratch / "out";
  const auto r = RunCommand(*unrar32, "-x " + Q(a) + " " + Q(out.string() + "//"));
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(out / "dir" / "inner.txt"), text);
  EXPECT_EQ(ReadFile(out / "top.txt"), "top");
}

TEST_F(UnrarTest, Unrar32FailsOnDamagedOrEncryptedEntriesWithoutLeavingThem) {
  const fs::path bad = Write("bad.rar", {{"ok.txt", "fine"}, {"broken.bin", text, false, false, true}});
  const auto r = RunCommand(*unrar32, "-x " + Q(bad) + " " + Q(scratch / "out1//"));
  EXPECT_NE(r.code, kArcOk);
  EXPECT_FALSE(fs::exists(scratch / "out1" / "broken.bin"));

  const fs::path locked = Write("locked.rar", {{"locked.bin", "secret", false, true}});
  const auto l = RunCommand(*unrar32, "-x " + Q(locked) + " " + Q(scratch / "out2//"));
  EXPECT_NE(l.code, kArcOk);
  EXPECT_FALSE(fs::exists(scratch / "out2" / "locked.bin"));

  EXPECT_EQ(RunCommand(*unrar32, "-e a.rar b").code, kArcCommandName);
}

}  // namespace
}  // namespace ks::test
