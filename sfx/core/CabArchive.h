#pragma once
// Cabinets as a stub reads them: one cabinet (not a set), its folders
// stored or MSZIP-compressed, every data block checked against its checksum
// and its stated size. Files are read in the order the cabinet lists them;
// a folder is decoded from its start again only when a file lies behind
// the point reached.

#include <vector>

#include "sfx/core/Inflate.h"
#include "sfx/core/StubArchive.h"

namespace ks::sfx {

class CabArchive : public Archive {
 public:
  explicit CabArchive(Source& source);
  ~CabArchive() override;

  Step Next(Entry& entry) override;
  Fault Read(Sink& sink) override;
  // Nothing to do: the next Read decodes past what this entry held.
  Fault Skip() override { return Fault::None; }

  struct File {
    std::uint32_t size;
    std::uint32_t start;  // in its folder's decoded bytes
    std::uint16_t folder;
    std::uint16_t date;
    std::uint16_t time;
    std::uint16_t attributes;
    std::uint32_t name;   // offset into names_
    std::uint32_t nameSize;
  };
  struct Folder {
    std::uint32_t firstBlock;
    std::uint16_t blocks;
    std::uint16_t method;
  };

 private:
  Fault ReadDirectory();
  void StartFolder(std::uint16_t folder);
  Fault NextBlock();
  // Hands `size` decoded bytes of the current folder to `sink`.
  Fault Take(std::uint32_t size, Sink& sink);

  Source& source_;
  bool read_ = false;
  std::vector<Folder> folders_;
  std::vector<File> files_;
  std::vector<char> names_;
  std::size_t next_ = 0;          // the file Next gives next
  unsigned blockReserve_ = 0;     // reserved bytes in every data block header
  // The folder being decoded.
  int folder_ = -1;
  std::uint32_t position_ = 0;    // decoded bytes of the folder handed on or passed
  std::uint64_t blockOffset_ = 0; // of the next data block
  unsigned blocksLeft_ = 0;
  bool broken_ = false;           // a block of the folder failed
  std::vector<std::uint8_t> packed_;
  std::vector<std::uint8_t> block_;  // the current block's decoded bytes
  std::size_t blockUsed_ = 0;
  Inflate inflate_;
};

}  // namespace ks::sfx
