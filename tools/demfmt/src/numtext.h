// Number text: integers, floats with an exact bit-pattern escape, fixed-point
// coordinates and angles, and the editor's three time forms.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string_view>

namespace demfmt {

// Writers return the position after the last written char. Callers make room
// for at least kMaxNumber chars (kMaxTime for times).
inline constexpr int kMaxNumber = 40;
inline constexpr int kMaxTime = 200;

char* write_int_slow(char* p, std::int64_t v);

// Digit pairs "00".."99" for the fast integer writer.
extern const char kDigitPairs[201];

// Unsigned below 10^6 without division loops over every digit.
inline char* write_uint_small(char* p, std::uint32_t v) {
  if (v < 10) {
    *p = static_cast<char>('0' + v);
    return p + 1;
  }
  if (v < 100) {
    std::memcpy(p, kDigitPairs + 2 * v, 2);
    return p + 2;
  }
  if (v < 1000) {
    *p = static_cast<char>('0' + v / 100);
    std::memcpy(p + 1, kDigitPairs + 2 * (v % 100), 2);
    return p + 3;
  }
  if (v < 10000) {
    std::memcpy(p, kDigitPairs + 2 * (v / 100), 2);
    std::memcpy(p + 2, kDigitPairs + 2 * (v % 100), 2);
    return p + 4;
  }
  return write_int_slow(p, v);
}
inline char* write_int(char* p, std::int64_t v) {
  if (v >= 0 && v < 10000) return write_uint_small(p, static_cast<std::uint32_t>(v));
  if (v < 0 && v > -10000) {
    *p = '-';
    return write_uint_small(p + 1, static_cast<std::uint32_t>(-v));
  }
  return write_int_slow(p, v);
}
char* write_hex(char* p, std::uint32_t v, int digits);  // "0x" + digits lowercase
// Shortest text that reads back to the same bits; NaN, infinities and
// denormals as "0x" + 8 hex digits of the bit pattern.
char* write_float(char* p, float f);
char* write_double_shortest(char* p, double d);
inline char* write_coord8(char* p, std::int16_t raw) {  // raw / 8, exact
  static constexpr char frac[8][4] = {{0},        {'.', '1', '2', '5'}, {'.', '2', '5'}, {'.', '3', '7', '5'},
                                      {'.', '5'}, {'.', '6', '2', '5'}, {'.', '7', '5'}, {'.', '8', '7', '5'}};
  static constexpr unsigned char fraclen[8] = {0, 4, 3, 4, 2, 4, 3, 4};
  int v = raw;
  if (v < 0) {
    *p++ = '-';
    v = -v;
  }
  p = write_uint_small(p, static_cast<std::uint32_t>(v >> 3));
  int f = v & 7;
  std::memcpy(p, frac[f], 4);
  return p + fraclen[f];
}
char* write_angle8(char* p, std::uint8_t raw);  // (signed) raw * 360 / 256, exact
// Time in the editor's form: "12.500000000s", "1:15.250000000m",
// "1:2:5.500000000h" (finite values only).
char* write_time(char* p, float t);

// Parsers take the whole token; they return nullopt on malformed text.
std::optional<std::int64_t> parse_int(std::string_view s);  // decimal, or 0x hex
std::optional<float> parse_float(std::string_view s);       // decimal or 0xBITS
std::optional<double> parse_double(std::string_view s);
std::optional<float> parse_time(std::string_view s);  // s/m/h forms, plain, 0xBITS
// Fast path for plain decimals "-?D+(.D+)?": value = mant / 10^frac_digits.
// False for any other form (exponents, hex, too many digits).
bool parse_fixed(std::string_view s, std::int64_t& mant, int& frac_digits);
// Fast decimal integer "-?D{1,12}"; falls back to parse_int for other forms.
inline std::optional<std::int64_t> parse_int_fast(std::string_view s) {
  std::size_t i = (!s.empty() && s[0] == '-') ? 1 : 0;
  if (s.size() > i && s.size() - i <= 12) {
    std::int64_t v = 0;
    std::size_t k = i;
    for (; k < s.size(); ++k) {
      unsigned d = static_cast<unsigned>(s[k] - '0');
      if (d > 9) break;
      v = v * 10 + d;
    }
    if (k == s.size()) return i ? -v : v;
  }
  return parse_int(s);
}

}  // namespace demfmt
