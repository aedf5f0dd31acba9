#include "core/FileTests.h"

#include <array>
#include <filesystem>
#include <fstream>

#include "core/PathText.h"
#include "platform/Platform.h"

namespace ks {
namespace fs = std::filesystem;
namespace {

bool IsRegular(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}

}  // namespace

bool IsGifFile(const std::string& path) {
  // Only regular files: opening a FIFO or a device to peek at it could block.
  if (!IsRegular(path)) return false;
  std::array<char, 45> head{};  // bytes past the end of a short file stay zero
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.read(head.data(), head.size());
  return head[0] == 'G' && head[1] == 'I' && head[2] == 'F';
}

std::string ShortPathName(const std::string& path) {
  std::error_code ec;
  if (path.empty() || !fs::exists(path, ec)) return std::string();
  return ThePlatform().ShortPathName(path);
}

std::string DesktopFolder() { return ThePlatform().DesktopFolder(); }

bool IsOrdinaryFile(const std::string& path) {
  const std::string name = FileNamePart(path);
  return !name.empty() && name[0] != '.' && IsRegular(path);
}

}  // namespace ks
