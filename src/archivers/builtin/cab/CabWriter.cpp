#include "archivers/builtin/cab/CabWriter.h"

#include <gio/gio.h>
#include <libgcab.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

// Owning pointers for the GObject and GError values of one write.
struct GObjectUnref {
  void operator()(gpointer p) const {
    if (p) g_object_unref(p);
  }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;
struct GErrorFree {
  void operator()(GError* e) const {
    if (e) g_error_free(e);
  }
};
using GErrorPtr = std::unique_ptr<GError, GErrorFree>;

std::string CabName(const std::string& archiveName) {
  std::string name = archiveName;
  for (char& c : name)
    if (c == '/') c = '\\';
  return name;
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

int ResultOf(const GError* error) {
  if (error == nullptr || error->domain != G_IO_ERROR) return kArcCannotWrite;
  switch (error->code) {
    case G_IO_ERROR_CANCELLED: return kArcUserCancel;
    case G_IO_ERROR_NO_SPACE: return kArcDiskSpace;
    case G_IO_ERROR_PERMISSION_DENIED:
    case G_IO_ERROR_READ_ONLY: return kArcReadOnly;
    case G_IO_ERROR_NOT_FOUND: return kArcFileOpen;
    default: return kArcCannotWrite;
  }
}

// What gcab's callbacks share: the progress window and the bytes done.
struct WriteState {
  std::unique_ptr<Progress> progress;
  GCancellable* cancellable = nullptr;
  std::uint64_t total = 0;
  std::uint64_t finished = 0;  // bytes of the files completed before the current one
  std::uint64_t current = 0;   // size of the current file
  std::string name;
  bool cancelled = false;
};

void Report(WriteState& state, std::uint64_t done) {
  if (state.cancelled) return;
  if (!state.progress->Update(state.name, done, state.total)) {
    state.cancelled = true;
    g_cancellable_cancel(state.cancellable);
  }
}

// Called as each file starts; gcab reports no finer progress than that.
gboolean OnFile(GCabFile* file, gpointer data) {
  auto* state = static_cast<WriteState*>(data);
  state->finished += state->current;
  state->current = gcab_file_get_size(file);
  state->name = gcab_file_get_name(file);
  Report(*state, state->finished);
  return !state->cancelled;
}

void OnProgress(goffset done, goffset, gpointer data) {
  auto* state = static_cast<WriteState*>(data);
  const std::uint64_t inFile = done > 0 ? static_cast<std::uint64_t>(done) : 0;
  Report(*state, state->finished + std::min(inFile, state->current));
}

// The folders that hold no file of the plan, which a cabinet cannot keep.
std::vector<std::string> EmptyFolders(const PackPlan& plan) {
  std::set<std::string> holding;
  for (const PackItem& item : plan.items) {
    if (item.isFolder) continue;
    for (auto slash = item.archiveName.find('/'); slash != std::string::npos;
         slash = item.archiveName.find('/', slash + 1))
      holding.insert(item.archiveName.substr(0, slash));
  }
  std::vector<std::string> empty;
  for (const PackItem& item : plan.items)
    if (item.isFolder && !holding.count(item.archiveName)) empty.push_back(item.archiveName);
  return empty;
}

// Refuses what a cabinet cannot hold before anything is written.
int CheckLimits(const PackPlan& plan, std::size_t files, OutputLog& log) {
  if (files == 0) {
    log.Line("a cabinet holds files only, and there is no file to pack");
    return kArcNotSupported;
  }
  if (files > kCabMaxFiles) {
    log.Line("a cabinet holds at most " + std::to_string(kCabMaxFiles) + " files, not " +
             std::to_string(files));
    return kArcTooLarge;
  }
  if (plan.totalBytes > kCabMaxTotal) {
    log.Line("a cabinet holds at most 2 GB of data; these files make " +
             std::to_string(plan.totalBytes) + " bytes");
    return kArcTooLarge;
  }
  for (const PackItem& item : plan.items) {
    if (!item.isFolder && item.archiveName.size() > kCabMaxName) {
      log.Line("name too long for a cabinet (at most " + std::to_string(kCabMaxName) +
               " bytes): " + item.archiveName);
      return kArcTooLarge;
    }
  }
  return kArcOk;
}

}  // namespace

int WriteCab(WindowHandle owner, const PackPlan& plan, const fs::path& file, bool compressed,
             OutputLog& log) {
  std::size_t files = 0;
  for (const PackItem& item : plan.items) files += item.isFolder ? 0 : 1;
  if (int r = CheckLimits(plan, files, log); r != kArcOk) return r;
  for (const std::string& folder : EmptyFolders(plan))
    log.Line("empty folder left out (a cabinet holds files only): " + folder);

  GPtr<GCabCabinet> cabinet(gcab_cabinet_new());
  GPtr<GCabFolder> folder(
      gcab_folder_new(compressed ? GCAB_COMPRESSION_MSZIP : GCAB_COMPRESSION_NONE));
  for (const PackItem& item : plan.items) {
    if (item.isFolder) continue;
    // gcab opens the files only while writing; find the unreadable ones now,
    // with a message that names them.
    if (std::FILE* probe = std::fopen(item.source.c_str(), "rb")) {
      std::fclose(probe);
    } else {
      log.Line("cannot open " + item.source.string() + ": " + std::strerror(errno));
      return kArcFileOpen;
    }
    const std::string name = CabName(item.archiveName);
    GPtr<GFile> source(g_file_new_for_path(item.source.c_str()));
    GPtr<GCabFile> entry(gcab_file_new_with_file(name.c_str(), source.get()));
    GError* raw = nullptr;
    if (!gcab_folder_add_file(folder.get(), entry.get(), FALSE, nullptr, &raw)) {
      GErrorPtr error(raw);
      log.Line("cannot add " + item.archiveName + ": " + (error ? error->message : "?"));
      return ResultOf(error.get());
    }
    if (!IsAscii(name))
      gcab_file_set_attributes(entry.get(),
                               gcab_file_get_attributes(entry.get()) |
                                   GCAB_FILE_ATTRIBUTE_NAME_IS_UTF);
  }
  GError* raw = nullptr;
  if (!gcab_cabinet_add_folder(cabinet.get(), folder.get(), &raw)) {
    GErrorPtr error(raw);
    log.Line(std::string("cannot build the cabinet: ") + (error ? error->message : "?"));
    return kArcCannotWrite;
  }

  GPtr<GFile> target(g_file_new_for_path(file.c_str()));
  GPtr<GFileOutputStream> out(
      g_file_replace(target.get(), nullptr, FALSE, G_FILE_CREATE_NONE, nullptr, &raw));
  if (!out) {
    GErrorPtr error(raw);
    log.Line("cannot create " + file.string() + ": " + (error ? error->message : "?"));
    return ResultOf(error.get());
  }
  GPtr<GCancellable> cancellable(g_cancellable_new());
  WriteState state;
  state.progress = TheArchiverHost().BeginProgress(owner, "Cab");
  state.cancellable = cancellable.get();
  state.total = plan.totalBytes;
  const gboolean written =
      gcab_cabinet_write(cabinet.get(), G_OUTPUT_STREAM(out.get()), OnFile, OnProgress, &state,
                         cancellable.get(), &raw);
  GErrorPtr writeError(raw);
  raw = nullptr;
  const gboolean closed = g_output_stream_close(G_OUTPUT_STREAM(out.get()), nullptr, &raw);
  GErrorPtr closeError(raw);
  if (state.cancelled) {
    log.Line("cancelled");
    return kArcUserCancel;
  }
  if (!written || !closed) {
    const GError* error = writeError ? writeError.get() : closeError.get();
    log.Line("cannot write " + file.string() + ": " + (error ? error->message : "?"));
    return ResultOf(error);
  }
  return kArcOk;
}

}  // namespace ks
