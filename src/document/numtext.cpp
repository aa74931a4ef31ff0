#include "document/numtext.h"

#include <locale.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "document/error.h"

namespace clipvex {

namespace {

constexpr int kPrecision = 15;

// value = 0.digits * 10^exp10; empty digits mean zero.
struct Decimal {
  bool negative = false;
  std::string digits;
  int exp10 = 0;
};

// Splits a scientific text "d.ddde+xx" of a non-negative value into its
// digits and the power of ten just above the first digit.
void SplitScientific(std::string_view text, std::string& digits, int& exp10) {
  std::size_t e = text.find('e');
  digits.clear();
  if (e == std::string_view::npos || e == 0) return;
  digits.push_back(text[0]);
  if (e > 2) digits.append(text.substr(2, e - 2));
  int exponent = 0;
  std::string_view expText = text.substr(e + 1);
  if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
  exp10 = exponent + 1;
}

// Digits of |value| in scientific notation with `precision` digits after the point.
void ScientificDigits(double value, int precision, std::string& digits, int& exp10) {
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision);
  SplitScientific(std::string_view(buf, static_cast<std::size_t>(res.ptr - buf)), digits, exp10);
}

locale_t CLocale();

// The same for an extended value, through the C library, whose conversion
// of long double is exact (in the C locale, so the point is a point).
void ScientificDigits(long double value, int precision, std::string& digits, int& exp10) {
  const locale_t previous = uselocale(CLocale());
  std::string buf(static_cast<std::size_t>(precision) + 32, '\0');
  const int length = std::snprintf(buf.data(), buf.size(), "%.*Le", precision, value);
  uselocale(previous);
  buf.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  SplitScientific(buf, digits, exp10);
}

bool IsHalfTail(std::string_view tail) {
  if (tail.empty() || tail[0] != '5') return false;
  return tail.find_first_not_of('0', 1) == std::string_view::npos;
}

// Digits after the first that decide all but near halves, and digits
// enough to write any double, or any long double, exactly.
constexpr int CheckDigits(double) { return 16; }
constexpr int CheckDigits(long double) { return 19; }
constexpr int ExactDigits(double) { return 330; }
constexpr int ExactDigits(long double) { return 16500; }

// Rounds |value| half away from zero so that at most `sigDigits` significant
// digits and no place below 10^-decimals remain, from the decimal expansion.
template <class Real>
Decimal RoundDecimalExact(Real value, int sigDigits, int decimals) {
  Decimal d;
  d.negative = std::signbit(value);
  Real magnitude = std::fabs(value);
  if (magnitude == 0) return d;
  // A few more correctly rounded digits than are kept decide every case but
  // an exact half, which only the exact expansion can tell apart from a
  // near half.
  auto keepFor = [&](int exp10) { return std::min<long long>(sigDigits, static_cast<long long>(exp10) + decimals); };
  ScientificDigits(magnitude, CheckDigits(magnitude), d.digits, d.exp10);
  long long keep = keepFor(d.exp10);
  auto tailFrom = [](const std::string& digits, long long at) {
    return std::string_view(digits).substr(std::min(static_cast<std::size_t>(at), digits.size()));
  };
  if (keep >= 0 && IsHalfTail(tailFrom(d.digits, keep))) {
    ScientificDigits(magnitude, ExactDigits(magnitude), d.digits, d.exp10);
    keep = keepFor(d.exp10);
  }
  if (keep < 0) {
    d.digits.clear();
    return d;
  }
  std::string_view tail = tailFrom(d.digits, keep);
  bool roundUp = !tail.empty() && tail[0] >= '5';
  d.digits.resize(std::min(static_cast<std::size_t>(keep), d.digits.size()));
  if (roundUp) {
    std::size_t i = d.digits.size();
    while (i > 0 && d.digits[i - 1] == '9') --i;
    if (i == 0) {
      d.digits.assign(1, '1');
      d.exp10 += 1;
    } else {
      d.digits.resize(i);
      d.digits[i - 1] = static_cast<char>(d.digits[i - 1] + 1);
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return d;
}

// Powers of ten up to 10^27 are exact in the 64-bit significand of long double.
constexpr int kMaxExactPower = 27;
const long double* PowersOfTen() {
  static const auto table = [] {
    static long double p[kMaxExactPower + 1];
    p[0] = 1;
    for (int i = 1; i <= kMaxExactPower; ++i) p[i] = p[i - 1] * 10;
    return p;
  }();
  return table;
}

// Number of digits before the point (<= 0 below 0.1) for magnitudes in
// [1e-12, 1e15); off by one at most right at a power of ten, which the
// callers' digit count check catches.
int DigitsBeforePoint(double magnitude) {
  const long double* pow10 = PowersOfTen();
  if (magnitude >= 1) {
    int i = 1;
    while (i < 16 && magnitude >= pow10[i]) ++i;
    return i;
  }
  int i = 0;
  while (i > -12 && magnitude * pow10[1 - i] < 1) --i;
  return i;
}

// The same rounding by scaling in extended precision: exact enough to decide
// unless the dropped part lies near a half, where it gives up (false).
bool RoundDecimalFast(double value, int sigDigits, int decimals, Decimal& d) {
  double magnitude = std::fabs(value);
  if (!(magnitude >= 1e-12 && magnitude < 1e15) || sigDigits > 18) return false;
  const long double* pow10 = PowersOfTen();
  int intDigits = DigitsBeforePoint(magnitude);
  long long keep = std::min<long long>(sigDigits, static_cast<long long>(intDigits) + decimals);
  if (keep <= 0) return false;
  long long scale = keep - intDigits;
  if (scale < 0 || scale > kMaxExactPower) return false;
  long double scaled = static_cast<long double>(magnitude) * pow10[scale];
  long double whole = std::floor(scaled);
  long double dropped = scaled - whole;
  if (std::fabs(dropped - 0.5L) < 1e-3L) return false;
  auto n = static_cast<unsigned long long>(whole) + (dropped > 0.5L ? 1 : 0);
  // The digit count must match the estimate, which can be off at powers of ten.
  auto low = static_cast<unsigned long long>(pow10[keep - 1]);
  auto high = static_cast<unsigned long long>(pow10[keep]);
  if (n < low || n > high) return false;
  d.negative = std::signbit(value);
  if (n == high) {
    d.digits.assign(1, '1');
    d.exp10 = intDigits + 1;
  } else {
    d.digits = std::to_string(n);
    d.exp10 = intDigits;
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  return true;
}

Decimal RoundDecimal(double value, int sigDigits, int decimals) {
  // A number text is always digits: what is not a finite number has none.
  if (std::isnan(value)) throw ClipvexError("Invalid floating point operation");
  if (std::isinf(value)) throw ClipvexError("Floating point overflow");
  Decimal d;
  if (RoundDecimalFast(value, sigDigits, decimals, d)) return d;
  return RoundDecimalExact(value, sigDigits, decimals);
}

// The texts below are written to a buffer of kMaxGeneralText chars: digits
// never exceed 15 after rounding, so no form is longer than 27 chars.

// d.ddd...E[-]x, trailing zeros already gone from the digits.
char* WriteScientific(const Decimal& d, char* p) {
  if (d.negative) *p++ = '-';
  *p++ = d.digits[0];
  if (d.digits.size() > 1) {
    *p++ = '.';
    p = std::copy(d.digits.begin() + 1, d.digits.end(), p);
  }
  *p++ = 'E';
  return std::to_chars(p, p + 8, d.exp10 - 1).ptr;
}

// Plain decimal notation of d with `minDecimals` decimals at least.
char* WritePlain(const Decimal& d, int minDecimals, char* p) {
  const auto count = static_cast<long long>(d.digits.size());
  auto digitAt = [&](long long place) {
    return place >= 0 && place < count ? d.digits[static_cast<std::size_t>(place)] : '0';
  };
  if (d.negative) *p++ = '-';
  if (d.exp10 <= 0) *p++ = '0';
  for (long long place = 0; place < d.exp10; ++place) *p++ = digitAt(place);
  long long decimals = std::max<long long>(minDecimals, count - d.exp10);
  if (decimals > 0) *p++ = '.';
  for (long long i = 0; i < decimals; ++i) *p++ = digitAt(d.exp10 + i);
  return p;
}

bool IsBlank(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

constexpr int kNoDecimalLimit = INT_MAX / 2;
constexpr int kFixedDecimals = 9;

std::size_t GeneralTextTo(const Decimal& d, char* out) {
  char* end;
  if (d.digits.empty()) {
    *out = '0';
    end = out + 1;
  } else if (d.exp10 > kPrecision || d.exp10 < -4) {
    end = WriteScientific(d, out);
  } else {
    end = WritePlain(d, 0, out);
  }
  return static_cast<std::size_t>(end - out);
}

std::string GeneralText(const Decimal& d) {
  char buf[kMaxGeneralText];
  return std::string(buf, GeneralTextTo(d, buf));
}

std::string FixedText(const Decimal& d) {
  if (d.digits.empty()) return "0.000000000";
  char buf[kMaxGeneralText];
  char* end = d.exp10 > kPrecision ? WriteScientific(d, buf) : WritePlain(d, kFixedDecimals, buf);
  return std::string(buf, static_cast<std::size_t>(end - buf));
}

}  // namespace

std::size_t FormatGeneralTo(double value, char* out) {
  return GeneralTextTo(RoundDecimal(value, kPrecision, kNoDecimalLimit), out);
}

std::string FormatGeneral(double value) {
  char buf[kMaxGeneralText];
  return std::string(buf, FormatGeneralTo(value, buf));
}
std::string FormatFixed(double value) { return FixedText(RoundDecimal(value, kPrecision, kFixedDecimals)); }

std::string FormatGeneralExtended(long double value) {
  const auto narrow = static_cast<double>(value);
  // Values a double holds (and whatever is not a finite number) take the
  // double's path; the others are written from their own digits, since
  // rounding them to a double first can move them across a half.
  if (!std::isfinite(value) || static_cast<long double>(narrow) == value) return FormatGeneral(narrow);
  return GeneralText(RoundDecimalExact(value, kPrecision, kNoDecimalLimit));
}

namespace detail {
std::string FormatGeneralExact(double value) {
  return GeneralText(RoundDecimalExact(value, kPrecision, kNoDecimalLimit));
}
std::string FormatFixedExact(double value) { return FixedText(RoundDecimalExact(value, kPrecision, kFixedDecimals)); }
}  // namespace detail

long double StrToFloat(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  std::size_t start = i;
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t mantissaDigits = 0;
  while (i < n && IsDigit(text[i])) ++i, ++mantissaDigits;
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && IsDigit(text[i])) ++i, ++mantissaDigits;
  }
  if (mantissaDigits == 0) ThrowInvalidFloat(text);
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++expDigits;
    if (expDigits == 0) ThrowInvalidFloat(text);
  }
  std::size_t end = i;
  while (i < n && IsBlank(text[i])) ++i;
  if (i != n) ThrowInvalidFloat(text);

  // Up to 18 digits without an exponent: one division of two exact values
  // gives the correctly rounded result, as the library conversion would.
  if (mantissaDigits <= 18 && (end - start) <= 20) {
    std::size_t k = start;
    bool negative = text[k] == '-';
    if (text[k] == '+' || text[k] == '-') ++k;
    std::uint64_t digits = 0;
    int decimals = -1;
    for (; k < end; ++k) {
      char c = text[k];
      if (c == '.') {
        decimals = 0;
      } else if (IsDigit(c)) {
        digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (decimals >= 0) ++decimals;
      } else {
        break;  // an exponent: the general conversion below
      }
    }
    if (k == end) {
      long double value = static_cast<long double>(digits);
      if (decimals > 0) value /= PowersOfTen()[decimals];
      return negative ? -value : value;
    }
  }
  std::string number(text.substr(start, end - start));
  errno = 0;
  char* stop = nullptr;
  long double value = strtold_l(number.c_str(), &stop, CLocale());
  if (stop != number.c_str() + number.size() || std::isinf(value)) ThrowInvalidFloat(text);
  return value;
}

std::int32_t StrToInt(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == n) ThrowInvalidInteger(text);
  long long value = 0;
  for (; i < n; ++i) {
    if (!IsDigit(text[i])) ThrowInvalidInteger(text);
    value = value * 10 + (text[i] - '0');
    if (value > static_cast<long long>(INT32_MAX) + 1) ThrowInvalidInteger(text);
  }
  if (negative) value = -value;
  if (value > INT32_MAX || value < INT32_MIN) ThrowInvalidInteger(text);
  return static_cast<std::int32_t>(value);
}

}  // namespace clipvex
