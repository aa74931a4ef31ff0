#include "numtext.h"

#include "demfmt/demfmt.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>

namespace demfmt {

const char kDigitPairs[201] =
    "0001020304050607080910111213141516171819"
    "2021222324252627282930313233343536373839"
    "4041424344454647484950515253545556575859"
    "6061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* write_int_slow(char* p, std::int64_t v) { return std::to_chars(p, p + 24, v).ptr; }

namespace {
struct HexPairs {
  char t[512];
  HexPairs() {
    static const char hex[] = "0123456789abcdef";
    for (int i = 0; i < 256; ++i) {
      t[2 * i] = hex[i >> 4];
      t[2 * i + 1] = hex[i & 15];
    }
  }
};
const HexPairs kHexPairs;
}  // namespace

char* write_hex(char* p, std::uint32_t v, int digits) {
  *p++ = '0';
  *p++ = 'x';
  for (int i = digits / 2 - 1; i >= 0; --i) {
    std::memcpy(p, kHexPairs.t + 2 * ((v >> (8 * i)) & 0xff), 2);
    p += 2;
  }
  return p;
}

static bool needs_bits(std::uint32_t bits) {
  std::uint32_t exp = (bits >> 23) & 0xff;
  if (exp == 0xff) return true;                         // NaN, infinity
  if (exp == 0 && (bits & 0x7fffff) != 0) return true;  // denormal
  return false;
}

char* write_float(char* p, float f) {
  std::uint32_t bits = std::bit_cast<std::uint32_t>(f);
  if (needs_bits(bits)) return write_hex(p, bits, 8);
  return std::to_chars(p, p + kMaxNumber, f).ptr;
}

char* write_double_shortest(char* p, double d) { return std::to_chars(p, p + kMaxNumber, d).ptr; }

namespace {
struct AngleTable {
  std::array<std::array<char, 12>, 256> text{};
  std::array<unsigned char, 256> len{};
  AngleTable() {
    for (int b = 0; b < 256; ++b) {
      double v = static_cast<std::int8_t>(b) * (360.0 / 256.0);
      char* e = std::to_chars(text[b].data(), text[b].data() + 12, v).ptr;
      len[b] = static_cast<unsigned char>(e - text[b].data());
    }
  }
};
const AngleTable& angle_table() {
  static const AngleTable t;
  return t;
}
}  // namespace

char* write_angle8(char* p, std::uint8_t raw) {
  const AngleTable& t = angle_table();
  std::memcpy(p, t.text[raw].data(), 12);
  return p + t.len[raw];
}

std::optional<float> parse_time(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) return parse_float(s);
  if (s.empty()) return std::nullopt;
  static const double p10[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  std::int64_t m;
  int fd;
  // The writer's own form, unsigned seconds "12.500000000s": the same
  // arithmetic as below without the search for ':' parts.
  if (s.size() >= 2 && s.back() == 's' && s[0] != '-' && s[0] != '+' && parse_fixed(s.substr(0, s.size() - 1), m, fd))
    return static_cast<float>(static_cast<double>(m) / p10[fd]);
  char suffix = s.back();
  int want_parts = 0;
  if (suffix == 's' || suffix == 'S') want_parts = 1;
  if (suffix == 'm' || suffix == 'M') want_parts = 2;
  if (suffix == 'h' || suffix == 'H') want_parts = 3;
  if (want_parts) s.remove_suffix(1);
  bool neg = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    neg = s[0] == '-';
    s.remove_prefix(1);
  }
  // Up to two "N:" prefixes (hours, minutes).
  double whole = 0;
  int parts = 1;
  for (;;) {
    std::size_t c = s.find(':');
    if (c == std::string_view::npos) break;
    if (++parts > 3 || c == 0) return std::nullopt;
    std::uint64_t n = 0;
    for (std::size_t i = 0; i < c; ++i) {
      if (s[i] < '0' || s[i] > '9' || n > 100000000000000ull) return std::nullopt;
      n = n * 10 + static_cast<std::uint64_t>(s[i] - '0');
    }
    whole = whole * 60 + static_cast<double>(n);
    s.remove_prefix(c + 1);
  }
  if (want_parts && want_parts != parts) return std::nullopt;
  if (s.empty() || s[0] == '-' || s[0] == '+') return std::nullopt;
  double sec = 0;
  if (parse_fixed(s, m, fd) && fd <= 22) {
    sec = static_cast<double>(m) / p10[fd];  // both exact: correctly rounded
  } else {
    auto r = std::from_chars(s.data(), s.data() + s.size(), sec, std::chars_format::fixed);
    if (r.ptr != s.data() + s.size()) return std::nullopt;
    if (r.ec == std::errc::result_out_of_range)
      sec = 0;  // tiny: underflow to 0 below anyway
    else if (r.ec != std::errc())
      return std::nullopt;
  }
  double v = whole * 60 + sec;
  if (parts == 1) v = sec;
  float f = static_cast<float>(neg ? -v : v);
  if (!std::isfinite(f)) return std::nullopt;
  return f;
}

char* write_time(char* p, float t) {
  const std::uint32_t bits = std::bit_cast<std::uint32_t>(t);
  double v = t;
  char* start = p;
  double a = std::fabs(v);
  std::uint64_t hours = 0, minutes = 0;
  char suffix = 's';
  double rem = v;
  if (!std::signbit(v) && a >= 60 && a < 1e15) {
    std::uint64_t total_min = static_cast<std::uint64_t>(a / 60);
    rem = a - static_cast<double>(total_min) * 60;  // exact in double
    if (a >= 3600) {
      hours = total_min / 60;
      minutes = total_min % 60;
      suffix = 'h';
    } else {
      minutes = total_min;
      suffix = 'm';
    }
  }
  for (int prec = 9; prec <= 160; ++prec) {
    p = start;
    if (suffix == 'h') {
      p = std::to_chars(p, p + 24, hours).ptr;
      *p++ = ':';
    }
    if (suffix != 's') {
      p = std::to_chars(p, p + 24, minutes).ptr;
      *p++ = ':';
    }
    p = std::to_chars(p, start + kMaxTime - 1, rem, std::chars_format::fixed, prec).ptr;
    *p++ = suffix;
    auto back = parse_time(std::string_view(start, static_cast<std::size_t>(p - start)));
    if (back && std::bit_cast<std::uint32_t>(*back) == bits) return p;
  }
  return p;  // not reached for finite floats
}

bool parse_fixed(std::string_view s, std::int64_t& mant, int& frac_digits) {
  const char* p = s.data();
  const char* const e = p + s.size();
  const bool neg = p < e && *p == '-';
  p += neg;
  const char* const start = p;
  std::uint64_t m = 0;  // unsigned: long inputs wrap harmlessly, the digit count rejects them
  unsigned d;
  while (p < e && (d = static_cast<unsigned>(*p - '0')) <= 9) {
    m = m * 10 + d;
    ++p;
  }
  int frac = 0;
  const bool dot = p < e && *p == '.';
  if (dot) {
    const char* const f = ++p;
    while (p < e && (d = static_cast<unsigned>(*p - '0')) <= 9) {
      m = m * 10 + d;
      ++p;
    }
    frac = static_cast<int>(p - f);
  }
  const std::ptrdiff_t digits = p - start - dot;
  if (p != e || digits == 0 || digits > 15) return false;
  mant = neg ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
  frac_digits = frac;
  return true;
}
std::optional<std::int64_t> parse_int(std::string_view s) {
  if (s.empty()) return std::nullopt;
  bool neg = false;
  std::size_t i = 0;
  if (s[0] == '-' || s[0] == '+') {
    neg = s[0] == '-';
    i = 1;
  }
  if (i >= s.size()) return std::nullopt;
  std::uint64_t v = 0;
  if (s.size() - i > 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    i += 2;
    if (s.size() - i > 8) return std::nullopt;
    for (; i < s.size(); ++i) {
      char c = s[i];
      unsigned d;
      if (c >= '0' && c <= '9')
        d = static_cast<unsigned>(c - '0');
      else if (c >= 'a' && c <= 'f')
        d = static_cast<unsigned>(c - 'a' + 10);
      else if (c >= 'A' && c <= 'F')
        d = static_cast<unsigned>(c - 'A' + 10);
      else
        return std::nullopt;
      v = v * 16 + d;
    }
  } else {
    if (s.size() - i > 12) return std::nullopt;
    for (; i < s.size(); ++i) {
      char c = s[i];
      if (c < '0' || c > '9') return std::nullopt;
      v = v * 10 + static_cast<unsigned>(c - '0');
    }
  }
  std::int64_t r = static_cast<std::int64_t>(v);
  return neg ? -r : r;
}

std::optional<float> parse_float(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    auto v = parse_int(s);
    if (!v || *v < 0 || *v > 0xffffffffll) return std::nullopt;
    return std::bit_cast<float>(static_cast<std::uint32_t>(*v));
  }
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  {
    // Exact fast path: an integer mantissa below 2^24 and a power of ten
    // up to 10^10 are both exact floats, so one division rounds correctly.
    static const float p10[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};
    std::int64_t m;
    int fd;
    if (parse_fixed(s, m, fd)) {
      if (fd <= 10 && m > -(1 << 24) && m < (1 << 24)) {
        float f = static_cast<float>(m) / p10[fd];
        if (m == 0 && s[0] == '-') f = -0.0f;
        return f;
      }
      // Longer mantissas (at most 15 digits) and 10^fd up to 10^22 are
      // exact doubles, so the quotient is the correctly rounded double.
      // Narrowing it rounds like the text itself unless it lies exactly
      // halfway between two floats (its low 29 bits are 1 then zeros):
      // those, like zero, take the general path.
      static const double p10d[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
      if (m != 0 && fd <= 22) {
        double d = static_cast<double>(m) / p10d[fd];
        if ((std::bit_cast<std::uint64_t>(d) & 0x1fffffffu) != 0x10000000u) return static_cast<float>(d);
      }
    }
  }
  float f = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), f);
  if (r.ptr != s.data() + s.size()) return std::nullopt;
  if (r.ec != std::errc()) {
    // Denormal or underflowing text: fall back to a correctly rounded
    // double parse and narrow it.
    double d = 0;
    auto r2 = std::from_chars(s.data(), s.data() + s.size(), d);
    if (r2.ptr != s.data() + s.size() || r2.ec != std::errc()) return std::nullopt;
    f = static_cast<float>(d);
    if (!std::isfinite(f)) return std::nullopt;
  }
  return f;
}

std::optional<double> parse_double(std::string_view s) {
  if (!s.empty() && s[0] == '+') s.remove_prefix(1);
  if (s.empty()) return std::nullopt;
  double d = 0;
  auto r = std::from_chars(s.data(), s.data() + s.size(), d);
  if (r.ptr != s.data() + s.size() || r.ec != std::errc()) return std::nullopt;
  return d;
}

std::optional<float> read_time(std::string_view text, bool servertime) {
  // As the compiler reads a time or servertime line.
  if (servertime) {
    std::optional<float> t = parse_float(text);
    return t ? t : parse_time(text);
  }
  std::optional<float> t = parse_time(text);
  return t ? t : parse_float(text);
}

std::string time_text(float t) {
  char buf[kMaxTime];
  return std::string(buf, write_time(buf, t));
}

}  // namespace demfmt
