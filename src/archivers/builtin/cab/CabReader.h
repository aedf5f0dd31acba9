#pragma once
// Reads a plain cabinet (see CabLayout) entry by entry on its own: each
// folder's data blocks once, in order, every checksum verified before the
// block is used, MSZIP decoded with ISA-L's inflate. Damage is told for
// the files it touches exactly as libarchive with CabIndex tells it: a
// file whose data lies in a damaged block, and in a compressed folder
// every file after one, is not verified (kArcFileCrc).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archivers/builtin/cab/CabIndex.h"
#include "archivers/builtin/cab/CabLayout.h"
#include "archivers/builtin/common/EntryReader.h"

namespace ks {

class CabReader : public EntryReader {
 public:
  CabReader();
  ~CabReader() override;
  CabReader(const CabReader&) = delete;
  CabReader& operator=(const CabReader&) = delete;

  // True when `file` is a plain cabinet whose headers read; false when it
  // is left to libarchive (which also tells why it cannot be read).
  bool Open(const std::string& file);

  // Gives only the files [first, end) of the cabinet's list (a folder's,
  // for a reader of one folder among several).
  void KeepTo(std::size_t first, std::size_t end) {
    next_ = first;
    end_ = end;
  }
  const CabLayout& layout() const { return layout_; }

  Next NextEntry() override;
  const ExtractEntry& entry() const override { return entry_; }
  bool entryEncrypted() const override { return false; }
  // The current file's data: kArcOk, the sink's result, kArcFileCrc (its
  // data lies in or follows a damaged block), kArcBrokenData (a block
  // whose checksum holds does not decode) or kArcUnexpectedEof (its
  // folder ends before it does).
  int ReadData(const DataSink& sink) override;
  // Nothing to do: a later file's reading passes over it.
  int SkipData() override { return kArcOk; }
  std::uint64_t bytesRead() const override;
  std::uint64_t fileSize() const override;

 private:
  class Blocks;
  // Starts reading `folder` from its first block.
  void BeginFolder(std::size_t folder);
  // Reads and verifies the next block of the folder being read, and
  // decodes it when it is sound.
  void NextBlock();

  CabLayout layout_;
  std::unique_ptr<Blocks> blocks_;
  ExtractEntry entry_;
  std::size_t next_ = 0;     // the file NextEntry gives next
  std::size_t end_ = SIZE_MAX;  // and the one it stops at
  std::size_t current_ = 0;  // the current file, once there is one

  // The folder being read.
  std::size_t folder_ = SIZE_MAX;
  unsigned nextBlock_ = 0;
  std::uint64_t blockAt_ = 0;  // where its next block starts in the file
  // The uncompressed stretch of the block read last, and its bytes.
  std::uint64_t blockBegin_ = 0, blockEnd_ = 0;
  const unsigned char* block_ = nullptr;
  CabFolderState damage_;
  bool folderEnded_ = false;  // nothing more can be read from it
  // A block whose checksum holds but that does not decode: what every
  // file read from the folder after it fails with.
  int brokenCode_ = 0;
  std::string brokenWhy_;
};

}  // namespace ks
