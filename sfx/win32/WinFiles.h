#pragma once
// The destination folder on Windows: names through the W calls (never the
// ANSI ones, which would garble Japanese names on other systems), long
// paths through the "\\?\" form, each file written under a temporary name
// and moved to its own name once verified.

#include <windows.h>

#include "sfx/core/Extractor.h"
#include "sfx/win32/Wide.h"

namespace ks::sfx {

class WinFiles : public Files {
 public:
  ~WinFiles() override;

  // Takes `folder` (any form the user typed) as the destination and makes
  // it when missing. False when it cannot be made.
  bool Open(const WideText& folder);
  // The destination's full name, for messages.
  const WideText& folder() const { return shown_; }
  // `path` (relative) in the form given to the W calls.
  WideText Full(const WideText& path) const;

  bool Decode(const char* bytes, std::size_t size, std::uint32_t codePage, WideText& out) override;
  bool MakeFolder(const WideText& path) override;
  bool Exists(const WideText& path) override;
  bool Begin(const WideText& path) override;
  bool Write(const std::uint8_t* data, std::size_t size) override;
  bool Commit(bool replace, const Entry& entry) override;
  void Abort() override;

 private:
  WideText root_;   // "\\?\C:\...\name"
  WideText shown_;  // "C:\...\name"
  WideText target_;
  WideText temp_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  bool madeRoot_ = false;
};

// Makes `full` and the folders above it; true when it is a folder.
bool MakeFolders(const WideText& full);

}  // namespace ks::sfx
