// The finished archive, piece or joined file reaching its name: never over
// a file that is there (unless asked), also on file systems without
// rename-without-replace or hard links.
#include <gtest/gtest.h>

#include <cerrno>

#include "ExtractTestSupport.h"
#include "archivers/builtin/common/FileCalls.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks::test {
namespace {

std::size_t Count(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class TempOutputCommit : public ::testing::TestWithParam<bool> {
 protected:
  TempOutputCommit() {
    // The FUSE case: both calls that refuse a taken name are missing.
    if (GetParam()) {
      TheFileCalls().renameNoReplace = [](int, const char*, int, const char*) {
        errno = EINVAL;
        return -1;
      };
      TheFileCalls().link = [](int, const char*, int, const char*) {
        errno = EPERM;
        return -1;
      };
    }
  }
  ~TempOutputCommit() override { TheFileCalls() = SystemFileCalls(); }

  ScratchFolder scratch;
};

TEST_P(TempOutputCommit, AFreeNameReceivesTheFileAndNothingElseIsLeft) {
  const fs::path target = scratch / "a.zip";
  {
    TempOutput out(target);
    std::ofstream(out.temp(), std::ios::binary) << "archive";
    EXPECT_FALSE(out.Commit(false));
  }
  EXPECT_EQ(ReadFile(target), "archive");
  EXPECT_EQ(Count(scratch.path()), 1u);
}

TEST_P(TempOutputCommit, ATakenNameIsKeptUnlessReplacingWasAsked) {
  const fs::path target = scratch / "a.zip";
  WriteFile(target, "theirs");
  {
    TempOutput out(target);
    std::ofstream(out.temp(), std::ios::binary) << "ours";
    EXPECT_EQ(out.Commit(false), std::errc::file_exists);
  }
  EXPECT_EQ(ReadFile(target), "theirs");
  // The refused temporary file went with the output.
  EXPECT_EQ(Count(scratch.path()), 1u);

  TempOutput out(target);
  std::ofstream(out.temp(), std::ios::binary) << "ours";
  EXPECT_FALSE(out.Commit(true));
  EXPECT_EQ(ReadFile(target), "ours");
}

TEST_P(TempOutputCommit, ALinkUnderTheNameIsNeitherFollowedNorReplaced) {
  const fs::path target = scratch / "a.zip";
  const fs::path elsewhere = scratch / "elsewhere";
  WriteFile(elsewhere, "keep");
  fs::create_symlink(elsewhere, target);
  TempOutput out(target);
  std::ofstream(out.temp(), std::ios::binary) << "ours";
  EXPECT_EQ(out.Commit(false), std::errc::file_exists);
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(target)));
  EXPECT_EQ(ReadFile(elsewhere), "keep");
}

INSTANTIATE_TEST_SUITE_P(FileSystems, TempOutputCommit, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "WithoutNoReplaceOrLinks" : "Full"; });

}  // namespace
}  // namespace ks::test
