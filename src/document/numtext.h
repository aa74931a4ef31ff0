// Number texts of the dump: always a point as decimal separator, whatever
// the locale, and halves rounded away from zero. A value that is not a
// finite number raises "Invalid floating point operation" (NaN) or
// "Floating point overflow" (an infinity) instead of being written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace clipvex {

// General form: at most 15 significant digits, no trailing zeros or point;
// scientific ("1.5E-6", "2E15") below 0.00001 and from 10^15 upwards.
std::string FormatGeneral(double value);
// The same text written to `out`, which has room for kMaxGeneralText chars;
// returns its length.
inline constexpr std::size_t kMaxGeneralText = 32;
std::size_t FormatGeneralTo(double value, char* out);

// The general form of an extended-precision value, from its own digits:
// a product of two 48-bit reals keeps more bits than a double holds, and
// its text must not depend on a rounding to double on the way.
std::string FormatGeneralExtended(long double value);

// Fixed form: rounded to 9 decimals and to no more than 15 significant
// digits, written with exactly 9 decimals ("0.000000000", "12.500000000").
std::string FormatFixed(double value);

// Decimal text to number: blanks before and after, a sign, digits with one
// decimal point, an optional exponent. Anything else raises
// "'TEXT' is not a valid floating point value".
long double StrToFloat(std::string_view text);

// Leading blanks, a sign and digits, in the 32-bit range; anything else
// raises "'TEXT' is not a valid integer value".
std::int32_t StrToInt(std::string_view text);

namespace detail {
// The two forms computed from the full decimal expansion only, without the
// fast path; they must agree with the functions above on every value.
std::string FormatGeneralExact(double value);
std::string FormatFixedExact(double value);
}  // namespace detail

}  // namespace clipvex
