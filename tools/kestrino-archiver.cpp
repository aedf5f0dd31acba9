// kestrino-archiver: runs one command of a built-in archiver back-end from a
// shell, exactly as the program calls it (no owner window, a 65535-byte
// output buffer), prints the output buffer and the result.
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"

namespace {

using namespace ks;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr std::size_t kOutputSize = 65535;

const char* const kUsage =
    "usage:\n"
    "  kestrino-archiver [OPTIONS] LIBRARY \"COMMAND LINE\"\n"
    "      runs one command of LIBRARY (e.g. Unlha32.DLL, case does not matter)\n"
    "  kestrino-archiver [OPTIONS] --check LIBRARY FILE MODE\n"
    "      calls the check entry point (MODE 0: quick, 2: full); unrar.dll\n"
    "      tests every entry\n"
    "  kestrino-archiver --version\n"
    "      lists every library with its version, or \"missing\"\n"
    "  kestrino-archiver --type FILE\n"
    "      prints the type the program's type detection gives FILE (LZH, ZIP,\n"
    "      BGA, ..., UnKnown; Folder for a folder or a missing path)\n"
    "options:\n"
    "  --password PW            password for encrypted entries (else the\n"
    "                           KESTRINO_PASSWORD environment variable, else asked)\n"
    "  --overwrite=ask|replace|skip  what to do with existing files (default skip)\n"
    "exit status: 0 success, 1 failure, 2 wrong arguments\n";

enum class Overwrite { Ask, Replace, Skip };

bool IsTerminal(int fd) { return ::isatty(fd) == 1; }

// Shows the current name on a terminal, a few times a second at most.
class ConsoleProgress : public Progress {
 public:
  explicit ConsoleProgress(std::string title) : title_(std::move(title)), tty_(IsTerminal(2)) {}
  ~ConsoleProgress() override {
    if (shown_) std::fputs("\r\033[K", stderr);
  }
  bool Update(const std::string& name, std::uint64_t done, std::uint64_t total) override {
    if (!tty_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && now - last_ < std::chrono::milliseconds(200)) return true;
    last_ = now;
    shown_ = true;
    std::string line = title_ + ": " + name;
    if (total > 0) line += " (" + std::to_string(done * 100 / total) + "%)";
    if (line.size() > 78) line = line.substr(0, 78);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    return true;
  }

 private:
  std::string title_;
  bool tty_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_{};
};

std::string ReadLine(bool hidden) {
  termios old{};
  const bool tty = IsTerminal(0) && ::tcgetattr(0, &old) == 0;
  if (hidden && tty) {
    termios quiet = old;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(0, TCSANOW, &quiet);
  }
  std::string line;
  std::getline(std::cin, line);
  if (hidden && tty) {
    ::tcsetattr(0, TCSANOW, &old);
    std::fputs("\n", stderr);
  }
  return line;
}

class ConsoleHost : public ArchiverHost {
 public:
  ConsoleHost(std::optional<std::string> password, Overwrite overwrite)
      : password_(std::move(password)), overwrite_(overwrite) {}

  std::unique_ptr<Progress> BeginProgress(WindowHandle, const std::string& title) override {
    return std::make_unique<ConsoleProgress>(title);
  }

  std::optional<std::string> AskPassword(WindowHandle, const std::string& archive,
                                         const std::string& entry, bool wrongBefore) override {
    // The password of the command line is given once: asked again, it is
    // still the wrong one.
    if (password_) return wrongBefore ? std::nullopt : password_;
    if (!IsTerminal(0)) return std::nullopt;
    std::fprintf(stderr, "%spassword for %s in %s: ", wrongBefore ? "wrong password; " : "",
                 entry.c_str(), archive.c_str());
    if (!std::cin) return std::nullopt;
    return ReadLine(true);
  }

  OverwriteAnswer AskOverwrite(WindowHandle, const std::string& path) override {
    switch (overwrite_) {
      case Overwrite::Replace:
        return OverwriteAnswer::Replace;
      case Overwrite::Skip:
        return OverwriteAnswer::Skip;
      case Overwrite::Ask:
        break;
    }
    for (;;) {
      std::fprintf(stderr, "%s exists. [r]eplace, [s]kip, replace [a]ll, skip all ([n]one), [c]ancel? ",
                   path.c_str());
      if (!std::cin) return OverwriteAnswer::Cancel;
      const std::string answer = ReadLine(false);
      if (!std::cin) return OverwriteAnswer::Cancel;
      if (answer == "r") return OverwriteAnswer::Replace;
      if (answer == "s") return OverwriteAnswer::Skip;
      if (answer == "a") return OverwriteAnswer::ReplaceAll;
      if (answer == "n") return OverwriteAnswer::SkipAll;
      if (answer == "c") return OverwriteAnswer::Cancel;
    }
  }

 private:
  std::optional<std::string> password_;
  Overwrite overwrite_;
};

int Usage(const std::string& error) {
  if (!error.empty()) std::cerr << "kestrino-archiver: " << error << "\n";
  std::cerr << kUsage;
  return kExitUsage;
}

bool IsUnrarDll(const std::string& name) { return strcasecmp(name.c_str(), "unrar.dll") == 0; }

std::string VersionText(int v) {
  char text[32];
  std::snprintf(text, sizeof text, "%d.%02d", v / 100, v % 100);
  return text;
}

int ListVersions() {
  for (const LibraryDescriptor& info : AllLibraries()) {
    Library& lib = Libraries().Get(info.id);
    std::string shown = "missing";
    try {
      if (lib.present()) shown = VersionText(lib.GetVersion());
    } catch (const LibraryError&) {
    }
    std::printf("%-14s %s\n", info.fileName, shown.c_str());
  }
  std::string shown = "missing";
  try {
    if (Libraries().Unrar().present()) shown = std::to_string(Libraries().Unrar().RARGetDllVersion());
  } catch (const LibraryError&) {
  }
  std::printf("%-14s %s\n", "unrar.dll", shown.c_str());
  return kExitOk;
}

// Every entry of a RAR archive through unrar.dll: the archive check's own
// test, so the two always agree.
int CheckWithUnrar(const std::string& file) {
  if (!Libraries().Unrar().present()) {
    std::cerr << "kestrino-archiver: unrar.dll is missing\n";
    return kExitFailed;
  }
  const bool sound = RarTest(file, [&](const RarTestStep& step) {
    switch (step.what) {
      case RarTestStep::What::Open:
        std::printf("cannot open %s (code %d)\n", file.c_str(), step.code);
        break;
      case RarTestStep::What::Header:
        std::printf("FAILED a header cannot be read (code %d)\n", step.code);
        break;
      case RarTestStep::What::Entry:
        std::printf("%s %s\n", step.code == 0 ? "ok    " : "FAILED", step.name.c_str());
        break;
    }
  });
  std::printf("result: %s\n", sound ? "valid" : "not valid");
  return sound ? kExitOk : kExitFailed;
}

int Check(const std::string& libraryName, const std::string& file, const std::string& modeText) {
  char* end = nullptr;
  const long mode = std::strtol(modeText.c_str(), &end, 10);
  if (modeText.empty() || *end != '\0') return Usage("MODE must be a number: " + modeText);
  if (IsUnrarDll(libraryName)) return CheckWithUnrar(file);
  const auto id = LibraryByFileName(libraryName);
  if (!id) return Usage("unknown library: " + libraryName);
  const int r = Libraries().Get(*id).CheckArchive(file, static_cast<int>(mode));
  std::printf("result: %d (%s)\n", r, r != 0 ? "valid" : "not valid");
  return r != 0 ? kExitOk : kExitFailed;
}

// The answer of the program's type detection, with the libraries probed as
// at start-up, so a shell sees exactly what a drop on the panel would.
int PrintType(const std::string& file) {
  ApplyProbe(ProbeLibraries(Libraries()));
  std::printf("%s\n", ArcType(file).c_str());
  return kExitOk;
}

int RunCommand(const std::string& libraryName, const std::string& commandLine) {
  const auto id = LibraryByFileName(libraryName);
  if (!id) return Usage("unknown library: " + libraryName);
  std::vector<char> output(kOutputSize + 1, '\0');
  const int r = Libraries().Get(*id).Command(nullptr, commandLine, output.data(), kOutputSize);
  std::fputs(output.data(), stdout);
  if (output[0] != '\0' && std::strchr(output.data(), '\0')[-1] != '\n') std::fputs("\n", stdout);
  std::printf("result: %d (0x%04X)\n", r, static_cast<unsigned>(r) & 0xFFFFu);
  return r == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<std::string> password;
  if (const char* env = std::getenv("KESTRINO_PASSWORD")) password = env;
  Overwrite overwrite = Overwrite::Skip;
  bool check = false, version = false, type = false;
  std::vector<std::string> rest;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (!rest.empty()) {
      rest.push_back(a);  // the command line itself may start with "-"
    } else if (a == "--password") {
      if (i + 1 >= args.size()) return Usage("--password needs a value");
      password = args[++i];
    } else if (a.rfind("--password=", 0) == 0) {
      password = a.substr(11);
    } else if (a.rfind("--overwrite=", 0) == 0) {
      const std::string v = a.substr(12);
      if (v == "ask")
        overwrite = Overwrite::Ask;
      else if (v == "replace")
        overwrite = Overwrite::Replace;
      else if (v == "skip")
        overwrite = Overwrite::Skip;
      else
        return Usage("--overwrite takes ask, replace or skip");
    } else if (a == "--check") {
      check = true;
    } else if (a == "--version") {
      version = true;
    } else if (a == "--type") {
      type = true;
    } else if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return kExitOk;
    } else if (a.rfind("--", 0) == 0) {
      return Usage("unknown option: " + a);
    } else {
      rest.push_back(a);
    }
  }

  ConsoleHost host(password, overwrite);
  SetArchiverHost(&host);
  InstallBuiltinLibraries(Libraries());

  try {
    if (version) {
      if (check || !rest.empty()) return Usage("--version takes no other arguments");
      return ListVersions();
    }
    if (type) {
      if (check || rest.size() != 1) return Usage("--type needs one FILE");
      return PrintType(rest[0]);
    }
    if (check) {
      if (rest.size() != 3) return Usage("--check needs LIBRARY FILE MODE");
      return Check(rest[0], rest[1], rest[2]);
    }
    if (rest.size() != 2) return Usage(rest.empty() ? "" : "expected LIBRARY and one COMMAND LINE argument");
    return RunCommand(rest[0], rest[1]);
  } catch (const LibraryError& e) {
    std::cerr << "kestrino-archiver: " << e.library() << " is missing (entry point "
              << e.entryPoint() << ")\n";
    return kExitFailed;
  }
}
