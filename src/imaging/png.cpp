#include "imaging/png.h"

#include <cstring>

namespace clipvex {

bool PngComplete(const std::uint8_t* data, std::size_t size) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  // Length 0, type "IEND", and the CRC of the type.
  static constexpr std::uint8_t kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  if (data == nullptr || size < sizeof kSignature + sizeof kEnd) return false;
  return std::memcmp(data, kSignature, sizeof kSignature) == 0 &&
         std::memcmp(data + size - sizeof kEnd, kEnd, sizeof kEnd) == 0;
}

}  // namespace clipvex
