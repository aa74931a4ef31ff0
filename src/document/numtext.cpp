#include "document/numtext.h"

#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

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

// Digits of |value| in scientific notation with `precision` digits after the point.
void ScientificDigits(double value, int precision, std::string& digits, int& exp10) {
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, precision);
  std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
  std::size_t e = text.find('e');
  digits.clear();
  digits.push_back(text[0]);
  if (e > 2) digits.append(text.substr(2, e - 2));
  int exponent = 0;
  std::string_view expText = text.substr(e + 1);
  if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
  exp10 = exponent + 1;
}

bool IsHalfTail(std::string_view tail) {
  if (tail.empty() || tail[0] != '5') return false;
  return tail.find_first_not_of('0', 1) == std::string_view::npos;
}

// Rounds |value| half away from zero so that at most `sigDigits` significant
// digits and no place below 10^-decimals remain, from the decimal expansion.
Decimal RoundDecimalExact(double value, int sigDigits, int decimals) {
  Decimal d;
  d.negative = std::signbit(value);
  double magnitude = std::fabs(value);
  if (magnitude == 0) return d;
  // 17 correctly rounded digits decide every case but an exact half, which
  // only the exact expansion can tell apart from a near half.
  auto keepFor = [&](int exp10) {
    return std::min<long long>(sigDigits, static_cast<long long>(exp10) + decimals);
  };
  ScientificDigits(magnitude, 16, d.digits, d.exp10);
  long long keep = keepFor(d.exp10);
  auto tailFrom = [](const std::string& digits, long long at) {
    return std::string_view(digits).substr(std::min(static_cast<std::size_t>(at), digits.size()));
  };
  if (keep >= 0 && IsHalfTail(tailFrom(d.digits, keep))) {
    ScientificDigits(magnitude, 330, d.digits, d.exp10);
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
  // The digit count must match the estimate; log10 can be off at powers of ten.
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
  Decimal d;
  if (RoundDecimalFast(value, sigDigits, decimals, d)) return d;
  return RoundDecimalExact(value, sigDigits, decimals);
}

std::string Scientific(const Decimal& d) {
  std::string out;
  if (d.negative) out.push_back('-');
  out.push_back(d.digits[0]);
  if (d.digits.size() > 1) {
    out.push_back('.');
    out.append(d.digits, 1, std::string::npos);
  }
  out.push_back('E');
  out.append(std::to_string(d.exp10 - 1));
  return out;
}

// Plain decimal notation of d with `minDecimals` decimals at least.
std::string Plain(const Decimal& d, int minDecimals) {
  std::string out;
  if (d.negative) out.push_back('-');
  if (d.exp10 <= 0) {
    out.push_back('0');
  } else {
    for (int i = 0; i < d.exp10; ++i) {
      auto idx = static_cast<std::size_t>(i);
      out.push_back(idx < d.digits.size() ? d.digits[idx] : '0');
    }
  }
  std::string fraction;
  for (long long place = d.exp10; place < static_cast<long long>(d.digits.size()); ++place) {
    fraction.push_back(place < 0 ? '0' : d.digits[static_cast<std::size_t>(place)]);
  }
  if (d.exp10 < 0) {
    fraction.assign(static_cast<std::size_t>(-d.exp10), '0');
    fraction.append(d.digits);
  }
  while (fraction.size() < static_cast<std::size_t>(minDecimals)) fraction.push_back('0');
  if (!fraction.empty()) {
    out.push_back('.');
    out.append(fraction);
  }
  return out;
}

bool IsBlank(char c) { return c == ' '; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

locale_t CLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return loc;
}

constexpr int kNoDecimalLimit = INT_MAX / 2;
constexpr int kFixedDecimals = 9;

std::string GeneralText(const Decimal& d) {
  if (d.digits.empty()) return "0";
  if (d.exp10 > kPrecision || d.exp10 < -4) return Scientific(d);
  return Plain(d, 0);
}

std::string FixedText(const Decimal& d) {
  if (d.digits.empty()) return "0.000000000";
  if (d.exp10 > kPrecision) return Scientific(d);
  return Plain(d, kFixedDecimals);
}

}  // namespace

std::size_t FormatGeneralTo(double value, char* out) {
  // Plain notation straight from the scaled digits, for the usual range.
  double magnitude = std::fabs(value);
  if (magnitude >= 1e-4 && magnitude < 1e14) {
    int intDigits = DigitsBeforePoint(magnitude);
    int scale = kPrecision - intDigits;
    long double scaled = static_cast<long double>(magnitude) * PowersOfTen()[scale];
    long double whole = std::floor(scaled);
    long double dropped = scaled - whole;
    auto n = static_cast<std::uint64_t>(whole) + (dropped > 0.5L ? 1 : 0);
    constexpr std::uint64_t kLow = 100000000000000ULL;  // 10^14
    constexpr std::uint64_t kHigh = 10 * kLow;
    if (std::fabs(dropped - 0.5L) >= 1e-3L && n >= kLow && n <= kHigh) {
      if (n == kHigh) {
        n = kLow;
        ++intDigits;
      }
      char digits[kPrecision];
      for (int i = kPrecision - 1; i >= 0; --i, n /= 10) digits[i] = static_cast<char>('0' + n % 10);
      int count = kPrecision;
      while (count > 0 && digits[count - 1] == '0') --count;
      char* p = out;
      if (std::signbit(value)) *p++ = '-';
      if (intDigits <= 0) {
        *p++ = '0';
        *p++ = '.';
        for (int i = intDigits; i < 0; ++i) *p++ = '0';
        for (int i = 0; i < count; ++i) *p++ = digits[i];
      } else {
        for (int i = 0; i < intDigits; ++i) *p++ = i < count ? digits[i] : '0';
        if (count > intDigits) {
          *p++ = '.';
          for (int i = intDigits; i < count; ++i) *p++ = digits[i];
        }
      }
      return static_cast<std::size_t>(p - out);
    }
  }
  std::string text = GeneralText(RoundDecimal(value, kPrecision, kNoDecimalLimit));
  std::memcpy(out, text.data(), text.size());
  return text.size();
}

std::string FormatGeneral(double value) {
  char buf[kMaxGeneralText];
  return std::string(buf, FormatGeneralTo(value, buf));
}
std::string FormatFixed(double value) { return FixedText(RoundDecimal(value, kPrecision, kFixedDecimals)); }

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
