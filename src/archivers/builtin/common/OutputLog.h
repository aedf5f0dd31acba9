#pragma once
// The short human-readable log a command writes into its output buffer.

#include <cstddef>
#include <string>

namespace ks {

class OutputLog {
 public:
  void Line(const std::string& text) { text_ += text + "\n"; }
  const std::string& text() const { return text_; }
  // Copies the log into `output`, NUL-terminated, never past `size` bytes.
  // A log too long for the buffer keeps its beginning, cut at a whole UTF-8
  // character.
  void WriteTo(char* output, std::size_t size) const;

 private:
  std::string text_;
};

}  // namespace ks
