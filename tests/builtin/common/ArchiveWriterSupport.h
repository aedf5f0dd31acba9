#pragma once
// Writes archives entry by entry with libarchive, so tests can make the
// hostile and odd archives no peer tool would.

#include <archive.h>
#include <archive_entry.h>

#include <string>
#include <vector>

#include "archivers/builtin/common/Utf8Locale.h"

namespace ks::test {

struct RawEntry {
  RawEntry(std::string n, unsigned t = AE_IFREG, std::string d = "", std::string sym = "",
           std::string hard = "", unsigned m = 0644)
      : name(std::move(n)), type(t), data(std::move(d)), symlink(std::move(sym)),
        hardlink(std::move(hard)), mode(m) {}
  std::string name;
  unsigned type;  // AE_IFREG, AE_IFDIR, AE_IFLNK, AE_IFCHR, AE_IFIFO
  std::string data;
  std::string symlink;
  std::string hardlink;
  unsigned mode;
};

enum class RawFormat { Tar, Zip };

inline bool WriteRawArchive(const std::string& file, RawFormat format,
                            const std::vector<RawEntry>& entries) {
  Utf8Locale locale;
  archive* a = archive_write_new();
  if (format == RawFormat::Tar)
    archive_write_set_format_pax_restricted(a);
  else
    archive_write_set_format_zip(a);
  if (archive_write_open_filename(a, file.c_str()) != ARCHIVE_OK) {
    archive_write_free(a);
    return false;
  }
  bool ok = true;
  for (const RawEntry& r : entries) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname_utf8(e, r.name.c_str());
    archive_entry_set_filetype(e, r.type);
    archive_entry_set_perm(e, r.mode);
    archive_entry_set_mtime(e, 1600000000, 0);
    if (!r.symlink.empty()) archive_entry_set_symlink_utf8(e, r.symlink.c_str());
    if (!r.hardlink.empty()) archive_entry_set_hardlink_utf8(e, r.hardlink.c_str());
    archive_entry_set_size(e, r.type == AE_IFREG && r.hardlink.empty()
                                  ? static_cast<la_int64_t>(r.data.size())
                                  : 0);
    ok = ok && archive_write_header(a, e) == ARCHIVE_OK;
    if (r.type == AE_IFREG && !r.data.empty() && r.hardlink.empty())
      ok = ok && archive_write_data(a, r.data.data(), r.data.size()) ==
                     static_cast<la_ssize_t>(r.data.size());
    archive_entry_free(e);
  }
  ok = archive_write_close(a) == ARCHIVE_OK && ok;
  archive_write_free(a);
  return ok;
}

}  // namespace ks::test
