#pragma once
// One line of an ISH file. Every line carries a record of bytes — its line
// number, a payload and a CRC-16 — written as text in one of four encodings,
// each made for a mail or BBS path that lets only certain bytes through:
//
//   jis7       7-bit printable ASCII (91 characters), 78 characters a line
//   jis8       ASCII and half-width katakana (128 characters), 79 a line
//   shift_jis  ASCII, katakana and whole Shift-JIS double-byte characters
//   non-kana   like shift_jis without half-width katakana, 79 a line
//
// Bits are taken from the record least significant first throughout.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ks {

enum class IshEncoding { Jis7, Jis8, ShiftJis, NonKana };

// Bytes of a record in this encoding (63, 69, 73, 69): line number,
// payload of length - 3 bytes, CRC-16.
std::size_t IshRecordLength(IshEncoding encoding);
// Characters of an encoded line (78, 79, 78, 79).
std::size_t IshLineLength(IshEncoding encoding);
// "jis7", "jis8", "shift_jis", "non-kana": as the title lines name them.
const char* IshEncodingName(IshEncoding encoding);

using IshRecord = std::vector<std::uint8_t>;

// CRC-16 with the CCITT polynomial 0x1021, most significant bit first.
std::uint16_t IshCrc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0xFFFF);
// Stores the complemented CRC of all but the last two bytes in those two
// (most significant first).
void SealIshRecord(IshRecord& record);
// True when the record's last two bytes hold the CRC of the rest.
bool IshRecordSound(const IshRecord& record);

// The record a line of text carries, exactly IshRecordLength bytes; nullopt
// when the line is too short or holds a character the encoding never writes.
// Characters past the line length are ignored. The CRC is not checked here.
std::optional<IshRecord> DecodeIshLine(IshEncoding encoding, std::string_view line);
// The text line for a record of IshRecordLength bytes. For non-kana the
// line number (first byte) must be below 91.
std::string EncodeIshLine(IshEncoding encoding, const IshRecord& record);

}  // namespace ks
