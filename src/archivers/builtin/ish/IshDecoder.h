#pragma once
// Reads an ISH text: finds each encoded file's header and decodes its data
// lines block by block. A line that does not decode or fails its CRC is
// skipped; the block's check lines rebuild up to two lost lines; the whole
// file's CRC-16 is checked at its end. Text around the encoded lines (mail
// headers, messages, title and progress lines) is passed over. Lines that a
// text editor turned from Shift-JIS into UTF-8 are turned back.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/ish/IshHeader.h"

namespace ks {

// The lines of a text file, control characters (ESC, ...) removed. A line
// longer than any ISH line is kept only in part, so a binary file of any
// size costs little memory.
class IshLineReader {
 public:
  // Reads `file` (not owned, and read by nothing else meanwhile) from where
  // it stands; stops after `byteLimit` bytes (0: no limit).
  explicit IshLineReader(std::FILE* file, std::uint64_t byteLimit = 0);
  // The next line; false at the end of the text or on a read error.
  bool Next(std::string& line);
  // The line read last is read again by the next call of Next.
  void PutBack(std::string line);
  bool readError() const { return readError_; }

 private:
  bool Fill();

  std::FILE* file_;
  std::uint64_t limit_;
  std::uint64_t read_ = 0;
  std::vector<char> buffer_ = std::vector<char>(1 << 16);
  std::size_t pos_ = 0, end_ = 0;
  std::optional<std::string> back_;
  bool readError_ = false;
};

// One encoded file found in the text.
struct IshEntry {
  IshHeader header;
  std::optional<std::string> titleName;  // raw bytes of the title's name
  bool partLine = false;                 // a "<<< Part n/m" line came with it
  std::string name;                      // the name to restore under (UTF-8)
};

// Where decoded data goes: returns 0 to go on, or a result code that ends
// the decoding with that code (a write error, Cancel).
using IshSink = std::function<int(const std::uint8_t* data, std::size_t size)>;

struct IshOutcome {
  int code = 0;          // an ArcResult
  std::string message;   // what went wrong, for the log
  unsigned mended = 0;   // lines rebuilt from the check lines
};

class IshDecoder {
 public:
  // `fallbackName` names a file whose header and title give no name.
  IshDecoder(IshLineReader& lines, std::string fallbackName);

  // The next encoded file's header; nullopt when the text holds no more.
  // The repeats of the header just found are passed over.
  std::optional<IshEntry> NextFile();
  // Decodes the data of the file NextFile found into `sink`. Call it for
  // every file found, also to pass over one that is not restored (with a
  // sink that takes nothing).
  IshOutcome ReadData(const IshEntry& entry, const IshSink& sink);

 private:
  // Keeps the title ("<<< name for ...") and "<<< Part" lines for the
  // header that follows them.
  void NoteTitle(const std::string& line);

  IshLineReader& lines_;
  std::string fallbackName_;
  IshRecord lastHeader_;
  std::optional<std::string> title_;
  bool part_ = false;
};

// The encoded files of a text, headers only (their data is not decoded),
// at most `maxEntries` of them.
std::vector<IshEntry> ScanIshFile(std::FILE* file, std::uint64_t byteLimit,
                                  const std::string& fallbackName, std::size_t maxEntries);

}  // namespace ks
