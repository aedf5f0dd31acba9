#pragma once
// Reads a GZA or BZA archive entry by entry: every header's checksum
// verified, every entry's data decompressed and verified on request.
//
// A plain archive starts with an entry and ends at the end of the file: a
// header that fails its checksum, or a file that ends inside an entry, is
// damage. A self-extracting program (a Windows executable, "MZ") carries
// the archive after its own code: the first entry is the first place within
// 64 KiB whose header verifies, and the archive ends where the headers stop
// verifying (or at the end of the file).

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/bga/BgaCodec.h"
#include "archivers/builtin/bga/BgaFormat.h"
#include "archivers/builtin/common/EntryReader.h"

namespace ks {

class BgaReader : public EntryReader {
 public:
  BgaReader();
  ~BgaReader() override;
  BgaReader(const BgaReader&) = delete;
  BgaReader& operator=(const BgaReader&) = delete;

  // kArcOk (also when the first header is there but fails its checksum:
  // NextEntry tells); kArcArcFileOpen when the file cannot be read;
  // kArcNotArcFile when no entry starts where one must; kArcUnexpectedEof
  // when the file ends inside the first entry.
  int Open(const std::string& file);

  // Passes by the data of the current entry, if not read, and reads the
  // next header. Damaged where a header is not sound (error() is
  // kArcHeaderBroken or kArcUnexpectedEof): the next call searches on for
  // the next sound header. Broken when the file cannot be read.
  Next NextEntry() override;
  const BgaHeader& header() const { return header_; }
  // The current entry as extraction wants it: the name as UTF-8 with "/"
  // between folders, the time, and read-only as a mode without write bits.
  const ExtractEntry& entry() const override { return entry_; }
  // The format has no encryption.
  bool entryEncrypted() const override { return false; }

  // Passes the current entry's original bytes to `sink` (decompressed and
  // verified): kArcOk, the sink's result, or a failure (kArcFileCrc,
  // kArcBrokenData, kArcCannotRead).
  int ReadData(const DataSink& sink) override;
  // Nothing to do: the next NextEntry goes past the data.
  int SkipData() override { return kArcOk; }
  // The stored bytes are read here and decompressed by decoders of their own.
  std::optional<DetachedData> DetachData(std::uint64_t largest) override;

  std::uint64_t bytesRead() const override { return consumed_; }
  std::uint64_t fileSize() const override { return fileSize_; }
  bool selfExtracting() const { return selfExtracting_; }
  // Where the archive starts in the file, and where the last entry read
  // ends: past its data.
  std::uint64_t start() const { return start_; }
  std::uint64_t entryEnd() const { return dataStart_ + header_.dataSize; }

 private:
  // Reads `size` bytes at `offset`; false on a read error or the end.
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size);
  bool FindStart(const std::vector<unsigned char>& head);
  // A header at `at`: sound (its data inside the file), none there, or one
  // whose fields contradict themselves or the file; the failure and why.
  enum class HeaderRead { Ok, None, Contradiction, ReadError };
  struct HeaderCheck {
    HeaderRead read;
    int code;
    std::string why;
  };
  HeaderCheck ReadHeader(std::uint64_t at, BgaHeader& header, std::uint64_t& dataStart);
  // The first place at or after `from` where a sound header starts.
  std::optional<std::uint64_t> FindSoundHeader(std::uint64_t from);
  int ReadDataOf(const BgaSink& sink);

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file_{nullptr, std::fclose};
  std::vector<char> fileBuffer_;
  std::vector<unsigned char> chunk_;
  std::unique_ptr<BgaDecoder> decoders_[2];
  BgaHeader header_;
  ExtractEntry entry_;
  std::uint64_t fileSize_ = 0;
  std::uint64_t start_ = 0;
  static constexpr std::uint64_t kUnknownPosition = ~std::uint64_t{0};
  std::uint64_t position_ = 0;   // where the stream stands
  std::uint64_t next_ = 0;       // where the next header starts
  std::uint64_t dataStart_ = 0;  // where the current entry's data starts
  std::uint64_t consumed_ = 0;   // how far the reading has got
  bool haveEntry_ = false;
  bool selfExtracting_ = false;
  std::optional<std::uint64_t> searchFrom_;  // after a damaged header
};

// The quick check: every header of the archive reads and verifies (the
// data is not read). kArcOk, or the failure of Open or NextEntry with `why`
// saying what is wrong.
int VerifyBgaHeaders(const std::string& file, std::string& why);

}  // namespace ks
