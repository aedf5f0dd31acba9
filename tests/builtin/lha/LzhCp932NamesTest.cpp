// Archives from MS-DOS and Windows LHA tools name their entries in CP932
// without saying so: every level-0 archive, and level-1 and level-2 ones
// without a code-page header. Through Unlha32's command and full check,
// as the program uses them, they extract whole under their real names.
#include <gtest/gtest.h>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/NameText.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/lha/RawLzhBuilder.h"

namespace ks::test {
namespace {

std::string Cp932(const char* utf8) { return *Utf8ToCp932Exact(utf8); }

// "表" (95 5C) and "ソ" (83 5C) end in the byte of "\".
RawLzhEntry Named(int level, const std::string& folder, const std::string& file, const std::string& data) {
  RawLzhEntry e;
  e.level = level;
  e.data = data;
  if (level == 0) {
    e.name = Cp932((folder.empty() ? file : folder + "\\" + file).c_str());
  } else if (level == 1) {
    e.name = Cp932(file.c_str());
    if (!folder.empty()) e.extended = {{0x02, Cp932(folder.c_str()) + "\xFF"}};
  } else {
    e.extended = {{0x01, Cp932(file.c_str())}};
    if (!folder.empty()) e.extended.push_back({0x02, Cp932(folder.c_str()) + "\xFF"});
  }
  return e;
}

TEST(LzhCp932Names, EveryLevelExtractsAndChecksUnderItsRealName) {
  TestHost host;
  ScratchFolder scratch;
  auto unlha = MakeUnlhaBackend();
  for (int level : {0, 1, 2}) {
    SCOPED_TRACE(level);
    const fs::path archive = scratch / ("level" + std::to_string(level) + ".lzh");
    WriteFile(archive, BuildRawLzh({Named(level, "", "表.txt", "hyo"),
                                    Named(level, "ソフト", "説明書.txt", "manual"),
                                    Named(level, "", "ｶﾀｶﾅ.txt", "kana")}));
    EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0);
    const fs::path out = scratch / ("out" + std::to_string(level));
    const auto r = RunCommand(*unlha, "x " + Q(archive) + " " + Q(out.string() + "/"));
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{{"表.txt", "file:hyo"},
                                                             {"ソフト", "folder"},
                                                             {"ソフト/説明書.txt", "file:manual"},
                                                             {"ｶﾀｶﾅ.txt", "file:kana"}}));
  }
}

}  // namespace
}  // namespace ks::test
