#include "sfx/win32/WinFiles.h"

namespace ks::sfx {
namespace {

constexpr std::uint64_t kUnixEpochIn100ns = 116444736000000000ull;
constexpr unsigned kMostTempTries = 1000;

bool IsFolder(const WideText& full) {
  const DWORD a = GetFileAttributesW(W(full));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

// The entry's time as Windows keeps it; false when it has none.
bool FileTimeOf(const Entry& entry, FILETIME& out) {
  if (entry.timeKind == TimeKind::Unix) {
    const std::uint64_t t = std::uint64_t{entry.time} * 10000000ull + kUnixEpochIn100ns;
    out.dwLowDateTime = static_cast<DWORD>(t);
    out.dwHighDateTime = static_cast<DWORD>(t >> 32);
    return true;
  }
  FILETIME local;
  return entry.timeKind == TimeKind::DosLocal &&
         DosDateTimeToFileTime(static_cast<WORD>(entry.time >> 16), static_cast<WORD>(entry.time), &local) &&
         LocalFileTimeToFileTime(&local, &out);
}

void AppendNumber(WideText& text, unsigned n) {
  char16_t digits[12];
  int i = 11;
  digits[i] = 0;
  do digits[--i] = static_cast<char16_t>(u'0' + n % 10);
  while ((n /= 10) != 0);
  Append(text, digits + i);
}

}  // namespace

bool MakeFolders(const WideText& full) {
  if (CreateDirectoryW(W(full), nullptr) || IsFolder(full)) return true;
  if (GetLastError() != ERROR_PATH_NOT_FOUND) return false;
  std::size_t cut = full.size() - 1;
  while (cut > 0 && full[cut - 1] != u'\\') --cut;
  if (cut <= 1) return false;
  WideText parent(full.begin(), full.begin() + static_cast<long>(cut - 1));
  parent.push_back(0);
  return MakeFolders(parent) && (CreateDirectoryW(W(full), nullptr) || IsFolder(full));
}

WinFiles::~WinFiles() {
  Abort();
  // A folder made for a run that wrote nothing (a damaged archive) goes
  // again; RemoveDirectoryW leaves a folder that holds anything.
  if (madeRoot_) RemoveDirectoryW(W(root_));
}

bool WinFiles::Open(const WideText& folder) {
  const DWORD n = GetFullPathNameW(W(folder), 0, nullptr, nullptr);
  if (n == 0) return false;
  shown_.assign(n, 0);
  const DWORD got = GetFullPathNameW(W(folder), n, reinterpret_cast<wchar_t*>(shown_.data()), nullptr);
  if (got == 0 || got >= n) return false;
  shown_.resize(got + 1);
  // "C:\dir\" names the same folder as "C:\dir"; a drive's root keeps its "\".
  if (got > 3 && shown_[got - 1] == u'\\') {
    shown_.pop_back();
    shown_.back() = 0;
  }
  root_.clear();
  const bool share = shown_[0] == u'\\' && shown_[1] == u'\\';
  if (share && shown_[2] == u'?') {
    root_ = shown_;
  } else {
    Append(root_, share ? u"\\\\?\\UNC" : u"\\\\?\\");
    Append(root_, shown_.data() + (share ? 1 : 0));
  }
  madeRoot_ = !IsFolder(root_);
  return MakeFolders(root_);
}

WideText WinFiles::Full(const WideText& path) const {
  WideText full = root_;
  if (full.size() < 2 || full[full.size() - 2] != u'\\') Append(full, u"\\");
  Append(full, path.data());
  return full;
}

bool WinFiles::Decode(const char* bytes, std::size_t size, std::uint32_t codePage, WideText& out) {
  out.clear();
  if (size == 0) return true;
  const int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size), nullptr, 0);
  if (n <= 0) return false;
  out.resize(static_cast<std::size_t>(n));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, static_cast<int>(size),
                             reinterpret_cast<wchar_t*>(out.data()), n) == n;
}

bool WinFiles::MakeFolder(const WideText& path) { return MakeFolders(Full(path)); }

bool WinFiles::Exists(const WideText& path) { return GetFileAttributesW(W(Full(path))) != INVALID_FILE_ATTRIBUTES; }

bool WinFiles::Begin(const WideText& path) {
  target_ = Full(path);
  for (unsigned n = 1; n <= kMostTempTries; ++n) {
    temp_ = target_;
    Append(temp_, u".~kssfx");
    if (n > 1) AppendNumber(temp_, n);
    file_ = CreateFileW(W(temp_), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE) return true;
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool WinFiles::Write(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    DWORD written = 0;
    const DWORD n = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
    if (!WriteFile(file_, data, n, &written, nullptr) || written == 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

bool WinFiles::Commit(bool replace, const Entry& entry) {
  FILETIME time;
  if (FileTimeOf(entry, time)) SetFileTime(file_, nullptr, nullptr, &time);
  const bool closed = CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  if (closed && MoveFileExW(W(temp_), W(target_), replace ? MOVEFILE_REPLACE_EXISTING : 0)) return true;
  DeleteFileW(W(temp_));
  return false;
}

void WinFiles::Abort() {
  if (file_ == INVALID_HANDLE_VALUE) return;
  CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  DeleteFileW(W(temp_));
}

}  // namespace ks::sfx
