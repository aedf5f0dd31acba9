#include "sfx/win32/ProgramFile.h"

#include "archivers/builtin/codec/ByteOrder.h"

namespace ks::sfx {
namespace {

constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kSectionHeader = 40;
constexpr unsigned kLongestPath = 32768;

}  // namespace

ProgramFile::~ProgramFile() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
}

bool ProgramFile::ReadFrom(std::uint64_t position, void* buffer, std::size_t size) {
  LARGE_INTEGER at;
  at.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN)) return false;
  auto* p = static_cast<std::uint8_t*>(buffer);
  while (size > 0) {
    const DWORD want = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    DWORD got = 0;
    if (!ReadFile(file_, p, want, &got, nullptr) || got == 0) return false;
    p += got;
    size -= got;
  }
  return true;
}

bool ProgramFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > size_ || size > size_ - offset) return false;
  return ReadFrom(start_ + offset, buffer, size);
}

bool ProgramFile::Open() {
  path_.assign(kLongestPath, 0);
  const DWORD n = GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(path_.data()), kLongestPath);
  if (n == 0 || n >= kLongestPath) return false;
  path_.resize(n + 1);
  file_ = CreateFileW(W(path_), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                      nullptr);
  LARGE_INTEGER fileSize;
  if (file_ == INVALID_HANDLE_VALUE || !GetFileSizeEx(file_, &fileSize)) return false;

  // The section table: after the COFF header and the optional header.
  std::uint8_t head[4];
  if (!ReadFrom(kPeOffsetField, head, 4)) return false;
  const std::uint32_t pe = LoadLe32(head);
  std::uint8_t coff[24];
  if (!ReadFrom(pe, coff, sizeof coff) || LoadLe32(coff) != 0x00004550) return false;
  const unsigned sections = LoadLe16(coff + 6);
  std::uint64_t at = pe + sizeof coff + LoadLe16(coff + 20);
  std::uint64_t end = 0;
  for (unsigned i = 0; i < sections; ++i, at += kSectionHeader) {
    std::uint8_t s[kSectionHeader];
    if (!ReadFrom(at, s, sizeof s)) return false;
    const std::uint64_t sectionEnd = std::uint64_t{LoadLe32(s + 20)} + LoadLe32(s + 16);
    if (sectionEnd > end) end = sectionEnd;
  }
  const std::uint64_t total = static_cast<std::uint64_t>(fileSize.QuadPart);
  if (end > total) return false;
  start_ = end;
  size_ = total - end;
  return true;
}

}  // namespace ks::sfx
