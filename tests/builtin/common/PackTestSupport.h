#pragma once
// Helpers for the tests of the creating back-ends: a scratch folder that is
// also the current directory while a test runs, files made from text, peer
// tools run through the shell, and one call of a back-end's command.

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/ArchiverInterface.h"

namespace ks::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, made the current
// directory; the old current directory comes back and the folder goes away
// at the end of the test.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldCwd_ = fs::current_path();
    std::random_device rd;
    root_ = fs::temp_directory_path() / ("kspack-" + std::to_string(rd()) + "-" +
                                         std::to_string(::testing::UnitTest::GetInstance()
                                                            ->random_seed()));
    fs::create_directories(root_);
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(oldCwd_);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  const fs::path& root() const { return root_; }

  static void WriteFile(const fs::path& path, const std::string& content) {
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
  }
  static std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Bytes that do not compress to nothing and differ from file to file.
  static std::string Noise(std::size_t size, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(size, '\0');
    for (auto& c : s) c = static_cast<char>(gen() % 64 + (gen() % 4 == 0 ? 128 : 32));
    return s;
  }
  // The list file of a compression run: one quoted name per line, a folder
  // as "folder/*.*".
  fs::path WriteList(const std::vector<std::string>& lines) {
    const fs::path list = root_ / "kestrino.tmp";
    std::string text;
    for (const auto& l : lines) text += "\"" + l + "\"\r\n";
    WriteFile(list, text);
    return list;
  }

 private:
  fs::path oldCwd_;
  fs::path root_;
};

struct ToolRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a shell command line; the tests quote their own arguments.
inline ToolRun RunTool(const std::string& commandLine) {
  ToolRun run;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((commandLine + " 2>&1").c_str(), "r"), pclose);
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe.release());
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline std::string ShellQuote(const std::string& text) {
  std::string q = "'";
  for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline bool HaveTool(const std::string& name) {
  return RunTool("command -v " + name + " >/dev/null").exitCode == 0;
}

struct CommandRun {
  int result = -1;
  std::string log;
};

// One command with the program's output buffer of 65535 bytes; the bytes
// after the buffer are watched so a write past its end is seen.
inline CommandRun RunCommand(CommonArchiver& library, const std::string& commandLine,
                             std::size_t size = 65535) {
  std::vector<char> buffer(size + 16, '\x5A');
  CommandRun run;
  run.result = library.Command(nullptr, commandLine, buffer.data(), size);
  for (std::size_t i = size; i < buffer.size(); ++i)
    EXPECT_EQ(buffer[i], '\x5A') << "output written past its size at " << i;
  run.log.assign(buffer.data(), strnlen(buffer.data(), size));
  return run;
}

inline std::string Q(const fs::path& p) { return "\"" + p.string() + "\""; }

// A host for one test: counts progress updates, presses Cancel after a set
// number of them, answers overwrite questions from a script, and runs a
// hook on every update (to look at the library while its command runs).
class ScriptedHost : public ArchiverHost {
 public:
  ScriptedHost() { SetArchiverHost(this); }
  ~ScriptedHost() override { SetArchiverHost(nullptr); }

  int updates = 0;
  int cancelAfter = -1;  // -1: never
  std::uint64_t lastDone = 0;  // what the last update reported
  std::uint64_t lastTotal = 0;
  std::vector<std::string> progressTitles;
  std::vector<std::string> overwriteQuestions;
  OverwriteAnswer overwriteAnswer = OverwriteAnswer::Skip;
  std::function<void()> onUpdate;

  std::unique_ptr<Progress> BeginProgress(WindowHandle, const std::string& title) override {
    progressTitles.push_back(title);
    return std::make_unique<CountingProgress>(*this);
  }
  std::optional<std::string> AskPassword(WindowHandle, const std::string&, const std::string&,
                                         bool) override {
    return std::nullopt;
  }
  OverwriteAnswer AskOverwrite(WindowHandle, const std::string& path) override {
    overwriteQuestions.push_back(path);
    return overwriteAnswer;
  }

 private:
  class CountingProgress : public Progress {
   public:
    explicit CountingProgress(ScriptedHost& host) : host_(host) {}
    bool Update(const std::string&, std::uint64_t done, std::uint64_t total) override {
      ++host_.updates;
      host_.lastDone = done;
      host_.lastTotal = total;
      if (host_.onUpdate) host_.onUpdate();
      return host_.cancelAfter < 0 || host_.updates <= host_.cancelAfter;
    }

   private:
    ScriptedHost& host_;
  };
};

// The files under `folder` (relative names, folders with a trailing "/"),
// sorted, and the contents of the files.
inline std::map<std::string, std::string> TreeOf(const fs::path& folder) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    const std::string rel = fs::relative(e.path(), folder).generic_string();
    if (e.is_directory()) {
      tree[rel + "/"] = "";
    } else {
      std::ifstream in(e.path(), std::ios::binary);
      tree[rel] = std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
  }
  return tree;
}

}  // namespace ks::test
