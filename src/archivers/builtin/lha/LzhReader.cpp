#include "archivers/builtin/lha/LzhReader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <vector>

#include "archivers/builtin/common/PooledBytes.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/codec/LzhCrc16.h"
#include "archivers/builtin/lha/LzhDecoders.h"
#include "archivers/builtin/lha/LzhEntryPath.h"
#include "archivers/builtin/lha/LzhHeaderParser.h"
#include "archivers/builtin/lha/LzhHeaderSearch.h"
#include "archivers/builtin/lha/LzhMacBinary.h"

namespace ks {

namespace {

constexpr std::uint8_t kDosReadOnlyBit = 0x01;
constexpr std::uint8_t kDosFolderBit = 0x10;
constexpr unsigned kUnixTypeMask = 0170000;
constexpr unsigned kUnixFolder = 0040000;

// Passes decoded bytes on and keeps their CRC.
class CrcOutput : public DecodeOutput {
 public:
  explicit CrcOutput(const EntryReader::DataSink& sink) : sink_(sink) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    crc_.Update(data, size);
    result_ = sink_(data, size);
    return result_ == kArcOk;
  }
  std::uint16_t crc() const { return crc_.value(); }
  int result() const { return result_; }

 private:
  const EntryReader::DataSink& sink_;
  LzhCrc16 crc_;
  int result_ = kArcOk;
};

bool IsFolder(const LzhEntryInfo& info) {
  if (info.method == "-lhd-") return true;
  if (info.unixMode && (*info.unixMode & kUnixTypeMask) == kUnixFolder) return true;
  // Some MS-DOS tools store folders as empty stored files with the folder
  // attribute or a trailing separator.
  if (info.originalSize != 0 || info.compressedSize != 0) return false;
  const char last = info.rawName.empty() ? '\0' : info.rawName.back();
  return (info.dosAttribute & kDosFolderBit) || last == '\\' || last == '/';
}

// Whether the bytes before the first sound header, at `next`, are an entry
// whose header was damaged rather than the program of a self-extracting
// archive: read as a header of any level, its sizes lead exactly there.
bool DamagedEntryBefore(LzhArchiveFile& file, std::uint64_t next) {
  std::uint8_t b[28] = {};
  file.Seek(0);
  const bool whole = file.Read(b, sizeof b) == sizeof b;
  file.Seek(next);
  if (!whole) return false;
  const std::uint64_t packed = LoadLe32(b + 7);
  return b[0] + 2 + packed == next || LoadLe16(b) + packed == next || LoadLe32(b + 24) + packed == next;
}

}  // namespace

LzhReader::LzhReader() = default;
LzhReader::~LzhReader() = default;

int LzhReader::Open(const std::string& path) {
  if (!file_.Open(path)) return Fail(kArcArcFileOpen, "cannot open " + path + ": " + std::strerror(file_.errorNumber()));
  if (const auto first = FindFirstLzhHeader(file_)) {
    // Passing over a first entry that is only damaged would lose it in silence.
    if (*first > 0 && DamagedEntryBefore(file_, *first)) {
      firstDamaged_ = true;
      searchFrom_ = *first;
    }
    return kArcOk;
  }
  // An archive without entries is its end mark alone.
  file_.Seek(0);
  std::uint8_t first = 0xFF;
  if (file_.size() > 0 && file_.size() <= 2 && file_.Read(&first, 1) == 1 && first == 0) {
    empty_ = true;
    return kArcOk;
  }
  if (file_.readFailed()) return Fail(kArcCannotRead, "read error in " + path);
  return Fail(kArcNotArcFile, "not an LZH archive: " + path);
}

EntryDecoder* LzhReader::DecoderFor(const std::string& method) {
  auto it = decoders_.find(method);
  if (it == decoders_.end()) it = decoders_.emplace(method, MakeLzhDecoder(method)).first;
  return it->second.get();
}

EntryReader::Next LzhReader::NextEntry() {
  if (empty_) return Next::End;
  if (firstDamaged_) {
    firstDamaged_ = false;
    Fail(kArcHeaderBroken, "the first header is damaged");
    return Next::Damaged;
  }
  if (searchFrom_) {
    const auto found = FindSoundLzhHeader(file_, *searchFrom_, file_.size(), std::numeric_limits<int>::max());
    searchFrom_.reset();
    if (!found) return Next::End;  // the damage was told when it was met
  } else if (haveEntry_) {
    file_.Seek(info_.dataOffset + info_.compressedSize);
  }
  haveEntry_ = false;
  std::string why;
  switch (ReadLzhHeader(file_, info_, why)) {
    case LzhHeaderResult::End: return Next::End;
    case LzhHeaderResult::Unmarked:
      // LHA tools end an archive with a zero byte; without it an archive
      // cut between two entries would pass as whole with its later entries
      // lost. LArc wrote no end mark, so its archives may end anywhere.
      if (!lhaMethodSeen_) return Next::End;
      Fail(kArcUnexpectedEof, "the archive ends without its end mark (cut short?) at offset " +
                                  std::to_string(info_.headerOffset));
      return Next::Broken;
    case LzhHeaderResult::Broken:
      if (file_.readFailed()) {
        Fail(kArcCannotRead, why + " at offset " + std::to_string(info_.headerOffset));
        return Next::Broken;
      }
      Fail(kArcHeaderBroken, why + " at offset " + std::to_string(info_.headerOffset));
      searchFrom_ = info_.headerOffset + 1;
      return Next::Damaged;
    case LzhHeaderResult::Entry: break;
  }
  haveEntry_ = true;
  if (info_.method.rfind("-lh", 0) == 0) lhaMethodSeen_ = true;
  const LzhEntryPath path = MakeLzhEntryPath(info_);
  entry_ = ExtractEntry{};
  entry_.name = path.path;
  entry_.size = info_.originalSize;
  entry_.mtime = info_.mtime;
  if (path.isLink) {
    entry_.type = EntryType::Symlink;
    entry_.link = path.linkTarget;
  } else if (IsFolder(info_)) {
    entry_.type = EntryType::Directory;
  }
  if (info_.unixMode)
    entry_.mode = *info_.unixMode & 07777;
  else if (info_.dosAttribute & kDosReadOnlyBit)
    entry_.mode = entry_.type == EntryType::Directory ? 0555u : 0444u;
  return Next::Entry;
}

namespace {

// How the coded input of an entry ended, for a decode cut short.
struct InputEnd {
  bool readFailed = false;
  int errorNumber = 0;
  bool missing = false;  // the file ended first
};

// An entry's coded bytes read ahead into memory.
class BytesInput : public DecodeInput {
 public:
  explicit BytesInput(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, bytes_.size() - next_);
    std::memcpy(buffer, bytes_.data() + next_, n);
    next_ += n;
    return n;
  }

 private:
  const std::vector<std::uint8_t>& bytes_;
  std::size_t next_ = 0;
};

// Decodes one entry from `input` to `sink` and verifies its CRC: kArcOk, or
// the failure with `why` telling it.
int DecodeEntry(EntryDecoder& decoder, const LzhEntryInfo& info, DecodeInput& input,
                const std::function<InputEnd()>& inputEnd, const EntryReader::DataSink& sink, std::string& why) {
  // MacLHA's MacBinary header and resource fork count for the CRC, but only
  // the file's own data goes out.
  std::optional<MacBinaryFilter> mac;
  if (MayHoldMacBinary(info)) mac.emplace(sink, info);
  const EntryReader::DataSink macSink = [&mac](const void* data, std::size_t size) { return mac->Write(data, size); };
  CrcOutput output(mac ? macSink : sink);
  const DecodeError e = decoder.Decode(input, info.originalSize, output);
  switch (e) {
    case DecodeError::None: break;
    case DecodeError::OutputStopped: return output.result();
    case DecodeError::Truncated: {
      const InputEnd end = inputEnd();
      if (end.readFailed) {
        why = "read error: " + std::string(std::strerror(end.errorNumber));
        return kArcCannotRead;
      }
      if (end.missing) {
        why = "the archive ends inside this entry";
        return kArcUnexpectedEof;
      }
      why = DecodeErrorText(e);
      return kArcBrokenData;
    }
    case DecodeError::Damaged:
      why = DecodeErrorText(e);
      return kArcBrokenData;
  }
  if (output.crc() != info.dataCrc) {
    why = "CRC error";
    return kArcFileCrc;
  }
  return kArcOk;
}

}  // namespace

int LzhReader::ReadData(const DataSink& sink) {
  if (!haveEntry_) return Fail(kArcBrokenData, "no entry");
  if (entry_.type != EntryType::File) return kArcOk;
  EntryDecoder* decoder = DecoderFor(info_.method);
  if (!decoder) return Fail(kArcMethod, "method " + info_.method + " is not supported");
  file_.Seek(info_.dataOffset);
  LzhDataInput input(file_, info_.compressedSize);
  std::string why;
  const int r = DecodeEntry(
      *decoder, info_, input, [&] { return InputEnd{file_.readFailed(), file_.errorNumber(), input.missing()}; },
      sink, why);
  return r == kArcOk ? r : Fail(r, why);
}

std::optional<DetachedData> LzhReader::DetachData(std::uint64_t largest) {
  if (!haveEntry_ || entry_.type != EntryType::File) return std::nullopt;
  if (info_.originalSize > largest || info_.compressedSize > largest) return std::nullopt;
  if (!DecoderFor(info_.method)) return std::nullopt;
  // Reading stays in this thread, in the order of the file; only the
  // decoding moves.
  file_.Seek(info_.dataOffset);
  auto coded = std::make_shared<PooledBytes>(static_cast<std::size_t>(info_.compressedSize));
  std::vector<std::uint8_t>& bytes = coded->bytes();
  bytes.resize(static_cast<std::size_t>(info_.compressedSize));
  bytes.resize(file_.Read(bytes.data(), bytes.size()));
  const InputEnd end{file_.readFailed(), file_.errorNumber(), bytes.size() < info_.compressedSize};
  DetachedData data;
  data.size = info_.originalSize;
  data.decode = [coded, end, info = info_](const DetachedData::Sink& sink, std::string& why) {
    // Each worker keeps decoders of its own, as the reader does: making
    // their tables afresh for every entry cost more than the decoding.
    thread_local std::map<std::string, std::unique_ptr<EntryDecoder>> decoders;
    auto it = decoders.find(info.method);
    if (it == decoders.end()) it = decoders.emplace(info.method, MakeLzhDecoder(info.method)).first;
    BytesInput input(coded->bytes());
    return DecodeEntry(*it->second, info, input, [end] { return end; }, sink, why);
  };
  return data;
}

int LzhReader::SkipData() {
  // NextEntry moves past the data.
  return kArcOk;
}

}  // namespace ks
