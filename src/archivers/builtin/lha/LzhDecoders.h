#pragma once
// The decoding method of each LZH method name.

#include <memory>
#include <string>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

// A decoder for `method` ("-lh5-", "-lhx-", "-lz5-" ...), or nullptr for a method we
// do not decode (-lh2-, -lh3-, PMarc's -pm0- to -pm2- ...). Folders
// ("-lhd-") carry no data and have none.
std::unique_ptr<EntryDecoder> MakeLzhDecoder(const std::string& method);

// Copies the entry as it is stored (-lh0-, -lz4-).
class StoredDecoder : public EntryDecoder {
 public:
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) override;

 private:
  std::vector<std::uint8_t> buffer_;
};

}  // namespace ks
