#include "archivers/builtin/zip/ZipWriter.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "archivers/builtin/common/PackReader.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"
#include "archivers/builtin/common/Utf8Locale.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

using ArchivePtr = std::unique_ptr<archive, int (*)(archive*)>;
using EntryPtr = std::unique_ptr<archive_entry, void (*)(archive_entry*)>;

std::string ErrorText(archive* a) {
  const char* text = archive_error_string(a);
  return text ? text : "unknown error";
}

int WriteFailure(archive* a, const std::string& what, OutputLog& log) {
  log.Line(what + ": " + ErrorText(a));
  const int err = archive_errno(a);
  return err > 0 ? WriteErrorResult(err) : kArcCannotWrite;
}

std::int64_t UnixSeconds(fs::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

unsigned PermissionsOf(const PackItem& item) {
  std::error_code ec;
  const auto perms = fs::status(item.source, ec).permissions();
  if (ec) return item.isFolder ? 0755 : 0644;
  return static_cast<unsigned>(perms) & 0777;
}

}  // namespace

int WriteZip(WindowHandle owner, const PackPlan& plan, const fs::path& file,
             const std::optional<std::string>& password, int level, OutputLog& log) {
  Utf8Locale utf8;
  ArchivePtr a(archive_write_new(), archive_write_free);
  if (!a) return kArcCannotWrite;
  level = std::clamp(level, 0, 9);
  const std::string method = level == 0 ? "zip:compression=store"
                                        : "zip:compression=deflate,zip:compression-level=" +
                                              std::to_string(level);
  if (archive_write_set_format_zip(a.get()) != ARCHIVE_OK ||
      archive_write_set_options(a.get(), method.c_str()) != ARCHIVE_OK) {
    log.Line("ZIP writer unavailable: " + ErrorText(a.get()));
    return kArcCannotWrite;
  }
  if (password) {
    if (archive_write_set_options(a.get(), "zip:encryption=zipcrypt") != ARCHIVE_OK ||
        archive_write_set_passphrase(a.get(), password->c_str()) != ARCHIVE_OK) {
      log.Line("ZIP encryption unavailable: " + ErrorText(a.get()));
      return kArcNotSupported;
    }
  }
  if (archive_write_open_filename(a.get(), file.c_str()) != ARCHIVE_OK)
    return WriteFailure(a.get(), "cannot create " + file.string(), log);

  PackReader reader(owner, "Zip", plan.totalBytes, log);
  for (const PackItem& item : plan.items) {
    std::uint64_t size = 0;
    if (!item.isFolder) {
      if (int r = reader.Open(item, size); r != kArcOk) return r;
    } else if (!reader.Tick(item.archiveName)) {
      return kArcUserCancel;
    }
    EntryPtr entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname(entry.get(),
                               (item.archiveName + (item.isFolder ? "/" : "")).c_str());
    archive_entry_set_filetype(entry.get(), item.isFolder ? AE_IFDIR : AE_IFREG);
    archive_entry_set_perm(entry.get(), PermissionsOf(item));
    archive_entry_set_mtime(entry.get(), UnixSeconds(item.modified), 0);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(size));
    if (archive_write_header(a.get(), entry.get()) != ARCHIVE_OK)
      return WriteFailure(a.get(), "cannot add " + item.archiveName, log);
    if (item.isFolder) continue;
    int r = reader.Copy(item, size, [&](const char* data, std::size_t n) {
      if (archive_write_data(a.get(), data, n) < 0)
        return WriteFailure(a.get(), "cannot write " + file.string(), log);
      return static_cast<int>(kArcOk);
    });
    if (r != kArcOk) return r;
  }
  if (archive_write_close(a.get()) != ARCHIVE_OK)
    return WriteFailure(a.get(), "cannot finish " + file.string(), log);
  return kArcOk;
}

}  // namespace ks
