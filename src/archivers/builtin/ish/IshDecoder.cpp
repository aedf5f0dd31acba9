#include "archivers/builtin/ish/IshDecoder.h"

#include <algorithm>

#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/ish/IshBlock.h"
#include "archivers/builtin/ish/IshNames.h"

namespace ks {
namespace {

// Longer than any ISH line or title; the rest of a longer line is dropped.
constexpr std::size_t kMaxLine = 512;

// The payload of the data lines: the file, its CRC-16 (complemented, most
// significant byte first), then zeros to the end of the last line.
class PayloadStream {
 public:
  PayloadStream(std::uint32_t size, const IshSink& sink) : remaining_(size), sink_(sink) {}

  int Feed(const std::uint8_t* data, std::size_t size) {
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
    if (take > 0) {
      crc_ = IshCrc16(data, take, crc_);
      if (const int r = sink_(data, take); r != kArcOk) return r;
      remaining_ -= take;
    }
    for (std::size_t i = take; i < size && stored_ < 2; ++i) storedCrc_[stored_++] = data[i];
    return kArcOk;
  }

  bool CrcMatches() const {
    const auto expected = static_cast<std::uint16_t>(~crc_);
    return stored_ == 2 && storedCrc_[0] == (expected >> 8) && storedCrc_[1] == (expected & 0xFF);
  }

 private:
  std::uint64_t remaining_;
  const IshSink& sink_;
  std::uint16_t crc_ = 0xFFFF;
  std::uint8_t storedCrc_[2] = {0, 0};
  int stored_ = 0;
};

// "3, 4, 5"; a long list is cut after a few numbers and counted.
std::string NumberList(const std::vector<unsigned>& numbers) {
  constexpr std::size_t kShown = 8;
  std::string text;
  for (std::size_t i = 0; i < numbers.size() && i < kShown; ++i)
    text += (i == 0 ? "" : ", ") + std::to_string(numbers[i]);
  if (numbers.size() > kShown) text += ", ... (" + std::to_string(numbers.size()) + " in all)";
  return text;
}

// The Shift-JIS bytes of a line that a text editor turned into UTF-8; nullopt
// for a line that is plain ASCII or no such text.
std::optional<std::string> Cp932Form(const std::string& line) {
  const bool high = std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) != 0; });
  if (!high || !IsValidUtf8(line)) return std::nullopt;
  return Utf8ToCp932Exact(line);
}

// The sound record a data line carries, also when it was turned into UTF-8.
std::optional<IshRecord> SoundRecord(IshEncoding encoding, const std::string& line) {
  if (auto record = DecodeIshLine(encoding, line); record && IshRecordSound(*record)) return record;
  if (const auto cp932 = Cp932Form(line))
    if (auto record = DecodeIshLine(encoding, *cp932); record && IshRecordSound(*record)) return record;
  return std::nullopt;
}

// The header a line carries, also when it was turned into UTF-8.
std::optional<IshHeader> HeaderOf(const std::string& line) {
  if (line.empty() || (line[0] != '!' && line[0] != '#')) return std::nullopt;
  if (auto header = ReadIshHeaderLine(line)) return header;
  if (const auto cp932 = Cp932Form(line)) return ReadIshHeaderLine(*cp932);
  return std::nullopt;
}

std::string TooDamagedText(std::size_t block, std::size_t blocks, const IshBlock& b,
                           const std::vector<unsigned>& lost) {
  std::string text = "block " + std::to_string(block) + " of " + std::to_string(blocks) +
                     ": data line" + (lost.size() == 1 ? " " : "s ") + NumberList(lost) +
                     " damaged or missing";
  std::vector<std::string> checks;
  if (!b.Has(b.columnLine())) checks.push_back("column");
  if (!b.Has(b.diagonalLine())) checks.push_back("diagonal");
  if (!checks.empty()) {
    text += ", and its " + checks[0] + (checks.size() > 1 ? " and " + checks[1] : "") +
            " check line" + (checks.size() > 1 ? "s" : "") + " too";
  }
  return text + "; the check lines rebuild two lines at most";
}

}  // namespace

IshLineReader::IshLineReader(std::FILE* file, std::uint64_t byteLimit)
    : file_(file), limit_(byteLimit) {}

bool IshLineReader::Next(std::string& line) {
  if (back_) {
    line = std::move(*back_);
    back_.reset();
    return true;
  }
  line.clear();
  bool any = false;
  for (;;) {
    if (pos_ == end_ && !Fill()) return any && !readError_;
    any = true;
    const char* from = buffer_.data() + pos_;
    const char* stop = buffer_.data() + end_;
    // LF, CR LF and the old Macintosh CR all end a line (CR LF gives an
    // empty line more, which nothing reads).
    const char* p = from;
    for (; p < stop && *p != '\n' && *p != '\r'; ++p) {
      // Terminals add colour sequences; the encodings never write a
      // control character.
      const auto c = static_cast<unsigned char>(*p);
      if (c > 0x1F && c != 0x7F && line.size() < kMaxLine) line += static_cast<char>(c);
    }
    pos_ = static_cast<std::size_t>(p - buffer_.data());
    if (p < stop) {
      ++pos_;
      return true;
    }
  }
}

bool IshLineReader::Fill() {
  pos_ = end_ = 0;
  std::size_t want = buffer_.size();
  if (limit_ != 0) {
    if (read_ >= limit_) return false;
    want = static_cast<std::size_t>(std::min<std::uint64_t>(want, limit_ - read_));
  }
  end_ = std::fread(buffer_.data(), 1, want, file_);
  read_ += end_;
  if (end_ == 0 && std::ferror(file_)) readError_ = true;
  return end_ > 0;
}

void IshLineReader::PutBack(std::string line) { back_ = std::move(line); }

IshDecoder::IshDecoder(IshLineReader& lines, std::string fallbackName)
    : lines_(lines), fallbackName_(std::move(fallbackName)) {}

void IshDecoder::NoteTitle(const std::string& line) {
  if (auto name = IshTitleName(line)) {
    title_ = std::move(name);
    part_ = false;
  } else if (IshIsPartLine(line)) {
    part_ = true;
  }
}

std::optional<IshEntry> IshDecoder::NextFile() {
  std::string line;
  while (lines_.Next(line)) {
    if (auto header = HeaderOf(line)) {
      if (header->record == lastHeader_) continue;
      lastHeader_ = header->record;
      IshEntry entry;
      entry.name = ChooseIshName(title_, header->shortName, fallbackName_);
      entry.header = std::move(*header);
      entry.titleName = std::move(title_);
      entry.partLine = part_;
      title_.reset();
      part_ = false;
      return entry;
    }
    NoteTitle(line);
  }
  return std::nullopt;
}

IshOutcome IshDecoder::ReadData(const IshEntry& entry, const IshSink& sink) {
  const std::optional<IshEncoding> encoding = entry.header.encoding();
  if (!encoding) return {kArcMethod, "unknown encoding (code " + std::to_string(entry.header.code) + ")"};
  const std::size_t length = IshRecordLength(*encoding);
  const std::size_t payload = length - 3;
  const std::uint64_t totalLines = (std::uint64_t{entry.header.size} + 2 + payload - 1) / payload;
  const std::uint64_t blocks = (totalLines + payload - 1) / payload;

  PayloadStream stream(entry.header.size, sink);
  IshOutcome outcome;
  std::vector<std::uint8_t> data;
  std::string line;
  for (std::uint64_t b = 0; b < blocks; ++b) {
    const std::size_t dataLines = static_cast<std::size_t>(std::min<std::uint64_t>(payload, totalLines - b * payload));
    IshBlock block(length, dataLines);
    unsigned last = 0;
    bool any = false, ended = false, nextFile = false;
    for (;;) {
      if (!lines_.Next(line)) {
        ended = true;
        break;
      }
      const std::optional<IshRecord> record = SoundRecord(*encoding, line);
      if (record && (*record)[0] != 0) {
        const unsigned number = (*record)[0];
        // Line numbers start again at 1 in every block; a lower number than
        // the last one seen is the next block, whatever was lost between.
        if (any && number < last) {
          lines_.PutBack(std::move(line));
          break;
        }
        if (!block.Place(*record)) continue;
        last = number;
        any = true;
        if (number == block.diagonalLine()) break;
        continue;
      }
      if (auto header = HeaderOf(line)) {
        if (header->record == entry.header.record) continue;  // the header's repeats
        lines_.PutBack(std::move(line));
        nextFile = true;
        break;
      }
      // The next file's title may come before this file's data is done
      // with (its last check line lost).
      NoteTitle(line);
    }
    if (lines_.readError()) return {kArcCannotRead, "the file could not be read to its end"};
    const std::string where = "block " + std::to_string(b + 1) + " of " + std::to_string(blocks);
    if (!any)
      return {kArcUnexpectedEof, "the encoded data ends before " + where +
                                     (nextFile ? " (another encoded file begins)" : "")};
    std::vector<unsigned> lost;
    switch (block.Complete(lost)) {
      case IshBlock::State::Whole:
        break;
      case IshBlock::State::Mended:
        outcome.mended += static_cast<unsigned>(lost.size());
        break;
      case IshBlock::State::TooDamaged:
        if (ended || nextFile)
          return {kArcUnexpectedEof, "the encoded data ends inside " + where +
                                         (nextFile ? " (another encoded file begins)" : "")};
        return {kArcBrokenData, TooDamagedText(b + 1, blocks, block, lost)};
    }
    data.clear();
    for (unsigned r = 1; r <= dataLines; ++r)
      data.insert(data.end(), block.Payload(r), block.Payload(r) + block.payloadSize());
    if (const int r = stream.Feed(data.data(), data.size()); r != kArcOk) return {r, ""};
    if ((ended || nextFile) && b + 1 < blocks)
      return {kArcUnexpectedEof, "the encoded data ends after " + where};
  }
  if (!stream.CrcMatches())
    return {kArcFileCrc, "CRC error: the decoded file does not match its CRC"};
  return outcome;
}

std::vector<IshEntry> ScanIshFile(std::FILE* file, std::uint64_t byteLimit,
                                  const std::string& fallbackName, std::size_t maxEntries) {
  IshLineReader lines(file, byteLimit);
  IshDecoder decoder(lines, fallbackName);
  std::vector<IshEntry> entries;
  while (entries.size() < maxEntries) {
    std::optional<IshEntry> entry = decoder.NextFile();
    if (!entry) break;
    entries.push_back(std::move(*entry));
  }
  return entries;
}

}  // namespace ks
