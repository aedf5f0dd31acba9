#pragma once
// A plain cabinet with several folders, each folder read and decoded on a
// thread of its own: folders are coded apart (an MSZIP window never crosses
// into the next folder), so while the writer writes one folder's files the
// next folders are already being decoded. Entries still come in the
// cabinet's order, and each folder's damage stays its own, as with one
// CabReader.

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "archivers/builtin/common/EntryReader.h"

namespace ks {

class CabReader;
class ReadAheadReader;

class CabFolderSplit : public EntryReader {
 public:
  // `file` is a cabinet `opened` read; its folders are read by up to
  // `threads` readers at once.
  CabFolderSplit(const std::string& file, const CabReader& opened, unsigned threads);
  ~CabFolderSplit() override;

  Next NextEntry() override;
  const ExtractEntry& entry() const override;
  bool entryEncrypted() const override { return false; }
  int ReadData(const DataSink& sink) override;
  int SkipData() override;
  std::uint64_t bytesRead() const override { return readTo_; }
  std::uint64_t fileSize() const override { return fileSize_; }

 private:
  struct Part {
    std::unique_ptr<CabReader> reader;
    std::unique_ptr<ReadAheadReader> ahead;
  };
  // Starts the readers of the folders up to `threads` ahead of the current.
  void StartAhead();
  // The result of the current part's call, its failure taken over.
  int Took(int r);

  std::string file_;
  std::uint64_t fileSize_;
  unsigned threads_;
  std::vector<std::pair<std::size_t, std::size_t>> ranges_;  // each folder's files [first, end)
  std::vector<Part> parts_;
  std::size_t current_ = 0;
  std::uint64_t readTo_ = 0;
};

}  // namespace ks
