#pragma once
// Reads an archive on a thread of its own, ahead of the thread that writes
// its files. Made for archives whose entries cannot be decoded apart (a
// tar.gz or tar.bz2 is one compressed stream, a cabinet's folder and a solid
// RAR one coding run): decoding the next entries overlaps with writing the
// current one, where otherwise one thread did both in turn.
//
// The reader thread walks the entries in order and reads every entry's data
// into a bounded queue; the writer replays what it met, entry by entry, so
// the extraction loop sees the same entries, data, failures and positions as
// from the wrapped reader itself. One difference: a file the writer passes
// over (the user kept the existing one) was read all the same, so damage in
// it is told as a read would tell it. The wrapped reader is only ever
// touched by the reader thread, so it must not need the user (no password
// questions).

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "archivers/builtin/common/EntryReader.h"

namespace ks {

class ReadAheadReader : public EntryReader {
 public:
  // How many bytes of decoded data wait at most, and in what pieces.
  static constexpr std::size_t kBudget = std::size_t{8} << 20;
  static constexpr std::size_t kPiece = std::size_t{256} << 10;

  // `inner` is opened; it must outlive this reader.
  explicit ReadAheadReader(EntryReader& inner);
  ~ReadAheadReader() override;
  ReadAheadReader(const ReadAheadReader&) = delete;
  ReadAheadReader& operator=(const ReadAheadReader&) = delete;

  Next NextEntry() override;
  const ExtractEntry& entry() const override { return entry_; }
  bool entryEncrypted() const override { return encrypted_; }
  int ReadData(const DataSink& sink) override;
  int ReadSparseData(const DataSink& sink, const HoleSink& hole) override;
  int SkipData() override;
  std::uint64_t bytesRead() const override { return readTo_; }
  std::uint64_t fileSize() const override { return fileSize_; }

  // What the reader thread hands over, in archive order.
  struct Event {
    enum class Kind { Header, Data, Hole, DataEnd };
    Kind kind = Kind::Header;
    Next next = Next::End;        // Header
    ExtractEntry entry;           // Header
    bool encrypted = false;       // Header
    int code = 0;                 // Header (its failure), DataEnd
    std::string text;             // with code
    std::vector<unsigned char> bytes;  // Data
    std::uint64_t hole = 0;       // Hole
    std::uint64_t readTo = 0;     // the wrapped reader's bytesRead() then
  };

 private:
  void Run();
  // Reader thread: queues `event`, waiting while too much waits; false
  // when the writer has gone.
  bool Put(Event event);
  // Reader thread: a buffer for the next piece, of room for `want` bytes,
  // reused when one is free.
  std::vector<unsigned char> Buffer(std::size_t want);
  // Writer thread: the next event, waiting for it.
  Event Take();
  // Writer thread: passes over the rest of the current entry's events up
  // to its DataEnd, which it returns.
  Event PassData();
  void Recycle(std::vector<unsigned char> bytes);

  EntryReader& inner_;
  const std::uint64_t fileSize_;

  std::mutex mutex_;
  // Each thread is woken only when it waits: a wake-up per event costs
  // more than the decoding of a small file. The reader thread, once the
  // budget is spent, waits until half of it is free again.
  std::condition_variable room_;   // the reader thread waits for room
  std::condition_variable ready_;  // the writer waits for an event
  bool readerWaiting_ = false;
  bool writerWaiting_ = false;
  std::deque<Event> events_;
  std::vector<std::vector<unsigned char>> free_;
  std::size_t waitingBytes_ = 0;
  bool stopping_ = false;  // the writer has gone: the reader thread stops

  // Writer side.
  ExtractEntry entry_;
  bool encrypted_ = false;
  bool dataPending_ = false;  // the current entry's data events not yet taken
  bool ended_ = false;        // End or Broken was told
  std::uint64_t readTo_ = 0;

  std::thread thread_;  // last: started once everything above is set
};

}  // namespace ks
