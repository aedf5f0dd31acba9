#include "archivers/builtin/common/PackReader.h"

#include <cerrno>
#include <cstring>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

namespace {
constexpr std::size_t kChunk = 256 * 1024;
}

PackReader::PackReader(WindowHandle owner, const std::string& progressTitle,
                       std::uint64_t totalBytes, OutputLog& log)
    : progress_(TheArchiverHost().BeginProgress(owner, progressTitle)),
      total_(totalBytes),
      log_(log),
      buffer_(kChunk) {}

int PackReader::Open(const PackItem& item, std::uint64_t& size) {
  file_.reset(std::fopen(item.source.c_str(), "rb"));
  if (!file_) {
    log_.Line("cannot open " + item.source.string() + ": " + std::strerror(errno));
    return kArcFileOpen;
  }
  std::error_code ec;
  size = std::filesystem::file_size(item.source, ec);
  if (ec) {
    log_.Line("cannot read the size of " + item.source.string() + ": " + ec.message());
    return kArcFileOpen;
  }
  return kArcOk;
}

int PackReader::Copy(const PackItem& item, std::uint64_t size,
                     const std::function<int(const char*, std::size_t)>& sink) {
  std::uint64_t left = size;
  while (left > 0) {
    const std::size_t want = left < buffer_.size() ? static_cast<std::size_t>(left) : buffer_.size();
    const std::size_t got = std::fread(buffer_.data(), 1, want, file_.get());
    if (got == 0) {
      log_.Line(std::ferror(file_.get())
                    ? "cannot read " + item.source.string() + ": " + std::strerror(errno)
                    : item.source.string() + " became shorter while it was being packed");
      file_.reset();
      return kArcCannotRead;
    }
    if (int r = sink(buffer_.data(), got); r != kArcOk) {
      file_.reset();
      return r;
    }
    left -= got;
    done_ += got;
    if (!progress_->Update(item.archiveName, done_, total_)) {
      file_.reset();
      log_.Line("cancelled");
      return kArcUserCancel;
    }
  }
  file_.reset();
  return kArcOk;
}

bool PackReader::Tick(const std::string& name) {
  if (progress_->Update(name, done_, total_)) return true;
  log_.Line("cancelled");
  return false;
}

}  // namespace ks
