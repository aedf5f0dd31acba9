#pragma once
// The sample files made by other tools: ../shared/fixtures beside the source
// tree. Tests that need them skip, saying why, when the folder is absent.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace ks::test {

// The fixtures folder, or an empty path when it cannot be found. The
// KS_SOURCE_DIR environment variable wins over the folder the test program
// was built from.
inline std::filesystem::path FixturesFolder() {
  std::string source;
  if (const char* env = std::getenv("KS_SOURCE_DIR"); env && *env) source = env;
#ifdef KS_SOURCE_DIR
  if (source.empty()) source = KS_SOURCE_DIR;
#endif
  if (source.empty()) return {};
  const std::filesystem::path folder = std::filesystem::path(source) / ".." / "shared" / "fixtures";
  std::error_code ec;
  return std::filesystem::is_directory(folder, ec) ? folder.lexically_normal()
                                                   : std::filesystem::path();
}

}  // namespace ks::test
