#pragma once
// MacLHA keeps a Macintosh file whole: the stored data of an entry is a
// 128-byte MacBinary header (name, type, fork lengths, dates), the data
// fork and the resource fork, each fork padded to 128 bytes. Other systems
// have no forks, so we extract the data fork alone (the resource fork when
// that is all the file has), as lhasa does.
//
// MacBinary has no magic number. A header counts only when it agrees with
// the LZH header around it: its compatibility bytes and unused MacBinary II
// area are zero, its name is the entry's name, its forks fill the entry's
// size exactly and its modification time is the entry's, give or take a
// time zone; the entry's CRC still covers every stored byte. Anything else, a MacBinary file archived as a file
// included, comes out byte for byte as stored.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "archivers/builtin/common/EntryReader.h"
#include "archivers/builtin/lha/LzhEntryInfo.h"

namespace ks {

constexpr std::size_t kMacBinaryHeaderSize = 128;

// The part of the stored data that is the file, when `header` (the first
// 128 decoded bytes of the entry `info`) is MacLHA's MacBinary header.
struct MacBinaryFork {
  std::uint64_t offset = 0;  // where the fork starts in the decoded data
  std::uint64_t size = 0;
};
std::optional<MacBinaryFork> MacLhaFork(const std::uint8_t* header, const LzhEntryInfo& info);

// Whether an entry's data may begin with MacLHA's MacBinary header.
bool MayHoldMacBinary(const LzhEntryInfo& info);

// Stands between the decoder and the sink of such an entry: holds the first
// 128 bytes until it knows what they are, then passes on either the fork
// alone or every byte.
class MacBinaryFilter {
 public:
  MacBinaryFilter(const EntryReader::DataSink& sink, const LzhEntryInfo& info);
  // As a DataSink.
  int Write(const void* data, std::size_t size);

 private:
  int Pass(const std::uint8_t* data, std::size_t size, std::uint64_t at);

  const EntryReader::DataSink& sink_;
  const LzhEntryInfo& info_;
  std::string held_;
  bool decided_ = false;
  std::optional<MacBinaryFork> fork_;
  std::uint64_t position_ = 0;  // decoded bytes seen so far
};

}  // namespace ks
