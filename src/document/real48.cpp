#include "document/real48.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "document/error.h"

namespace clipvex {

namespace {

constexpr int kBias = 129;
constexpr int kFractionBits = 39;

// |value| = m * 2^e with m a 40-bit integer in [2^39, 2^40]; returns 0 for zero
// and for values below the smallest exponent.
long double RoundedSignificand(long double value, int& exponent) {
  if (std::isnan(value)) throw ClipvexError("Invalid floating point operation");
  if (std::isinf(value)) throw ClipvexError("Floating point overflow");
  if (value == 0) {
    exponent = 0;
    return 0;
  }
  int e = 0;
  long double m = std::frexp(std::fabs(value), &e);  // m in [0.5, 1)
  long double scaled = std::round(std::ldexp(m, kFractionBits + 1));
  if (scaled == std::ldexp(1.0L, kFractionBits + 1)) {  // rounded up to the next power of two
    scaled = std::ldexp(1.0L, kFractionBits);
    ++e;
  }
  // value = scaled * 2^(e - 40); in format terms the exponent byte is e + 128.
  int biased = e + kBias - 1;
  if (biased > 255) throw ClipvexError("Floating point overflow");
  if (biased < 1) {
    exponent = 0;
    return 0;
  }
  exponent = e;
  return scaled;
}

}  // namespace

#if LDBL_MANT_DIG == 64
// The x87 extended format holds its 64-bit significand explicitly, so the
// rounding is a shift of that integer; the result is assembled as a double.
double RoundReal48Bits(long double value) {
  std::uint64_t mantissa = 0;
  std::uint16_t signExp = 0;
  std::memcpy(&mantissa, &value, 8);
  std::memcpy(&signExp, reinterpret_cast<const char*>(&value) + 8, 2);
  int biasedExp = signExp & 0x7FFF;
  if (biasedExp == 0x7FFF) {
    if ((mantissa << 1) != 0) throw ClipvexError("Invalid floating point operation");
    throw ClipvexError("Floating point overflow");
  }
  if (biasedExp == 0 || mantissa == 0) return 0.0;                    // zero, or far below the format's range
  int exponent = biasedExp - 16383;                                   // value = mantissa * 2^(exponent - 63)
  std::uint64_t rounded = (mantissa >> 24) + ((mantissa >> 23) & 1);  // halves away from zero
  if (rounded == (std::uint64_t{1} << 40)) {
    rounded >>= 1;
    ++exponent;
  }
  // In format terms the exponent byte is exponent + 129.
  if (exponent + kBias > 255) throw ClipvexError("Floating point overflow");
  if (exponent + kBias < 1) return 0.0;
  std::uint64_t bits = (static_cast<std::uint64_t>(signExp >> 15) << 63) |
                       (static_cast<std::uint64_t>(exponent + 1023) << 52) |
                       ((rounded - (std::uint64_t{1} << kFractionBits)) << 13);
  double result;
  std::memcpy(&result, &bits, 8);
  return result;
}
#endif

double RoundReal48(long double value) {
#if LDBL_MANT_DIG == 64
  return RoundReal48Bits(value);
#endif
  int e = 0;
  long double scaled = RoundedSignificand(value, e);
  if (scaled == 0) return 0.0;
  long double result = std::ldexp(scaled, e - (kFractionBits + 1));
  return static_cast<double>(value < 0 ? -result : result);
}

Real48Bytes EncodeReal48(long double value) {
  Real48Bytes bytes{};
  int e = 0;
  long double scaled = RoundedSignificand(value, e);
  if (scaled == 0) return bytes;
  auto fraction = static_cast<std::uint64_t>(scaled) - (std::uint64_t{1} << kFractionBits);
  bytes[0] = static_cast<std::uint8_t>(e + kBias - 1);
  for (int i = 1; i <= 5; ++i) {
    bytes[i] = static_cast<std::uint8_t>(fraction & 0xFF);
    fraction >>= 8;
  }
  if (value < 0) bytes[5] |= 0x80;
  return bytes;
}

double DecodeReal48(const Real48Bytes& bytes) {
  if (bytes[0] == 0) return 0.0;
  std::uint64_t fraction = 0;
  for (int i = 5; i >= 1; --i) fraction = (fraction << 8) | (i == 5 ? bytes[i] & 0x7F : bytes[i]);
  long double significand = 1.0L + std::ldexp(static_cast<long double>(fraction), -kFractionBits);
  long double value = std::ldexp(significand, bytes[0] - kBias);
  return static_cast<double>((bytes[5] & 0x80) ? -value : value);
}

}  // namespace clipvex
