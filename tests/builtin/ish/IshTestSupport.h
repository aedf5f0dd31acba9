#pragma once
// Helpers of the ISH tests: a writer that encodes data as the Unix ish tool
// lays it out (title, three header lines, blocks of data lines with their
// check lines, progress lines), and a map of where each record line of a
// text stands, so that tests can damage chosen lines.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/ish/IshBlock.h"
#include "archivers/builtin/ish/IshCodec.h"
#include "archivers/builtin/ish/IshHeader.h"
#include "support/Fixtures.h"

namespace ks::test {

// The samples made by the Unix ish tool (fixtures/ish), when they are there.
inline std::optional<std::filesystem::path> IshSamples() {
  const std::filesystem::path folder = FixturesFolder();
  if (folder.empty() || !std::filesystem::is_directory(folder / "ish")) return std::nullopt;
  return folder / "ish";
}
inline constexpr const char* kNoSamples = "no ../shared/fixtures/ish beside the source folder";

struct IshWriteOptions {
  IshEncoding encoding = IshEncoding::Jis7;
  std::string shortField = "TEST    TXT";  // 11 bytes
  std::optional<std::string> title = std::string("test.txt");
  std::uint32_t dosTime = (std::uint32_t{(2024 - 1980) << 9 | 5 << 5 | 17} << 16) |
                          (13u << 11 | 45u << 5 | 30u / 2);  // 2024-05-17 13:45:30
  std::uint8_t volume = 0;      // non-zero: a volume of a set
  bool partLine = false;        // add "<<< Part 1/2 [ n lines ] >>>"
  bool breakFileCrc = false;    // store a wrong CRC of the whole file
  std::optional<std::uint32_t> claimedSize;  // a header that lies about the size
  bool colourTitle = false;     // wrap the title in ANSI colour sequences
  std::string newline = "\n";
};

struct IshText {
  std::vector<std::string> lines;
  // For every block, the index in `lines` of each record line, by line
  // number (0 where the block has no such line).
  std::vector<std::vector<std::size_t>> blocks;
  std::string newline = "\n";

  std::string Text() const {
    std::string text;
    for (const std::string& line : lines) text += line + newline;
    return text;
  }
};

inline IshText WriteIsh(const std::string& data, const IshWriteOptions& o = {}) {
  IshText out;
  out.newline = o.newline;
  const std::size_t length = IshRecordLength(o.encoding);
  const std::size_t payload = length - 3;

  std::string stream = data;
  auto crc = static_cast<std::uint16_t>(
      ~IshCrc16(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
  if (o.breakFileCrc) crc ^= 0x0100;
  stream += static_cast<char>(crc >> 8);
  stream += static_cast<char>(crc & 0xFF);
  const std::size_t totalLines = (stream.size() + payload - 1) / payload;
  stream.resize(totalLines * payload, '\0');

  if (o.title) {
    std::string title = "<<< " + *o.title + " for UNIX ( use " + IshEncodingName(o.encoding) +
                        " ish ) [ " + std::to_string(totalLines) + " lines ] test >>>";
    if (o.colourTitle) title = "\x1b[32m" + title + "\x1b[m";
    out.lines.push_back(title);
  }
  if (o.partLine) out.lines.push_back("<<< Part 1/2 [ 10 lines ] >>>");
  const IshEncoding headerEncoding = o.encoding == IshEncoding::Jis8 ? IshEncoding::Jis8 : IshEncoding::Jis7;
  const std::string header = EncodeIshLine(
      headerEncoding, MakeIshHeaderRecord(o.encoding, o.claimedSize.value_or(static_cast<std::uint32_t>(data.size())),
                                          o.shortField, o.dosTime, o.volume));
  for (int i = 0; i < 3; ++i) out.lines.push_back(header);

  std::size_t written = 0;
  auto put = [&](const std::string& line) {
    out.lines.push_back(line);
    if (++written % 50 == 0) out.lines.push_back("--- test (" + std::to_string(written) + ") ---");
  };
  for (std::size_t first = 0; first < totalLines; first += payload) {
    const std::size_t count = std::min(payload, totalLines - first);
    IshBlock block(length, count);
    std::vector<std::size_t> where(length + 1, 0);
    for (std::size_t n = 1; n <= count; ++n) {
      IshRecord record(length, 0);
      record[0] = static_cast<std::uint8_t>(n);
      const std::size_t at = (first + n - 1) * payload;
      for (std::size_t i = 0; i < payload; ++i) record[1 + i] = static_cast<std::uint8_t>(stream[at + i]);
      SealIshRecord(record);
      block.Place(record);
      put(EncodeIshLine(o.encoding, record));
      where[n] = out.lines.size() - 1;
    }
    for (const IshRecord& check : block.MakeCheckRecords()) {
      put(EncodeIshLine(o.encoding, check));
      where[check[0]] = out.lines.size() - 1;
    }
    out.blocks.push_back(where);
  }
  return out;
}

// The record lines of an ISH text in the given encoding, block by block:
// the index of each line by its line number, as WriteIsh lists them.
inline std::vector<std::vector<std::size_t>> MapRecordLines(const std::vector<std::string>& lines,
                                                            IshEncoding encoding) {
  std::vector<std::vector<std::size_t>> blocks;
  unsigned last = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto record = DecodeIshLine(encoding, lines[i]);
    if (!record || !IshRecordSound(*record) || (*record)[0] == 0) continue;
    const unsigned number = (*record)[0];
    if (blocks.empty() || number < last)
      blocks.emplace_back(IshRecordLength(encoding) + 1, 0);
    blocks.back()[number] = i;
    last = number;
  }
  return blocks;
}

// Changes one character so that the line no longer passes its CRC (or no
// longer decodes at all).
inline void Damage(std::string& line, std::size_t at = 20) {
  line[at] = line[at] == 'A' ? 'B' : 'A';
}

}  // namespace ks::test
