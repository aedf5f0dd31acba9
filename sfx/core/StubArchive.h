#pragma once
// What every self-extractor stub reads, whatever the format: the archive
// appended to the program (a Source), its entries one after the other, and
// each entry's data decoded and verified into a Sink. Plain C++ without the
// C++ runtime: the Windows stubs link no library but the system's DLLs.

#include <cstddef>
#include <cstdint>

namespace ks::sfx {

// The bytes of the archive, wherever they sit in the program file.
class Source {
 public:
  virtual ~Source() = default;
  // Reads exactly `size` bytes at `offset` (counted from the archive's first
  // byte); false when the file ends first or cannot be read.
  virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) = 0;
  virtual std::uint64_t Size() const = 0;
};

// Receives an entry's decoded bytes in order.
class Sink {
 public:
  virtual ~Sink() = default;
  // False stops the entry (a write error or a cancel; the sink knows which).
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

// Why an entry or the archive cannot be extracted.
enum class Fault : std::uint8_t {
  None,
  Damaged,      // a checksum fails or a header or the coded data cannot be sound
  Truncated,    // the archive ends inside an entry
  Unsupported,  // a method or header kind this stub does not decode
  Stopped,      // the sink refused data
};

// Code pages of stored names.
constexpr std::uint32_t kCp932 = 932;
constexpr std::uint32_t kUtf8 = 65001;

enum class TimeKind : std::uint8_t { None, Unix, DosLocal };

struct Entry {
  // Stored bytes with "\" between folders (possibly also the second byte of
  // a CP932 character); valid until the next call of Next.
  const char* name = nullptr;
  std::size_t nameSize = 0;
  std::uint32_t codePage = kCp932;
  bool folder = false;
  std::uint64_t size = 0;
  TimeKind timeKind = TimeKind::None;
  // Seconds since 1970 (Unix), or DOS date << 16 | DOS time (DosLocal).
  std::uint32_t time = 0;
};

class Archive {
 public:
  enum class Step : std::uint8_t { Entry, End, Fault };

  virtual ~Archive() = default;
  // The next entry's header, after the previous entry was read or skipped.
  // Fault leaves its reason in fault().
  virtual Step Next(Entry& entry) = 0;
  // Decodes the current entry into `sink` and verifies it. On any fault the
  // bytes already written are not the entry and must be thrown away.
  virtual Fault Read(Sink& sink) = 0;
  // Passes over the current entry's data (a skipped or refused entry).
  virtual Fault Skip() = 0;
  Fault fault() const { return fault_; }

 protected:
  Step Failed(Fault f) {
    fault_ = f;
    return Step::Fault;
  }
  Fault fault_ = Fault::None;
};

// A sink that throws the bytes away: how formats without random access to
// an entry's data skip it.
class NullSink : public Sink {
 public:
  bool Write(const std::uint8_t*, std::size_t) override { return true; }
};

}  // namespace ks::sfx
