// Output folders: the working folder, its renaming after the archive and
// the collapse of a doubled folder level, on a real file system.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "core/ScratchFolder.h"
#include "core/ShellOps.h"
#include "extract/OutputFolders.h"
#include "platform/RecordingPlatform.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::ReadWhole;
using test::ScratchFolder;

// The names in a folder, hidden ones too.
std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.insert(e.path().filename().string());
  return names;
}

// One archive's run of the folder steps with "Folder" and "DblFolder" on:
// the working folder is made, `fill` plays the library, then placing and
// the collapse. Returns the folder that holds the contents.
class FolderRun {
 public:
  FolderRun() { dl = s.folder(); }
  template <typename Fill>
  std::string Extract(const std::string& archiveName, Fill fill, bool collapse = true) {
    const std::string work = ExtractFolder1st(dl, true);
    fill(work);
    const std::string placed = PlaceResult(nullptr, dl, work, dl + archiveName);
    if (!collapse) return placed;
    const std::string base = archiveName.substr(0, archiveName.rfind('.'));
    return ExtractFolder2nd(nullptr, placed, dl, base, appFolder);
  }
  std::string Write(const std::string& name, const std::string& text = "x") const {
    return s.Write(name, text);
  }

  ScratchFolder s;
  ScopedRecordingPlatform rp;
  std::string dl;
  std::string appFolder = "/";
};

void Files(const std::string& folder) {
  std::ofstream(folder + "a.txt") << "A";
  std::ofstream(folder + "b.txt") << "B";
}
auto InnerFolder(const std::string& name) {
  return [name](const std::string& folder) {
    fs::create_directory(folder + name);
    std::ofstream(folder + name + "/a.txt") << "A";
  };
}

TEST(ExtractFolder1st, WithFolderMakesAWorkingFolderEachTime) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_EQ(ExtractFolder1st(s.folder(), true), s / "~kstmp/");
  EXPECT_EQ(ExtractFolder1st(s / "", true), s / "~kstmp_1/");
  EXPECT_TRUE(fs::is_directory(s / "~kstmp_1"));
}

TEST(ExtractFolder1st, WithoutFolderIsTheDestinationAndMakesNothing) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_EQ(ExtractFolder1st(s.folder(), false), s.folder());
  EXPECT_EQ(ExtractFolder1st(s / "", false), s.folder());
  EXPECT_TRUE(fs::is_empty(s / ""));
  // Even a destination that is gone: the library reports that itself.
  EXPECT_EQ(ExtractFolder1st(s / "gone", false), s / "gone/");
}

TEST(ExtractFolder1st, AFolderThatCannotBeMadeIsPathNotFound) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  const std::string file = s.Write("file", "x");
  for (const std::string& destination : {s / "gone/", file + "/"}) {
    try {
      ExtractFolder1st(destination, true);
      FAIL() << destination;
    } catch (const PathNotFound& e) {
      EXPECT_EQ(e.path(), destination);
      EXPECT_STREQ(e.what(), "パスが見つかりません。");
      EXPECT_EQ(PathNotFound::kNumber, 76);
    }
  }
  EXPECT_TRUE(rp.platform.calls.empty());
}

// The six outcomes for foo.lzh dropped from dl/ with Folder and DblFolder on.
TEST(OutputFolders, FilesGoIntoAFolderNamedAfterTheArchive) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", Files), r.dl + "foo/");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"foo"}));
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"a.txt", "b.txt"}));
}

TEST(OutputFolders, AnInnerFolderOfTheArchivesNameIsCollapsed) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("foo")), r.dl + "foo/");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"foo"}));
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"a.txt"}));
  EXPECT_EQ(ReadWhole(r.dl + "foo/a.txt"), "A");
}

TEST(OutputFolders, AnInnerFolderOfAnotherNameMovesUp) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("bar")), r.dl + "bar");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"bar"}));
  EXPECT_EQ(Names(r.dl + "bar"), (std::set<std::string>{"a.txt"}));
}

TEST(OutputFolders, AnInnerFolderWhoseNameIsTakenGetsANumber) {
  FolderRun r;
  r.Write("bar/mine.txt", "mine");
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("bar")), r.dl + "bar_1");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"bar", "bar_1"}));
  EXPECT_EQ(Names(r.dl + "bar"), (std::set<std::string>{"mine.txt"}));
  EXPECT_EQ(Names(r.dl + "bar_1"), (std::set<std::string>{"a.txt"}));
}

TEST(OutputFolders, ATakenArchiveNameGetsANumber) {
  FolderRun r;
  r.Write("foo/mine.txt", "mine");
  EXPECT_EQ(r.Extract("foo.lzh", Files), r.dl + "foo_1/");
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"mine.txt"}));
  EXPECT_EQ(Names(r.dl + "foo_1"), (std::set<std::string>{"a.txt", "b.txt"}));
}

TEST(OutputFolders, AnInnerFolderOfTheArchivesNameBesideATakenNameCollapsesIntoTheNumberedOne) {
  FolderRun r;
  r.Write("foo/mine.txt", "mine");
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("foo")), r.dl + "foo_1/");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"foo", "foo_1"}));
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"mine.txt"}));
  EXPECT_EQ(Names(r.dl + "foo_1"), (std::set<std::string>{"a.txt"}));
}

TEST(OutputFolders, LetterCaseDoesNotMatterForTheArchivesName) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("FOO")), r.dl + "foo/");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"foo"}));
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"a.txt"}));
}

TEST(OutputFolders, WithoutTheCollapseTheInnerFolderStays) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", InnerFolder("foo"), false), r.dl + "foo/");
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"foo"}));
}

TEST(OutputFolders, AFailedExtractionStillLeavesItsFolderUnderTheArchivesName) {
  FolderRun r;
  EXPECT_EQ(r.Extract("foo.lzh", [](const std::string&) {}), r.dl + "foo/");
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"foo"}));
  EXPECT_TRUE(fs::is_empty(r.dl + "foo"));
  EXPECT_TRUE(r.rp.platform.calls.empty());
}

TEST(OutputFolders, HiddenEntriesBesideTheInnerFolderAreCountedAndKept) {
  FolderRun r;
  const std::string folder = r.Extract("foo.lzh", [](const std::string& work) {
    InnerFolder("bar")(work);
    std::ofstream(work + ".hidden") << "keep me";
  });
  EXPECT_EQ(folder, r.dl + "foo/");
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{".hidden", "bar"}));
  EXPECT_EQ(ReadWhole(r.dl + "foo/.hidden"), "keep me");
}

TEST(OutputFolders, OnlyAPlainFolderAloneIsCollapsed) {
  FolderRun r;
  // A folder and a file.
  EXPECT_EQ(r.Extract("a.lzh",
                      [](const std::string& work) {
                        InnerFolder("bar")(work);
                        std::ofstream(work + "c.txt") << "C";
                      }),
            r.dl + "a/");
  // A hidden folder alone.
  EXPECT_EQ(r.Extract("b.lzh", InnerFolder(".bar")), r.dl + "b/");
  EXPECT_TRUE(fs::is_directory(r.dl + "b/.bar"));
  // A file alone.
  EXPECT_EQ(r.Extract("c.lzh", [](const std::string& work) { std::ofstream(work + "c.txt"); }),
            r.dl + "c/");
  // A link to a folder: moving it up would put a link where a folder was.
  EXPECT_EQ(r.Extract("d.lzh", [&r](const std::string& work) {
              fs::create_directory_symlink(r.dl + "a", work + "lnk");
            }),
            r.dl + "d/");
  EXPECT_TRUE(fs::is_symlink(r.dl + "d/lnk"));
  // A read-only folder.
  EXPECT_EQ(r.Extract("e.lzh",
                      [](const std::string& work) {
                        InnerFolder("ro")(work);
                        fs::permissions(work + "ro", fs::perms::owner_write | fs::perms::group_write |
                                                         fs::perms::others_write,
                                        fs::perm_options::remove);
                      }),
            r.dl + "e/");
  EXPECT_TRUE(fs::is_directory(r.dl + "e/ro"));
  fs::permissions(r.dl + "e/ro", fs::perms::owner_write, fs::perm_options::add);
  EXPECT_EQ(Names(r.dl), (std::set<std::string>{"a", "b", "c", "d", "e"}));
}

TEST(OutputFolders, AnEmptyFolderStaysUnderTheArchivesName) {
  FolderRun r;
  EXPECT_EQ(ExtractFolder2nd(nullptr, r.dl, r.dl, "x", r.s.folder()), r.dl);
  fs::create_directory(r.dl + "foo");
  EXPECT_EQ(ExtractFolder2nd(nullptr, r.dl + "foo/", r.dl, "foo", r.s.folder()), r.dl + "foo/");
  EXPECT_TRUE(fs::is_directory(r.dl + "foo"));
}

TEST(OutputFolders, AnInnerFolderThatCannotMoveUpStaysWhereItWas) {
  FolderRun r;
  fs::create_directories(r.dl + "foo/foo");
  std::ofstream(r.dl + "foo/foo/a.txt") << "A";
  // Renames inside the folder work; the move up a level is refused.
  SetRenameFunctionForTesting([&r](const fs::path& from, const fs::path& to, std::error_code& ec) {
    if (to.parent_path() == fs::path(r.dl + "foo").parent_path())
      ec = std::make_error_code(std::errc::permission_denied);
    else
      fs::rename(from, to, ec);
  });
  const std::string result = ExtractFolder2nd(nullptr, r.dl + "foo/", r.dl, "foo", r.s.folder());
  SetRenameFunctionForTesting({});
  EXPECT_EQ(result, r.dl + "foo/");
  EXPECT_EQ(Names(r.dl + "foo"), (std::set<std::string>{"foo"}));
  EXPECT_EQ(ReadWhole(r.dl + "foo/foo/a.txt"), "A");
}

TEST(OutputFolders, TheCollapseLeavesTheCurrentFolderOnTheProgramFolder) {
  FolderRun r;
  r.Write("program/x");
  r.appFolder = r.s / "program/";
  fs::current_path("/");
  r.Extract("foo.lzh", Files);  // nothing to collapse: the current folder stays
  EXPECT_EQ(fs::current_path(), fs::path("/"));
  r.Extract("bar.lzh", InnerFolder("baz"));
  EXPECT_EQ(fs::current_path(), fs::path(r.s / "program"));
  fs::current_path("/");
}

TEST(RemoveIfNothingExtracted, OnlyAFolderWithoutFilesOrLinksGoes) {
  ScratchFolder s;
  fs::create_directories(s / "empty/a/b");
  EXPECT_TRUE(RemoveIfNothingExtracted(s / "empty/"));
  EXPECT_FALSE(fs::exists(s / "empty"));
  s.Write("deep/a/b/c.txt", "salvaged");
  fs::create_directories(s / "link/a");
  fs::create_symlink("/nowhere", s / "link/a/l");
  for (const char* kept : {"deep", "link"}) {
    EXPECT_FALSE(RemoveIfNothingExtracted(s / kept + "/")) << kept;
    EXPECT_TRUE(fs::is_directory(s / kept)) << kept;
  }
  EXPECT_EQ(ReadWhole(s / "deep/a/b/c.txt"), "salvaged");
}

TEST(PlaceResult, AWorkingFolderThatIsGoneStaysTheAnswerAndIsReported) {
  FolderRun r;
  EXPECT_EQ(PlaceResult(nullptr, r.dl, r.dl + "~kstmp/", r.dl + "foo.lzh"), r.dl + "~kstmp/");
  ASSERT_EQ(r.rp.platform.Of("MessageBox").size(), 1u);
  EXPECT_EQ(r.rp.platform.Of("MessageBox")[0].text, "コピーまたは移動元が存在しません");
  EXPECT_FALSE(fs::exists(r.dl + "foo"));
}

}  // namespace
}  // namespace ks
