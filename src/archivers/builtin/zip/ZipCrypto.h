#pragma once
// The traditional PKWARE encryption of ZIP entries: weak, but the one every
// ZIP reader opens, Windows' own included.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace ks {

class ZipCrypto {
 public:
  // The 12 bytes that start an entry's encrypted data: 11 random ones and
  // a last one the caller sets to the byte a reader compares to tell a
  // wrong password.
  using Header = std::array<char, 12>;
  static Header RandomHeader();

  explicit ZipCrypto(const std::string& password);
  // Encrypts `size` bytes in place, continuing from the bytes before.
  void Encrypt(char* data, std::size_t size);

 private:
  void Update(std::uint8_t plain);
  std::uint32_t keys_[3];
};

}  // namespace ks
