#include "archivers/builtin/zip/ZipCrypto.h"

#include <zlib.h>

#include <random>

namespace ks {

namespace {
// The CRC-32 step of one byte, without the inversions around a whole CRC.
std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t byte) {
  static const z_crc_t* const table = get_crc_table();
  return static_cast<std::uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
}
}  // namespace

ZipCrypto::Header ZipCrypto::RandomHeader() {
  // The random bytes keep equal files under one password from encrypting
  // alike; they need not be secret.
  static thread_local std::mt19937 random{std::random_device{}()};
  Header h;
  for (char& c : h) c = static_cast<char>(random() & 0xFF);
  return h;
}

ZipCrypto::ZipCrypto(const std::string& password) : keys_{305419896u, 591751049u, 878082192u} {
  for (char c : password) Update(static_cast<std::uint8_t>(c));
}

void ZipCrypto::Update(std::uint8_t plain) {
  keys_[0] = CrcStep(keys_[0], plain);
  keys_[1] = (keys_[1] + (keys_[0] & 0xFF)) * 134775813u + 1;
  keys_[2] = CrcStep(keys_[2], static_cast<std::uint8_t>(keys_[1] >> 24));
}

void ZipCrypto::Encrypt(char* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint16_t t = static_cast<std::uint16_t>(keys_[2] | 2);
    const auto plain = static_cast<std::uint8_t>(data[i]);
    data[i] = static_cast<char>(plain ^ static_cast<std::uint8_t>((t * (t ^ 1)) >> 8));
    Update(plain);
  }
}

}  // namespace ks
