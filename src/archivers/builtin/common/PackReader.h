#pragma once
// Reads the files of a pack plan in chunks for the writers, with progress
// and Cancel, so no file is ever held whole in memory.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/PackList.h"

namespace ks {

class PackReader {
 public:
  PackReader(WindowHandle owner, const std::string& progressTitle, std::uint64_t totalBytes,
             OutputLog& log);

  // Opens an item's file; kArcOk, or kArcFileOpen with a log line. `size`
  // gets the size it has now (it may differ from the plan's).
  int Open(const PackItem& item, std::uint64_t& size);
  // Streams exactly `size` bytes of the open file to `sink`, which returns
  // 0 or an ArcResult that ends the copy. kArcCannotRead when the file
  // cannot be read or ends early, kArcUserCancel on Cancel.
  int Copy(const PackItem& item, std::uint64_t size,
           const std::function<int(const char*, std::size_t)>& sink);
  // Reports progress between files; false on Cancel.
  bool Tick(const std::string& name);
  // Bytes read so far, and going back to such a count before a file is
  // read once more (stored after all), so progress never runs past the
  // total.
  std::uint64_t done() const { return done_; }
  void RewindTo(std::uint64_t done) { done_ = done; }

 private:
  std::unique_ptr<Progress> progress_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  OutputLog& log_;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, std::fclose};
  std::vector<char> buffer_;
};

}  // namespace ks
