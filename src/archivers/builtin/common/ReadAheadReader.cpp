#include "archivers/builtin/common/ReadAheadReader.h"

#include <algorithm>
#include <new>
#include <utility>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

ReadAheadReader::ReadAheadReader(EntryReader& inner)
    : inner_(inner), fileSize_(inner.fileSize()), thread_([this] { Run(); }) {}

ReadAheadReader::~ReadAheadReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  room_.notify_all();
  thread_.join();
}

bool ReadAheadReader::Put(Event event) {
  std::unique_lock lock(mutex_);
  // Only data waits for room: headers are small and the writer needs them.
  if (event.kind == Event::Kind::Data && waitingBytes_ >= kBudget) {
    readerWaiting_ = true;
    room_.wait(lock, [&] { return stopping_ || waitingBytes_ <= kBudget / 2; });
    readerWaiting_ = false;
  }
  if (stopping_) return false;
  waitingBytes_ += event.bytes.size();
  events_.push_back(std::move(event));
  if (writerWaiting_) ready_.notify_one();
  return true;
}

std::vector<unsigned char> ReadAheadReader::Buffer(std::size_t want) {
  std::vector<unsigned char> bytes;
  {
    std::lock_guard lock(mutex_);
    if (!free_.empty()) {
      bytes = std::move(free_.back());
      free_.pop_back();
    }
  }
  // Fresh memory costs a page fault per page; reused pieces do not.
  bytes.clear();
  bytes.reserve(want);
  return bytes;
}

void ReadAheadReader::Recycle(std::vector<unsigned char> bytes) {
  std::lock_guard lock(mutex_);
  // As many as can wait at once, and one being filled.
  if (free_.size() <= kBudget / kPiece) free_.push_back(std::move(bytes));
}

ReadAheadReader::Event ReadAheadReader::Take() {
  std::unique_lock lock(mutex_);
  if (events_.empty()) {
    writerWaiting_ = true;
    ready_.wait(lock, [&] { return !events_.empty(); });
    writerWaiting_ = false;
  }
  Event event = std::move(events_.front());
  events_.pop_front();
  waitingBytes_ -= event.bytes.size();
  if (readerWaiting_ && waitingBytes_ <= kBudget / 2) room_.notify_one();
  return event;
}

void ReadAheadReader::Run() {
  bool inData = false;
  try {
    for (;;) {
      Event header;
      header.next = inner_.NextEntry();
      header.readTo = inner_.bytesRead();
      const Next next = header.next;
      if (next == Next::Entry) {
        header.entry = inner_.entry();
        header.encrypted = inner_.entryEncrypted();
      } else if (next != Next::End) {
        header.code = inner_.error();
        header.text = inner_.errorText();
      }
      const bool isFile = next == Next::Entry && header.entry.type == EntryType::File;
      const std::uint64_t entrySize = isFile ? header.entry.size : 0;
      if (!Put(std::move(header))) return;
      if (next == Next::End || next == Next::Broken) return;
      if (next == Next::Damaged) continue;

      // Every file's data is read: whether the writer keeps it is decided
      // only when it gets there, and waiting for that would undo the overlap.
      inData = true;
      // Pieces as large as the file needs: thousands of small files each
      // in a full-sized piece would keep asking for fresh memory, and fresh
      // memory costs a page fault per page.
      std::uint64_t left = entrySize;
      const auto want = [&] { return static_cast<std::size_t>(std::clamp<std::uint64_t>(left, 1, kPiece)); };
      std::vector<unsigned char> piece = Buffer(want());
      const auto flush = [&] {
        if (piece.empty()) return true;
        Event data;
        data.kind = Event::Kind::Data;
        data.bytes = std::move(piece);
        data.readTo = inner_.bytesRead();
        left -= std::min<std::uint64_t>(left, data.bytes.size());
        piece = Buffer(want());
        return Put(std::move(data));
      };
      const auto sink = [&](const void* block, std::size_t size) -> int {
        const auto* from = static_cast<const unsigned char*>(block);
        while (size > 0) {
          const std::size_t n = std::min(size, kPiece - piece.size());
          piece.insert(piece.end(), from, from + n);
          from += n;
          size -= n;
          if (piece.size() == kPiece && !flush()) return kArcUserCancel;
        }
        return kArcOk;
      };
      const auto hole = [&](std::uint64_t size) -> int {
        if (!flush()) return kArcUserCancel;
        Event gap;
        gap.kind = Event::Kind::Hole;
        gap.hole = size;
        gap.readTo = inner_.bytesRead();
        return Put(std::move(gap)) ? kArcOk : kArcUserCancel;
      };
      const int r = isFile ? inner_.ReadSparseData(sink, hole) : inner_.SkipData();
      if (!flush()) return;
      Event end;
      end.kind = Event::Kind::DataEnd;
      end.code = r;
      if (r != kArcOk) end.text = inner_.errorText();
      end.readTo = inner_.bytesRead();
      inData = false;
      if (!Put(std::move(end))) return;
    }
  } catch (const std::bad_alloc&) {
    // The writer is told as it would be by a reader that cannot go on.
    Event end;
    end.kind = Event::Kind::DataEnd;
    end.code = kArcCannotRead;
    end.text = "out of memory while reading the archive";
    if (inData && !Put(end)) return;
    Event broken;
    broken.next = Next::Broken;
    broken.code = end.code;
    broken.text = end.text;
    Put(std::move(broken));
  }
}

ReadAheadReader::Next ReadAheadReader::NextEntry() {
  if (ended_) return Next::End;
  if (dataPending_) PassData();
  Event header = Take();
  readTo_ = header.readTo;
  switch (header.next) {
    case Next::Entry:
      entry_ = std::move(header.entry);
      encrypted_ = header.encrypted;
      dataPending_ = true;
      break;
    case Next::End:
      ended_ = true;
      break;
    case Next::Broken:
      ended_ = true;
      Fail(header.code, std::move(header.text));
      break;
    case Next::Damaged:
      Fail(header.code, std::move(header.text));
      break;
  }
  return header.next;
}

ReadAheadReader::Event ReadAheadReader::PassData() {
  for (;;) {
    Event event = Take();
    readTo_ = event.readTo;
    if (event.kind == Event::Kind::DataEnd) {
      dataPending_ = false;
      return event;
    }
    Recycle(std::move(event.bytes));
  }
}

int ReadAheadReader::ReadData(const DataSink& sink) { return ReadSparseData(sink, {}); }

int ReadAheadReader::ReadSparseData(const DataSink& sink, const HoleSink& hole) {
  if (!dataPending_) return kArcOk;
  static const std::vector<unsigned char> zeros(1 << 16, 0);
  for (;;) {
    Event event = Take();
    readTo_ = event.readTo;
    int s = kArcOk;
    switch (event.kind) {
      case Event::Kind::Data:
        s = sink(event.bytes.data(), event.bytes.size());
        Recycle(std::move(event.bytes));
        break;
      case Event::Kind::Hole:
        if (hole) {
          s = hole(event.hole);
          break;
        }
        for (std::uint64_t left = event.hole; left > 0 && s == kArcOk;) {
          const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, zeros.size()));
          s = sink(zeros.data(), n);
          left -= n;
        }
        break;
      case Event::Kind::DataEnd:
        dataPending_ = false;
        return event.code == kArcOk ? kArcOk : Fail(event.code, std::move(event.text));
      case Event::Kind::Header:
        break;  // never within an entry's data
    }
    // The writer stopped (Cancel, a full disk): the rest of this entry's
    // data is passed over when the next entry is asked for.
    if (s != kArcOk) return s;
  }
}

int ReadAheadReader::SkipData() {
  if (!dataPending_) return kArcOk;
  Event end = PassData();
  return end.code == kArcOk ? kArcOk : Fail(end.code, std::move(end.text));
}

}  // namespace ks
