#include "archivers/builtin/cab/CabFolderSplit.h"

#include <algorithm>

#include "archivers/builtin/cab/CabReader.h"
#include "archivers/builtin/common/ReadAheadReader.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

CabFolderSplit::CabFolderSplit(const std::string& file, const CabReader& opened, unsigned threads)
    : file_(file), fileSize_(opened.fileSize()), threads_(std::max(threads, 1u)) {
  // A plain cabinet lists its files folder by folder.
  const auto& files = opened.layout().files;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (ranges_.empty() || files[i].folder != files[ranges_.back().first].folder) ranges_.emplace_back(i, i);
    ranges_.back().second = i + 1;
  }
  parts_.resize(ranges_.size());
  StartAhead();
}

CabFolderSplit::~CabFolderSplit() {
  // Each reading thread stops before its reader goes.
  for (Part& part : parts_) part.ahead.reset();
}

void CabFolderSplit::StartAhead() {
  for (std::size_t i = current_; i < std::min(parts_.size(), current_ + threads_); ++i) {
    Part& part = parts_[i];
    if (part.reader) continue;
    part.reader = std::make_unique<CabReader>();
    // The same file read again: it opens as the first reader found it.
    part.reader->Open(file_);
    part.reader->KeepTo(ranges_[i].first, ranges_[i].second);
    part.ahead = std::make_unique<ReadAheadReader>(*part.reader);
  }
}

CabFolderSplit::Next CabFolderSplit::NextEntry() {
  while (current_ < parts_.size()) {
    Part& part = parts_[current_];
    const Next next = part.ahead->NextEntry();
    readTo_ = std::max(readTo_, part.ahead->bytesRead());
    if (next != Next::End) {
      if (next != Next::Entry) Fail(part.ahead->error(), part.ahead->errorText());
      return next;
    }
    part.ahead.reset();
    part.reader.reset();
    ++current_;
    StartAhead();
  }
  return Next::End;
}

const ExtractEntry& CabFolderSplit::entry() const { return parts_[current_].ahead->entry(); }

int CabFolderSplit::Took(int r) {
  const ReadAheadReader& ahead = *parts_[current_].ahead;
  readTo_ = std::max(readTo_, ahead.bytesRead());
  if (r != kArcOk) Fail(ahead.error(), ahead.errorText());
  return r;
}

int CabFolderSplit::ReadData(const DataSink& sink) { return Took(parts_[current_].ahead->ReadData(sink)); }
int CabFolderSplit::SkipData() { return Took(parts_[current_].ahead->SkipData()); }

}  // namespace ks
