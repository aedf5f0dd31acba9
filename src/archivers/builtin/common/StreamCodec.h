#pragma once
// One compression's decoder for StreamSource: it decodes one stream (a gzip
// member, a bzip2 stream) at a time and verifies the stream's own checks.

#include <cstddef>
#include <memory>
#include <string>

namespace ks {

class StreamCodec {
 public:
  enum class Result {
    Ok,       // went on; call again with more input or room
    End,      // the stream is complete and its checksums passed
    // The data cannot be decoded from here on (`why` says how); what was
    // decoded before stands as far as the decoder can tell.
    Undecodable,
    // A checksum over what was decoded fails (`why` says which): anything
    // decoded in this call may be wrong.
    Damaged,
  };

  virtual ~StreamCodec() = default;
  // "gzip", "bzip2": for messages.
  virtual const char* name() const = 0;
  // How many bytes tell whether a stream starts, and whether it does.
  virtual std::size_t signatureSize() const = 0;
  virtual bool IsStart(const unsigned char* p) const = 0;
  // Gets ready for a new stream; false when the decoder cannot start.
  virtual bool Begin() = 0;
  // Decodes from `in` into `out`, moving both along.
  virtual Result Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out,
                        std::size_t& outLeft, std::string& why) = 0;
};

std::unique_ptr<StreamCodec> MakeGzipCodec();
std::unique_ptr<StreamCodec> MakeBzip2Codec();

}  // namespace ks
