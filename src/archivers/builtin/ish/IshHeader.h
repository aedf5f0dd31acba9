#pragma once
// The header record of an encoded file, and the title lines around it.
//
// The header is a record with line number 0, written three times before the
// data in jis7 (lines starting "!") or, for jis8 files, in jis8 (lines
// starting "#"). It names the file in 8.3 form, its size, the encoding of
// the data lines and the file's DOS time. The title line before it, for
// people, reads "<<< name for OS ( use jis7 ish ) [ n lines ] ... >>>" and
// may carry the file's long name.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "archivers/builtin/ish/IshCodec.h"

namespace ks {

struct IshHeader {
  IshRecord record;             // as decoded, for telling repeats from a new file
  std::uint8_t volume = 0;      // 0 for a whole file, n for volume n of a set
  std::uint32_t size = 0;       // bytes of the encoded file
  std::uint16_t recordLength = 0;
  std::uint8_t code = 0;        // 13 jis7, 8 jis8, 15 shift_jis, 14 non-kana
  std::string shortName;        // the 11 bytes of the 8.3 name, space-padded, no dot
  std::uint8_t os = 0;
  bool hasTime = false;
  std::uint32_t dosTime = 0;    // date in the high 16 bits, time in the low
  bool multiVolume = false;     // a volume of a set (.i01, .i02, ...)

  // The encoding of the data lines; nullopt for a code (or a code and record
  // length together) this decoder does not know.
  std::optional<IshEncoding> encoding() const;
};

// Header codes of the encodings.
std::uint8_t IshHeaderCode(IshEncoding encoding);

// The header a text line carries: decoded as jis7 ("!") or jis8 ("#") by its
// first character, CRC sound, line number 0. nullopt for any other line.
std::optional<IshHeader> ReadIshHeaderLine(std::string_view line);

// The header record for a file, sealed; what a writer puts in the header
// lines (jis7, or jis8 for jis8 files).
IshRecord MakeIshHeaderRecord(IshEncoding encoding, std::uint32_t size,
                              const std::string& shortName11, std::uint32_t dosTime,
                              std::uint8_t volume = 0);

// The file name of a title line "<<< name for ... ( use ... ) ... >>>" (ANSI
// colour sequences around it allowed); nullopt for any other line.
std::optional<std::string> IshTitleName(std::string_view line);
// True for the line "<<< Part n/m [ k lines ] >>>" of a multi-volume set.
bool IshIsPartLine(std::string_view line);

// Seconds since 1970 of the header's DOS date and time, read as local time
// (the header's time-zone bytes are often left empty by encoders); nullopt
// when the header has no time or an impossible one.
std::optional<std::int64_t> IshFileTime(const IshHeader& header);
// The header's 32-bit form of a DOS stamp: date in the high 16 bits.
std::uint32_t IshDosTime(std::int64_t seconds);

}  // namespace ks
