// The 6-byte real in which times, durations, the speed factor and fade
// fractions are stored: exponent byte with bias 129 (0 = zero), a 39-bit
// fraction with an implied leading 1, sign in the top bit of the last byte.
#pragma once

#include <array>
#include <cstdint>

namespace clipvex {

// Rounds to the nearest value with a 40-bit significand, halves away from
// zero. Values below the format's smallest magnitude become 0; values above
// its largest raise "Floating point overflow"; NaN raises
// "Invalid floating point operation". The result fits a double exactly.
double RoundReal48(long double value);

using Real48Bytes = std::array<std::uint8_t, 6>;
Real48Bytes EncodeReal48(long double value);
double DecodeReal48(const Real48Bytes& bytes);

}  // namespace clipvex
