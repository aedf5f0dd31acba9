#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

const char* DecodeErrorText(DecodeError error) {
  switch (error) {
    case DecodeError::None: return "ok";
    case DecodeError::Truncated: return "coded data ends early";
    case DecodeError::Damaged: return "coded data is damaged";
    case DecodeError::OutputStopped: return "output stopped";
  }
  return "unknown decode error";
}

}  // namespace ks
