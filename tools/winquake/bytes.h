// Little-endian reads from a byte buffer whose bounds the caller has
// checked, and the checks themselves in 64-bit arithmetic, so that no
// count or offset from a file can overflow on its way to a comparison.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace winquake::bytes {

inline std::uint32_t U32(const char* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  if constexpr (std::endian::native == std::endian::big) v = __builtin_bswap32(v);
  return v;
}
inline std::int32_t I32(const char* p) { return static_cast<std::int32_t>(U32(p)); }
inline std::uint16_t U16(const char* p) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) | (static_cast<unsigned char>(p[1]) << 8));
}
inline std::int16_t I16(const char* p) { return static_cast<std::int16_t>(U16(p)); }
inline float F32(const char* p) { return std::bit_cast<float>(U32(p)); }

// True when [offset, offset + size) lies inside a buffer of `total` bytes.
inline bool Fits(std::int64_t offset, std::int64_t size, std::uint64_t total) {
  return offset >= 0 && size >= 0 && static_cast<std::uint64_t>(offset) <= total &&
         static_cast<std::uint64_t>(size) <= total - static_cast<std::uint64_t>(offset);
}

// A name field of `width` bytes: up to the first zero byte, or all of it.
inline std::string Name(const char* p, std::size_t width) {
  const void* zero = std::memchr(p, 0, width);
  return std::string(p, zero ? static_cast<std::size_t>(static_cast<const char*>(zero) - p) : width);
}

// ASCII lower case, for names compared as the game compares them.
inline std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

}  // namespace winquake::bytes
