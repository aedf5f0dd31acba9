#pragma once
// Compresses the small files of a new archive on worker threads while the
// writer reads the next ones, and hands them back in the order given, so the
// archive comes out the same as with one thread. Workers only compress:
// files, progress and the archive stay with the caller's thread.

#include <cstdint>
#include <memory>
#include <vector>

#include "archivers/builtin/bga/BgaCodec.h"
#include "archivers/builtin/bga/BgaFormat.h"

namespace ks {

// One entry on its way into the archive.
struct BgaPiece {
  BgaHeader header;
  // The file's bytes when handed over; afterwards the bytes to store,
  // compressed when that made them smaller (header.storage and
  // header.dataSize say which).
  std::vector<char> data;
  bool compress = true;  // false: the piece is complete as handed over (a folder)
};

// Compresses `piece` with `encoder`, or keeps its bytes when compressing
// them is no gain.
void CompressPiece(BgaEncoder& encoder, BgaPiece& piece);

class BgaPackPool {
 public:
  // `workers` 0 compresses in the caller's thread, as each piece is added.
  BgaPackPool(BgaMethod method, unsigned workers);
  // Stops the workers; pieces not taken are dropped.
  ~BgaPackPool();
  BgaPackPool(const BgaPackPool&) = delete;
  BgaPackPool& operator=(const BgaPackPool&) = delete;

  void Add(std::unique_ptr<BgaPiece> piece);
  // Pieces added and not taken yet.
  std::size_t pending() const;
  // The oldest piece not taken, once it is complete; waits for it. What a
  // worker threw while compressing it (out of memory) is thrown here.
  std::unique_ptr<BgaPiece> TakeOldest();

  // The workers worth starting on this machine.
  static unsigned DefaultWorkers();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ks
