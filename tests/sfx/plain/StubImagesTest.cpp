// The stubs built into the program, as Windows and DOS will load them: the
// Windows ones are 32-bit PE programs for x86 that need nothing but system
// DLLs and stay under 60 KiB (readers look for an archive in a program's
// first 64 KiB), the LHA ones carry the mark type detection looks for, and
// the DOS one's MZ image ends where its archive will start.
#include <gtest/gtest.h>

#include <set>

#include "archivers/HeaderText.h"
#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/common/SelfExtractor.h"

extern "C" {
#include "sfx/dos/dosname.h"
}

namespace ks::test {
namespace {

constexpr std::size_t kMostStubBytes = 60 * 1024;

std::string Bytes(SfxStub stub) {
  const SfxStubImage image = SelfExtractorStub(stub);
  return std::string(reinterpret_cast<const char*>(image.data), image.size);
}

std::uint32_t U32(const std::string& b, std::size_t at) { return LoadLe32(b.data() + at); }
std::uint16_t U16(const std::string& b, std::size_t at) { return LoadLe16(b.data() + at); }

// The names of the DLLs a PE32 program imports from.
std::set<std::string> ImportedDlls(const std::string& b) {
  const std::size_t pe = U32(b, 0x3C), optional = pe + 24;
  const unsigned sections = U16(b, pe + 6);
  const std::size_t table = optional + U16(b, pe + 20);
  auto fileOffset = [&](std::uint32_t rva) -> std::size_t {
    for (unsigned i = 0; i < sections; ++i) {
      const std::size_t s = table + 40 * i;
      const std::uint32_t va = U32(b, s + 12), size = U32(b, s + 16);
      if (rva >= va && rva < va + size) return U32(b, s + 20) + (rva - va);
    }
    return 0;
  };
  std::set<std::string> dlls;
  // Data directory 1 of a PE32 optional header: the import table.
  for (std::size_t d = fileOffset(U32(b, optional + 104)); d && U32(b, d + 12) != 0; d += 20) {
    std::string name(b.c_str() + fileOffset(U32(b, d + 12)));
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    dlls.insert(name);
  }
  return dlls;
}

TEST(StubImagesTest, WindowsStubsAreSmallPe32ProgramsOfSystemDlls) {
  const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",
                                        "COMCTL32.DLL", "SHELL32.DLL", "OLE32.DLL"};
  for (SfxStub stub : {SfxStub::LzhWindow, SfxStub::LzhMinimal, SfxStub::Cab, SfxStub::Bga}) {
    const std::string b = Bytes(stub);
    ASSERT_GT(b.size(), 1024u) << static_cast<int>(stub);
    EXPECT_LT(b.size(), kMostStubBytes);
    const std::size_t pe = U32(b, 0x3C);
    EXPECT_EQ(b.compare(pe, 4, std::string("PE\0\0", 4)), 0);
    EXPECT_EQ(U16(b, pe + 4), 0x14C);       // i386
    EXPECT_EQ(U16(b, pe + 24), 0x10B);      // PE32
    EXPECT_EQ(U16(b, pe + 24 + 68), 2);     // the Windows GUI subsystem
    const std::set<std::string> dlls = ImportedDlls(b);
    EXPECT_TRUE(dlls.count("KERNEL32.DLL"));
    for (const std::string& dll : dlls) EXPECT_TRUE(system.count(dll)) << dll;
  }
}

TEST(StubImagesTest, LhaStubsCarryTheMarkAsWholeCharacters) {
  for (SfxStub stub : {SfxStub::LzhWindow, SfxStub::LzhMinimal, SfxStub::LzhDos}) {
    const std::string b = Bytes(stub);
    // Split as a Japanese system reads the first 45 bytes: no double-byte
    // pair before the mark moves it.
    EXPECT_TRUE(HeaderHasAt(SplitHeader(b.substr(0, kHeaderBytes)), 34, "LHA's SFX")) << static_cast<int>(stub);
  }
  for (SfxStub stub : {SfxStub::Cab, SfxStub::Bga})
    EXPECT_EQ(Bytes(stub).find("LHA's SFX"), std::string::npos) << static_cast<int>(stub);
}

TEST(StubImagesTest, DosStubLoadsExactlyItselfIntoOneSegment) {
  const std::string b = Bytes(SfxStub::LzhDos);
  ASSERT_EQ(b.substr(0, 2), "MZ");
  const std::size_t image = U16(b, 4) * 512u - (U16(b, 2) ? 512u - U16(b, 2) : 0u);
  EXPECT_EQ(image, b.size());  // the archive after it is not loaded
  EXPECT_EQ(U16(b, 6), 0);     // no relocations: code and data share the PSP's segment
  // What the image leaves of the 64 KB segment is asked for, and no more.
  const std::size_t code = b.size() - U16(b, 8) * 16u;
  EXPECT_EQ(U16(b, 10), 0x1000 - 0x10 - (code + 15) / 16);
  EXPECT_EQ(U16(b, 10), U16(b, 12));
}

TEST(DosNameTest, EightThreeNamesInsideTheFolder) {
  struct Case {
    const char* stored;
    int verdict;
    const char* path;
  };
  const Case cases[] = {
      {"README.TXT", DOS_NAME_OK, "README.TXT"},
      {"docs/sub\\A.B", DOS_NAME_OK, "docs\\sub\\A.B"},
      {"./X//Y\\", DOS_NAME_OK, "X\\Y"},
      {"\x95\x5C.TXT", DOS_NAME_OK, "\x95\x5C.TXT"},  // "表": its second byte is "\"
      {"\x93\xFA\x96\x7B\x8C\xEA.TXT", DOS_NAME_OK, "\x93\xFA\x96\x7B\x8C\xEA.TXT"},
      {"..\\X", DOS_NAME_UNSAFE, nullptr},
      {"\\X", DOS_NAME_UNSAFE, nullptr},
      {"C:X", DOS_NAME_UNSAFE, nullptr},
      {"LONGNAMES.TXT", DOS_NAME_BAD, nullptr},
      {"A.TEXT", DOS_NAME_BAD, nullptr},
      {"A.B.C", DOS_NAME_BAD, nullptr},
      {"A B.TXT", DOS_NAME_BAD, nullptr},
      {"NUL.TXT", DOS_NAME_BAD, nullptr},
      {"COM1", DOS_NAME_BAD, nullptr},
      {".TXT", DOS_NAME_BAD, nullptr},
      {"X.", DOS_NAME_BAD, nullptr},
      {"", DOS_NAME_BAD, nullptr},
  };
  for (const Case& c : cases) {
    char out[64];
    const std::string stored = c.stored;
    const int verdict = dos_path(stored.data(), static_cast<unsigned>(stored.size()), out, sizeof out);
    EXPECT_EQ(verdict, c.verdict) << c.stored;
    if (c.path && verdict == DOS_NAME_OK) {
      EXPECT_STREQ(out, c.path);
    }
  }
}

}  // namespace
}  // namespace ks::test
