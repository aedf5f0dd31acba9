#include "archivers/builtin/common/PackList.h"

#include <algorithm>

#include "PackTestSupport.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

class PackListTest : public ScratchFolderTest {
 protected:
  std::vector<std::string> Names(const PackPlan& plan) {
    std::vector<std::string> names;
    for (const auto& item : plan.items) names.push_back(item.archiveName + (item.isFolder ? "/" : ""));
    return names;
  }
};

TEST_F(PackListTest, FolderBringsEverythingUnderItWithEmptyFoldersAndOwnEntry) {
  WriteFile("a.txt", "aa");
  WriteFile("doc/b.txt", "bbb");
  WriteFile("doc/sub/c.txt", "c");
  fs::create_directories("doc/empty");
  const fs::path list = WriteList({"a.txt", "doc/*.*"});
  PackPlan plan;
  OutputLog log;
  ASSERT_EQ(CollectPackList("@" + list.string(), {}, plan, log), kArcOk) << log.text();
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"a.txt", "doc/", "doc/b.txt", "doc/empty/",
                                                   "doc/sub/", "doc/sub/c.txt"}));
  EXPECT_EQ(plan.totalBytes, 6u);
}

TEST_F(PackListTest, MissingNameFailsAndNamesIt) {
  WriteFile("a.txt", "aa");
  PackPlan plan;
  OutputLog log;
  EXPECT_EQ(CollectPackItems({{"a.txt", false}, {"gone.txt", false}}, {}, plan, log),
            kArcNotExist);
  EXPECT_NE(log.text().find("gone.txt"), std::string::npos);
  EXPECT_EQ(CollectPackItems({}, {}, plan, log), kArcNotExist);
  EXPECT_EQ(CollectPackList("@nolist.tmp", {}, plan, log), kArcNotExist);
  EXPECT_EQ(CollectPackList("list.tmp", {}, plan, log), kArcCommandName);
}

TEST_F(PackListTest, ArchiveBeingWrittenAndDuplicatesAreLeftOut) {
  WriteFile("doc/b.txt", "b");
  WriteFile("doc/~ks.tmp", "old half archive");
  PackPlan plan;
  OutputLog log;
  ASSERT_EQ(CollectPackItems({{"doc", true}, {"doc/b.txt", false}}, root() / "doc" / "~ks.tmp",
                             plan, log),
            kArcOk);
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"doc/", "doc/b.txt"}));
}

TEST_F(PackListTest, NamesNeverClimbOutOrStartAtARoot) {
  EXPECT_EQ(ArchiveNameOf("../up/x.txt"), "up/x.txt");
  EXPECT_EQ(ArchiveNameOf("/abs/y"), "abs/y");
  EXPECT_EQ(ArchiveNameOf("./a/./b/../c"), "a/c");
  EXPECT_EQ(ArchiveNameOf(".."), "");
}

TEST_F(PackListTest, JapaneseNamesAndPipesInsideFolders) {
  WriteFile("資料/説明書.txt", "x");
  ASSERT_EQ(RunTool("mkfifo '資料/pipe'").exitCode, 0);
  PackPlan plan;
  OutputLog log;
  ASSERT_EQ(CollectPackItems({{"資料", true}}, {}, plan, log), kArcOk);
  EXPECT_EQ(Names(plan), (std::vector<std::string>{"資料/", "資料/説明書.txt"}));
  EXPECT_NE(log.text().find("pipe"), std::string::npos);
}

}  // namespace
}  // namespace ks::test
