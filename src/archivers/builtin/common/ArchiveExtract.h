#pragma once
// The three things every reading back-end does with an archive: extract it
// into a folder, test every entry, and tell quickly whether it is one of its
// formats. libarchive reads; SafeExtract writes.

#include <string>

#include "archivers/builtin/common/ArchiveReader.h"
#include "archivers/builtin/common/EntryReader.h"
#include "archivers/builtin/common/OutputLog.h"
#include "platform/Platform.h"

namespace ks {

struct ExtractRequest {
  std::string archive;
  std::string folder;
  unsigned formats = 0;  // ArchiveFormats
  ArchiveGuardMaker guard = nullptr;  // the format's own checks, if any
  WindowHandle owner = nullptr;
  // Ask the host for passwords of encrypted entries; otherwise they fail.
  bool askPasswords = false;
  // Name of the one file of a kFormatSingle archive.
  std::string singleName;
  std::string progressTitle;
};

// Extracts every entry; 0, or the ArcResult of the first failure (logged).
int ExtractArchive(const ExtractRequest& request, OutputLog& log);
// The same for a reader of our own, already opened (request.formats and
// the password and single-name fields are then unused).
int ExtractEntries(EntryReader& reader, const ExtractRequest& request, OutputLog& log);
// The same, reading ahead of the writing on a thread of its own when there
// is a core for it (ReadAheadReader): for a reader that decodes one run of
// data after another and cannot hand entries to the workers. The reader
// must not ask for passwords.
int ExtractEntriesReadingAhead(EntryReader& reader, const ExtractRequest& request, OutputLog& log);
// Opens a reader of our own (an EntryReader with Open(path)) on
// request.archive and extracts it; an archive that does not open is logged
// and its result returned.
template <typename Reader>
int OpenAndExtract(Reader& reader, const ExtractRequest& request, OutputLog& log) {
  if (const int r = reader.Open(request.archive); r != 0) {
    log.Line(reader.errorText());
    return r;
  }
  return ExtractEntries(reader, request, log);
}

// Reads every entry's data, which verifies its CRC. Encrypted entries cannot
// be verified without a password and a check never asks for one: their
// headers are read and their data skipped. 0 when sound.
int TestArchive(const std::string& archive, unsigned formats, OutputLog& log,
                ArchiveGuardMaker guard = nullptr);
// The same for a reader already opened.
int TestEntries(EntryReader& reader, OutputLog& log);

// The quick check: the file opens as one of `formats` and its first entry
// header reads.
bool LooksLikeArchive(const std::string& archive, unsigned formats, ArchiveGuardMaker guard = nullptr);

// CheckArchive of the common interface on top of the two above: mode 2 (and
// any mode asking for more than the quick test) is the full test.
int CheckArchiveMode(const std::string& archive, unsigned formats, int mode,
                     ArchiveGuardMaker guard = nullptr);

}  // namespace ks
