// What every built-in back-end promises its caller, whatever its format: it
// says its version and that it is idle, refuses a command it does not know
// with a line saying so, and never writes past the output buffer it is
// given. Each back-end's own tests cover its commands; this table covers the
// contract once for all of them.
#include <gtest/gtest.h>

#include "archivers/LibrarySet.h"
#include "archivers/builtin/Backends.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

std::vector<LibraryId> BuiltinIds() {
  std::vector<LibraryId> ids;
  for (std::size_t i = 0; i < kCommonLibraryCount; ++i)
    if (MakeBuiltinLibrary(static_cast<LibraryId>(i))) ids.push_back(static_cast<LibraryId>(i));
  return ids;
}

class BackendContract : public ::testing::TestWithParam<LibraryId> {
 protected:
  TestHost host;
  std::shared_ptr<CommonArchiver> library = MakeBuiltinLibrary(GetParam());
};

TEST_P(BackendContract, SaysItsVersionAndThatItIsIdle) {
  EXPECT_GE(library->GetVersion(), 100);
  EXPECT_EQ(library->GetRunning(), 0);
}

TEST_P(BackendContract, AnUnknownCommandIsRefusedWithALineInEveryBufferSize) {
  for (const char* line : {"", "--no-such-command \"x\" \"y\""}) {
    const auto full = RunCommand(*library, line);
    EXPECT_NE(full.code, kArcOk) << line;
    EXPECT_FALSE(full.output.empty()) << line;
    // RunCommand itself fails the test when a byte past the size is written.
    for (std::size_t size : {std::size_t{1}, std::size_t{7}}) {
      const auto tiny = RunCommand(*library, line, size);
      EXPECT_EQ(tiny.code, full.code) << line << " in " << size;
      EXPECT_LT(tiny.output.size(), size);
      EXPECT_EQ(tiny.output, full.output.substr(0, tiny.output.size()));
    }
    EXPECT_EQ(library->GetRunning(), 0);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryBackend, BackendContract, ::testing::ValuesIn(BuiltinIds()),
                         [](const auto& info) {
                           std::string name = DescriptorOf(info.param).fileName;
                           for (char& c : name)
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace ks::test
