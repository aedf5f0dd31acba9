// With the program's own library set, Ish32.DLL is usable: the probe lists
// it, and type detection calls an ISH text "ISH" and a plain text not.
#include <gtest/gtest.h>

#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/ish/IshTestSupport.h"

namespace ks::test {
namespace {

class IshDetectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallBuiltinLibraries(Libraries());
    probe = ProbeLibraries(Libraries());
    ApplyProbe(probe);
  }
  void TearDown() override {
    ApplyProbe(ProbeResult{});
    Libraries().SetResolvers(nullptr, nullptr);
  }
  ProbeResult probe;
  ScratchFolder scratch;
};

TEST_F(IshDetectTest, TheProbeFindsIsh32) {
  EXPECT_TRUE(probe.HasIsh);
  EXPECT_TRUE(HasIsh);
  EXPECT_NE((probe.supported + " ").find(" Ish "), std::string::npos) << probe.supported;
}

TEST_F(IshDetectTest, IshTextsAreIshAndPlainTextIsNot) {
  const fs::path ish = scratch / "made.ish";
  WriteFile(ish, "Subject: a file\n\n" + WriteIsh(SomeBytes(2000, 1)).Text());
  EXPECT_EQ(ArcType(ish.string()), kTypeIsh);
  const fs::path text = scratch / "letter.txt";
  WriteFile(text, "<<< Dear friend for now ( use your head ) >>>\n" + std::string(3000, 'a') + "\n");
  EXPECT_EQ(ArcType(text.string()), kTypeUnknown);

  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const char* name : {"numbers-jis7.ish", "numbers-jis8.ish", "numbers-sjis.ish",
                           "numbers-nonkana.ish", "rand-jis7.ish", "rand-jis8.ish", "rand-sjis.ish",
                           "rand-nonkana.ish"})
    EXPECT_EQ(ArcType((*folder / name).string()), kTypeIsh) << name;
  EXPECT_EQ(ArcType((*folder / "numbers.txt").string()), kTypeUnknown);
  EXPECT_EQ(ArcType((*folder / "rand.bin").string()), kTypeUnknown);
}

}  // namespace
}  // namespace ks::test
