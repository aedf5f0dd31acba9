#pragma once
// The running program's own file, and the archive appended to it: a PE
// program ends where its last section's data ends, and everything after
// that is the archive.

#include <windows.h>

#include "sfx/core/StubArchive.h"
#include "sfx/win32/Wide.h"

namespace ks::sfx {

class ProgramFile : public Source {
 public:
  ProgramFile() = default;
  ~ProgramFile() override;
  ProgramFile(const ProgramFile&) = delete;
  ProgramFile& operator=(const ProgramFile&) = delete;

  // Opens the program and finds the archive. False when the file cannot be
  // read or is not a PE program.
  bool Open();
  // The program's full name.
  const WideText& path() const { return path_; }

  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override;
  std::uint64_t Size() const override { return size_; }

 private:
  bool ReadFrom(std::uint64_t position, void* buffer, std::size_t size);

  HANDLE file_ = INVALID_HANDLE_VALUE;
  WideText path_;
  std::uint64_t start_ = 0;  // of the archive
  std::uint64_t size_ = 0;   // of the archive
};

}  // namespace ks::sfx
