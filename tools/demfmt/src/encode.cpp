#include "encode.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>

#include "numtext.h"
#include "strtext.h"

namespace demfmt {

namespace {
constexpr std::int64_t kS8 = -128, kU8 = 255, kS16 = -32768, kU16 = 65535;
constexpr std::int64_t kS32 = -2147483648ll, kU32 = 4294967295ll;

std::string quoted(std::string_view s) { return excerpt(s); }
}  // namespace

namespace {

// Token scanning of one line. Every token ends at a blank, a tab or the
// line's end char (readable, never blank), so the scanners below stop on it
// instead of checking bounds.
// The position after the token that ends at q: past its blank, so the next
// scan usually starts right on its token. Null when q ends no token.
[[gnu::always_inline]] inline const char* past_token(const char* q, const char* e) {
  if (q == e) return q;
  if (*q == ' ' || *q == '\t') return q + 1;
  return nullptr;
}

[[gnu::always_inline]] inline std::string_view next_token(const char*& p, const char* e) {
  while (p < e && (*p == ' ' || *p == '\t')) ++p;
  const char* s = p;
  while (p < e && *p != ' ' && *p != '\t') ++p;
  return {s, static_cast<std::size_t>(p - s)};
}

struct ValAt {
  std::int64_t v;
  const char* p;
};
struct ReadWrite {
  const char* p;
  char* w;
};

// "70000 is out of range for health (-32768 to 65535)"
[[noreturn]] void fail_range(std::string_view token, std::string_view what, std::string_view lo, std::string_view hi) {
  std::string m(token.substr(0, 40));
  m += " is out of range for ";
  m += what;
  m += " (";
  m += lo;
  m += " to ";
  m += hi;
  m += ')';
  MessageEncoder::fail(std::move(m));
}

// A whole number too long to read: decimal digits (after a sign) or 0x and
// hex digits.
bool digits_only(std::string_view s) {
  std::size_t i = !s.empty() && (s[0] == '-' || s[0] == '+');
  bool hex = s.size() > i + 2 && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X');
  if (hex) i += 2;
  if (i >= s.size()) return false;
  for (; i < s.size(); ++i)
    if (hex ? kHexDigit[static_cast<unsigned char>(s[i])] > 15 : (s[i] < '0' || s[i] > '9')) return false;
  return true;
}

// p: the start of the value's token (before any blank).
[[gnu::noinline]] ValAt ival_slow(const char* p, const char* e, std::int64_t lo, std::int64_t hi, const char* what) {
  std::string_view s = next_token(p, e);
  if (s.empty()) MessageEncoder::fail(std::string("missing ") + what);
  auto v = parse_int_fast(s);
  if (!v && !digits_only(s))
    MessageEncoder::fail(std::string("bad ") + what + " " + quoted(s) + " (not a whole number)");
  if (!v || *v < lo || *v > hi) fail_range(s, what, std::to_string(lo), std::to_string(hi));
  return {*v, p};
}

[[gnu::noinline]] const char* expect_slow(const char* p, const char* e, std::string_view key) {
  std::string_view s = next_token(p, e);
  if (s.empty()) MessageEncoder::fail("expected '" + std::string(key) + "' before the end of the line");
  if (s != key) MessageEncoder::fail("expected '" + std::string(key) + "' but found " + quoted(s));
  return p;
}

[[gnu::always_inline]] inline char* put16(char* w, std::int64_t v) {
  w[0] = static_cast<char>(v & 0xff);
  w[1] = static_cast<char>((v >> 8) & 0xff);
  return w + 2;
}
[[gnu::always_inline]] inline char* put32(char* w, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) w[i] = static_cast<char>((v >> (8 * i)) & 0xff);
  return w + 4;
}

// Every coordinate form but the plain decimals that Line::coord reads itself.
[[gnu::noinline]] ReadWrite coord_slow(const char* p, const char* e, char* w, CoordKind kind) {
  std::string_view s = next_token(p, e);
  if (s.empty()) MessageEncoder::fail("missing coordinate");
  switch (kind) {
    case CoordKind::Short8: {
      auto d = parse_double(s);
      if (!d) MessageEncoder::fail("bad coordinate " + quoted(s));
      double r = std::nearbyint(*d * 8);
      if (!(r >= -32768 && r <= 32767)) fail_range(s, "a coordinate", "-4096", "4095.875");
      w = put16(w, static_cast<std::int64_t>(r));
      break;
    }
    case CoordKind::Bits24: {
      std::size_t c = s.find(':');
      auto a = parse_int(s.substr(0, c));
      auto b = c == std::string_view::npos ? std::nullopt : parse_int(s.substr(c + 1));
      if (!a || !b) MessageEncoder::fail("bad 24-bit coordinate " + quoted(s) + " (want SHORT:BYTE)");
      if (*a < kS16 || *a > kU16) fail_range(s, "the whole part of a 24-bit coordinate", "-32768", "65535");
      if (*b < 0 || *b > 255) fail_range(s, "the fraction of a 24-bit coordinate", "0", "255");
      w = put16(w, *a);
      *w++ = static_cast<char>(*b & 0xff);
      break;
    }
    case CoordKind::Int16th: {
      auto d = parse_double(s);
      if (!d) MessageEncoder::fail("bad coordinate " + quoted(s));
      double r = std::nearbyint(*d * 16);
      if (!(r >= -2147483648.0 && r <= 2147483647.0))
        fail_range(s, "a 32-bit coordinate", "-134217728", "134217727.9375");
      w = put32(w, static_cast<std::uint32_t>(static_cast<std::int32_t>(r)));
      break;
    }
    case CoordKind::Float: {
      auto f = parse_float(s);
      if (!f) MessageEncoder::fail("bad float coordinate " + quoted(s));
      w = put32(w, std::bit_cast<std::uint32_t>(*f));
      break;
    }
  }
  return {p, w};
}

// Every angle form but the plain decimals that Line::angle reads itself.
[[gnu::noinline]] ReadWrite angle_slow(const char* p, const char* e, char* w, AngleKind kind) {
  std::string_view s = next_token(p, e);
  if (s.empty()) MessageEncoder::fail("missing angle");
  switch (kind) {
    case AngleKind::Byte: {
      auto d = parse_double(s);
      if (!d || !std::isfinite(*d) || std::fabs(*d) > 1e6) MessageEncoder::fail("bad angle " + quoted(s));
      *w++ = static_cast<char>(static_cast<std::int64_t>(std::nearbyint(*d * 256 / 360)) & 0xff);
      break;
    }
    case AngleKind::Short: {
      auto d = parse_double(s);
      if (!d || !std::isfinite(*d) || std::fabs(*d) > 1e6) MessageEncoder::fail("bad angle " + quoted(s));
      w = put16(w, static_cast<std::int64_t>(std::nearbyint(*d * 65536 / 360)));
      break;
    }
    case AngleKind::Float: {
      auto f = parse_float(s);
      if (!f) MessageEncoder::fail("bad float angle " + quoted(s));
      w = put32(w, std::bit_cast<std::uint32_t>(*f));
      break;
    }
  }
  return {p, w};
}

// The state of one line's encoding: read position, end of the tokens, write
// position and the number formats. It lives in a local and every member is
// inlined, so all of it stays in registers: nothing here is reachable
// through the char pointer the bytes are stored by.
struct Line {
  const char* p;
  const char* e;
  char* w;
  CoordKind ck;
  AngleKind ak;

  [[gnu::always_inline]] void u8(std::int64_t v) { *w++ = static_cast<char>(v & 0xff); }
  [[gnu::always_inline]] void u16(std::int64_t v) { w = put16(w, v); }
  [[gnu::always_inline]] void b32(std::uint32_t v) { w = put32(w, v); }

  [[gnu::always_inline]] std::string_view next() { return next_token(p, e); }
  [[gnu::always_inline]] bool done() {
    while (p < e && (*p == ' ' || *p == '\t')) ++p;
    return p >= e;
  }

  // Consumes the token if it equals k (k: letters and digits only).
  template <std::size_t N>
  [[gnu::always_inline]] bool key(const char (&k)[N]) {
    constexpr std::ptrdiff_t n = N - 1;
    const char* q = p;
    while (*q == ' ') ++q;  // stops at the end char
    if (e - q < n || !same_chars(q, k)) return false;
    const char* r = past_token(q + n, e);
    if (!r) return false;
    p = r;
    return true;
  }
  // Plain decimal "-?D+(.D*)?" token: value = mant / 10^frac. False
  // (nothing consumed) for anything else.
  [[gnu::always_inline]] bool fixed(std::int64_t& mant, int& frac) {
    const char* q = p;
    while (*q == ' ') ++q;
    bool neg = *q == '-';
    q += neg;
    const char* start = q;
    std::uint64_t m = 0;  // unsigned: long inputs wrap harmlessly, the digit count rejects them
    unsigned d;
    while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
      m = m * 10 + d;
      ++q;
    }
    int fd = 0;
    const bool dot = *q == '.';
    if (dot) {
      const char* f = ++q;
      while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
        m = m * 10 + d;
        ++q;
      }
      fd = static_cast<int>(q - f);
    }
    std::ptrdiff_t digits = q - start - (dot ? 1 : 0);
    if (digits <= 0 || digits > 15) return false;
    const char* r = past_token(q, e);
    if (!r) return false;
    p = r;
    mant = neg ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
    frac = fd;
    return true;
  }
  // Decimal or 0x-hex integer token; false (nothing consumed) for anything
  // else.
  [[gnu::always_inline]] bool integer(std::int64_t& v) {
    const char* q = p;
    while (*q == ' ') ++q;
    bool neg = *q == '-';
    q += neg;
    const char* start = q;
    std::uint64_t x = 0;  // unsigned: long inputs wrap harmlessly, the digit count rejects them
    if (q[0] == '0' && q[1] == 'x' && !neg) {
      q += 2;
      start = q;
      unsigned d;
      while ((d = kHexDigit[static_cast<unsigned char>(*q)]) < 16) {
        x = x * 16 + d;
        ++q;
      }
      if (q - start > 8) return false;
    } else {
      unsigned d;
      while ((d = static_cast<unsigned>(*q - '0')) <= 9) {
        x = x * 10 + d;
        ++q;
      }
      if (q - start > 12) return false;
    }
    if (q == start) return false;
    const char* r = past_token(q, e);
    if (!r) return false;
    p = r;
    v = neg ? -static_cast<std::int64_t>(x) : static_cast<std::int64_t>(x);
    return true;
  }

  [[gnu::always_inline]] std::int64_t ival(std::int64_t lo, std::int64_t hi, const char* what) {
    const char* const start = p;  // integer() consumes a well-formed token even when out of range
    std::int64_t v;
    if (integer(v) && v >= lo && v <= hi) return v;
    ValAt r = ival_slow(start, e, lo, hi, what);
    p = r.p;
    return r.v;
  }
  template <std::size_t N>
  [[gnu::always_inline]] void expect(const char (&k)[N]) {
    if (!key(k)) p = expect_slow(p, e, std::string_view(k, N - 1));
  }
  template <std::size_t N>
  [[gnu::always_inline]] std::int64_t kv(const char (&k)[N], std::int64_t lo, std::int64_t hi) {
    expect(k);
    return ival(lo, hi, k);
  }

  [[gnu::always_inline]] void coord() {
    const char* const save = p;
    if (ck == CoordKind::Short8) {
      std::int64_t m;
      int fd;
      if (fixed(m, fd) && fd <= 3) {
        std::int64_t x = m * 8, r;
        bool exact;
        switch (fd) {  // constant divisors: no division instruction
          case 0:
            r = x;
            exact = true;
            break;
          case 1:
            r = x / 10;
            exact = r * 10 == x;
            break;
          case 2:
            r = x / 100;
            exact = r * 100 == x;
            break;
          default:
            r = x / 1000;
            exact = r * 1000 == x;
            break;
        }
        if (exact && r >= -32768 && r <= 32767) {
          u16(r);
          return;
        }
      }
    }
    ReadWrite r = coord_slow(save, e, w, ck);  // from the token's start
    p = r.p;
    w = r.w;
  }
  [[gnu::always_inline]] void angle() {
    const char* const save = p;
    if (ak == AngleKind::Byte) {
      static constexpr std::int64_t pow10[6] = {1, 10, 100, 1000, 10000, 100000};
      std::int64_t m;
      int fd;
      if (fixed(m, fd) && fd <= 5 && m > -100000000 && m < 100000000) {
        std::int64_t x = m * pow10[5 - fd] * 256;  // value * 10^5 * 256
        std::int64_t k = x / 36000000;
        if (k * 36000000 == x) {
          u8(k);
          return;
        }
      }
    }
    ReadWrite r = angle_slow(save, e, w, ak);  // from the token's start
    p = r.p;
    w = r.w;
  }
  [[gnu::always_inline]] void coords3() {
    coord();
    coord();
    coord();
  }
};

[[gnu::always_inline]] inline void entity_flags(Line& l, std::uint32_t bits, bool fitz) {
  if (!(bits & U_SIGNAL)) MessageEncoder::fail("entity flags must have bit 0x80 set");
  bool b1 = bits & U_MOREBITS;
  bool b2 = b1 && fitz && (bits & U_EXTEND1);
  bool b3 = b2 && (bits & U_EXTEND2);
  std::uint32_t allowed = b3 ? 0xffffffffu : b2 ? 0xffffffu : b1 ? 0xffffu : 0xffu;
  if (bits & ~allowed) MessageEncoder::fail("entity flags announce bits that no flag byte carries");
  l.u8(bits);
  if (b1) l.u8(bits >> 8);
  if (b2) l.u8(bits >> 16);
  if (b3) l.u8(bits >> 24);
}

[[gnu::always_inline]] inline void entity(Line& l, bool fitz) {
  std::int64_t num = l.ival(0, kU16, "entity number");
  std::uint32_t bits = static_cast<std::uint32_t>(l.ival(0, kU32, "entity flags"));
  entity_flags(l, bits, fitz);
  if (bits & U_LONGENTITY)
    l.u16(num);
  else if (num > 255)
    MessageEncoder::fail("entity number above 255 needs flag 0x4000");
  else
    l.u8(num);
  constexpr std::uint32_t kFields = U_MODEL | U_FRAME | U_COLORMAP | U_SKIN | U_EFFECTS | U_ORIGIN1 | U_ORIGIN2 |
                                    U_ORIGIN3 | U_ANGLE1 | U_ANGLE2 | U_ANGLE3 | U_ALPHA | U_SCALE | U_FRAME2 |
                                    U_MODEL2 | U_LERPFINISH;
  if (!(bits & kFields)) return;  // the frequent update that only names the entity
  if (bits & U_MODEL) l.u8(l.kv("model", 0, kU8));
  if (bits & U_FRAME) l.u8(l.kv("frame", 0, kU8));
  if (bits & U_COLORMAP) l.u8(l.kv("colormap", 0, kU8));
  if (bits & U_SKIN) l.u8(l.kv("skin", 0, kU8));
  if (bits & U_EFFECTS) l.u8(l.kv("effects", 0, kU8));
  if (bits & U_ORIGIN1) {
    l.expect("x");
    l.coord();
  }
  if (bits & U_ANGLE1) {
    l.expect("pitch");
    l.angle();
  }
  if (bits & U_ORIGIN2) {
    l.expect("y");
    l.coord();
  }
  if (bits & U_ANGLE2) {
    l.expect("yaw");
    l.angle();
  }
  if (bits & U_ORIGIN3) {
    l.expect("z");
    l.coord();
  }
  if (bits & U_ANGLE3) {
    l.expect("roll");
    l.angle();
  }
  if (fitz) {
    if (bits & U_ALPHA) l.u8(l.kv("alpha", 0, kU8));
    if (bits & U_SCALE) l.u8(l.kv("scale", 0, kU8));
    if (bits & U_FRAME2) l.u8(l.kv("frame2", 0, kU8));
    if (bits & U_MODEL2) l.u8(l.kv("model2", 0, kU8));
    if (bits & U_LERPFINISH) l.u8(l.kv("lerp", 0, kU8));
  }
}

[[gnu::always_inline]] inline void clientdata(Line& l) {
  std::uint32_t bits = static_cast<std::uint32_t>(l.ival(0, kU32, "clientdata flags"));
  bool b2 = bits & SU_EXTEND1;
  bool b3 = b2 && (bits & SU_EXTEND2);
  std::uint32_t allowed = b3 ? 0xffffffffu : b2 ? 0xffffffu : 0xffffu;
  if (bits & ~allowed) MessageEncoder::fail("clientdata flags announce bits that no flag byte carries");
  l.u8(svc_clientdata);
  l.u16(bits);
  if (b2) l.u8(bits >> 16);
  if (b3) l.u8(bits >> 24);
  if (bits & SU_VIEWHEIGHT) l.u8(l.kv("viewheight", kS8, kU8));
  if (bits & SU_IDEALPITCH) l.u8(l.kv("idealpitch", kS8, kU8));
  // Written out (not looped over name tables) so every key compare is
  // against a literal of known length.
  if (bits & SU_PUNCH1) l.u8(l.kv("punch1", kS8, kU8));
  if (bits & SU_VELOCITY1) l.u8(l.kv("velocity1", kS8, kU8));
  if (bits & (SU_PUNCH1 << 1)) l.u8(l.kv("punch2", kS8, kU8));
  if (bits & (SU_VELOCITY1 << 1)) l.u8(l.kv("velocity2", kS8, kU8));
  if (bits & (SU_PUNCH1 << 2)) l.u8(l.kv("punch3", kS8, kU8));
  if (bits & (SU_VELOCITY1 << 2)) l.u8(l.kv("velocity3", kS8, kU8));
  l.b32(static_cast<std::uint32_t>(l.kv("items", kS32, kU32)));
  if (bits & SU_WEAPONFRAME) l.u8(l.kv("weaponframe", 0, kU8));
  if (bits & SU_ARMOR) l.u8(l.kv("armor", 0, kU8));
  if (bits & SU_WEAPON) l.u8(l.kv("weapon", 0, kU8));
  l.u16(l.kv("health", kS16, kU16));
  l.u8(l.kv("ammo", 0, kU8));
  l.u8(l.kv("shells", 0, kU8));
  l.u8(l.kv("nails", 0, kU8));
  l.u8(l.kv("rockets", 0, kU8));
  l.u8(l.kv("cells", 0, kU8));
  l.u8(l.kv("active", 0, kU8));
  // The high bytes (kClientExtBit order).
  static_assert(kClientExtCount == 9 && kClientExtBit[0] == 16 && kClientExtBit[7] == 24);
  if (bits & 0x037f0000u) {
    if (bits & (1u << 16)) l.u8(l.kv("weapon2", 0, kU8));
    if (bits & (1u << 17)) l.u8(l.kv("armor2", 0, kU8));
    if (bits & (1u << 18)) l.u8(l.kv("ammo2", 0, kU8));
    if (bits & (1u << 19)) l.u8(l.kv("shells2", 0, kU8));
    if (bits & (1u << 20)) l.u8(l.kv("nails2", 0, kU8));
    if (bits & (1u << 21)) l.u8(l.kv("rockets2", 0, kU8));
    if (bits & (1u << 22)) l.u8(l.kv("cells2", 0, kU8));
    if (bits & (1u << 24)) l.u8(l.kv("weaponframe2", 0, kU8));
    if (bits & (1u << 25)) l.u8(l.kv("weaponalpha", 0, kU8));
  }
}

[[gnu::always_inline]] inline void sound(Line& l) {
  std::int64_t mask = l.ival(0, kU8, "sound flags");
  l.u8(svc_sound);
  l.u8(mask);
  if (mask & SND_VOLUME) l.u8(l.kv("volume", 0, kU8));
  if (mask & SND_ATTENUATION) l.u8(l.kv("atten", 0, kU8));
  if (mask & SND_LARGEENTITY) {
    l.u16(l.kv("entity", 0, kU16));
    l.u8(l.kv("channel", 0, kU8));
  } else {
    std::int64_t e = l.kv("entity", 0, 8191);
    std::int64_t c = l.kv("channel", 0, 7);
    l.u16(e << 3 | c);
  }
  if (mask & SND_LARGESOUND)
    l.u16(l.kv("sample", 0, kU16));
  else
    l.u8(l.kv("sample", 0, kU8));
  l.expect("origin");
  l.coords3();
}

[[gnu::always_inline]] inline void baseline(Line& l, bool v2) {
  std::int64_t fl = v2 ? l.ival(0, kU8, "baseline flags") : 0;
  if (v2) l.u8(fl);
  if (fl & 1)
    l.u16(l.kv("model", 0, kU16));
  else
    l.u8(l.kv("model", 0, kU8));
  if (fl & 2)
    l.u16(l.kv("frame", 0, kU16));
  else
    l.u8(l.kv("frame", 0, kU8));
  l.u8(l.kv("colormap", 0, kU8));
  l.u8(l.kv("skin", 0, kU8));
  // Text: origin x y z angles p y r; stream: x p y y z r.
  l.expect("origin");
  const char* org = l.p;
  l.next();
  l.next();
  l.next();
  l.expect("angles");
  for (int i = 0; i < 3; ++i) {
    const char* ang = l.p;
    l.p = org;
    l.coord();
    org = l.p;
    l.p = ang;
    l.angle();
  }
  if (fl & 4) l.u8(l.kv("alpha", 0, kU8));
  if (fl & 8) l.u8(l.kv("scale", 0, kU8));
}

[[gnu::always_inline]] inline void tempentity(Line& l) {
  std::string_view name = l.next();
  int type = -1;
  static constexpr auto kNames = [] {
    std::array<std::string_view, kTempEntityCount> a{};
    for (int i = 0; i < kTempEntityCount; ++i) a[static_cast<std::size_t>(i)] = kTempEntityName[i];
    return a;
  }();
  for (int i = 0; i < kTempEntityCount; ++i)
    if (name == kNames[static_cast<std::size_t>(i)]) type = i;
  if (type < 0) MessageEncoder::fail("unknown temp entity " + quoted(name));
  l.u8(svc_temp_entity);
  l.u8(type);
  switch (tempentity_shape(type)) {
    case 1:
      l.u16(l.kv("entity", kS16, kU16));
      l.expect("start");
      l.coords3();
      l.expect("end");
      l.coords3();
      break;
    case 2:
      l.coords3();
      l.u8(l.kv("color", 0, kU8));
      l.u8(l.kv("count", 0, kU8));
      break;
    default:
      l.coords3();
      break;
  }
}
}  // namespace

char* MessageEncoder::put_str(char* w, const std::string* s) {
  if (!s) fail("missing string");
  out_.commit(w);
  out_.put(*s);
  out_.put_u8(0);
  return out_.room(kLineBytes);
}

char* MessageEncoder::put_raw(char* w, std::string_view hex) {
  out_.commit(w);
  if (!unhex(hex, out_)) fail("bad hex in raw line");
  return out_.room(kLineBytes);
}

void MessageEncoder::close_serverinfo() {
  if (!si_open_) return;
  if (si_list_ == 0) out_.put_u8(0);
  out_.put_u8(0);
  si_open_ = false;
}

bool MessageEncoder::encode(Kw kw, Toks t, const std::string* s) {
  if (kw == Kw::unknown || kw == Kw::camera) return false;
  if (si_open_ && kw != Kw::precache_model && kw != Kw::precache_sound) close_serverinfo();
  Line l{t.p, t.e, out_.room(kLineBytes), coord_kind_, angle_kind_};
  auto id = [&](Svc v) { l.u8(v); };
  switch (kw) {
    case Kw::unknown:
    case Kw::camera:
      return false;
    case Kw::nop:
      id(svc_nop);
      break;
    case Kw::disconnect:
      id(svc_disconnect);
      break;
    case Kw::killedmonster:
      id(svc_killedmonster);
      break;
    case Kw::foundsecret:
      id(svc_foundsecret);
      break;
    case Kw::intermission:
      id(svc_intermission);
      break;
    case Kw::sellscreen:
      id(svc_sellscreen);
      break;
    case Kw::bf:
      id(svc_bf);
      break;
    case Kw::entity:
      entity(l, proto_.fitz());
      break;
    case Kw::clientdata:
      clientdata(l);
      break;
    case Kw::time:
    case Kw::servertime: {
      std::string_view v = l.next();
      std::optional<float> f;
      if (kw == Kw::time) {
        f = parse_time(v);
        if (!f) f = parse_float(v);
      } else {
        f = parse_float(v);
        if (!f) f = parse_time(v);
      }
      if (!f) fail("bad time " + quoted(v));
      id(svc_time);
      l.b32(std::bit_cast<std::uint32_t>(*f));
      break;
    }
    case Kw::sound:
      sound(l);
      break;
    case Kw::tempentity:
      tempentity(l);
      break;
    case Kw::particle:
      id(svc_particle);
      l.coords3();
      l.expect("dir");
      for (int i = 0; i < 3; ++i) l.u8(l.ival(kS8, kU8, "direction"));
      l.u8(l.kv("count", 0, kU8));
      l.u8(l.kv("color", 0, kU8));
      break;
    case Kw::updatestat:
      id(svc_updatestat);
      l.u8(l.ival(0, kU8, "stat index"));
      l.b32(static_cast<std::uint32_t>(l.ival(kS32, kU32, "stat value")));
      break;
    case Kw::version: {
      std::int64_t v = l.ival(kS32, kU32, "protocol");
      id(svc_version);
      l.b32(static_cast<std::uint32_t>(v));
      proto_.set_version(static_cast<std::int32_t>(static_cast<std::uint32_t>(v)));
      sync_proto();
      l.ck = coord_kind_;
      l.ak = angle_kind_;
      break;
    }
    case Kw::setview:
      id(svc_setview);
      l.u16(l.ival(kS16, kU16, "entity"));
      break;
    case Kw::print:
      id(svc_print);
      l.w = put_str(l.w, s);
      break;
    case Kw::stufftext:
      id(svc_stufftext);
      l.w = put_str(l.w, s);
      break;
    case Kw::centerprint:
      id(svc_centerprint);
      l.w = put_str(l.w, s);
      break;
    case Kw::finale:
      id(svc_finale);
      l.w = put_str(l.w, s);
      break;
    case Kw::cutscene:
      id(svc_cutscene);
      l.w = put_str(l.w, s);
      break;
    case Kw::skybox:
      id(svc_skybox);
      l.w = put_str(l.w, s);
      break;
    case Kw::setangle:
      id(svc_setangle);
      l.angle();
      l.angle();
      l.angle();
      break;
    case Kw::serverinfo: {
      std::int64_t p = l.ival(kS32, kU32, "protocol");
      auto p32 = static_cast<std::int32_t>(static_cast<std::uint32_t>(p));
      std::uint32_t flags = 0;
      id(svc_serverinfo);
      l.b32(static_cast<std::uint32_t>(p));
      if (p32 == 999) {
        flags = static_cast<std::uint32_t>(l.kv("flags", 0, kU32));
        l.b32(flags);
      }
      l.u8(l.kv("maxclients", 0, kU8));
      l.u8(l.kv("gametype", 0, kU8));
      l.expect("level");
      l.w = put_str(l.w, s);
      proto_.set_server(p32, flags);
      sync_proto();
      l.ck = coord_kind_;
      l.ak = angle_kind_;
      si_open_ = true;
      si_list_ = 0;
      break;
    }
    case Kw::precache_model:
    case Kw::precache_sound: {
      if (!si_open_ || (kw == Kw::precache_model && si_list_ == 1))
        fail("precache line not directly after a serverinfo line and its model list");
      if (!s || s->empty()) fail("empty precache name");
      if (kw == Kw::precache_sound && si_list_ == 0) {
        l.u8(0);
        si_list_ = 1;
      }
      l.w = put_str(l.w, s);
      break;
    }
    case Kw::lightstyle:
      id(svc_lightstyle);
      l.u8(l.ival(0, kU8, "style"));
      l.w = put_str(l.w, s);
      break;
    case Kw::updatename:
      id(svc_updatename);
      l.u8(l.ival(0, kU8, "slot"));
      l.w = put_str(l.w, s);
      break;
    case Kw::updatefrags:
      id(svc_updatefrags);
      l.u8(l.ival(0, kU8, "slot"));
      l.u16(l.ival(kS16, kU16, "frags"));
      break;
    case Kw::stopsound: {
      std::int64_t e = l.kv("entity", 0, 8191);
      std::int64_t c = l.kv("channel", 0, 7);
      id(svc_stopsound);
      l.u16(e << 3 | c);
      break;
    }
    case Kw::updatecolors: {
      std::int64_t slot = l.ival(0, kU8, "slot");
      std::int64_t top = l.kv("top", 0, 15);
      std::int64_t bottom = l.kv("bottom", 0, 15);
      id(svc_updatecolors);
      l.u8(slot);
      l.u8(top << 4 | bottom);
      break;
    }
    case Kw::damage:
      id(svc_damage);
      l.u8(l.kv("armor", 0, kU8));
      l.u8(l.kv("blood", 0, kU8));
      l.expect("from");
      l.coords3();
      break;
    case Kw::spawnstatic:
      id(svc_spawnstatic);
      baseline(l, false);
      break;
    case Kw::spawnstatic2:
      id(svc_spawnstatic2);
      baseline(l, true);
      break;
    case Kw::spawnbaseline:
      id(svc_spawnbaseline);
      l.u16(l.ival(0, kU16, "entity"));
      baseline(l, false);
      break;
    case Kw::spawnbaseline2:
      id(svc_spawnbaseline2);
      l.u16(l.ival(0, kU16, "entity"));
      baseline(l, true);
      break;
    case Kw::setpause:
      id(svc_setpause);
      l.u8(l.ival(0, kU8, "pause"));
      break;
    case Kw::signonnum:
      id(svc_signonnum);
      l.u8(l.ival(0, kU8, "signon"));
      break;
    case Kw::spawnstaticsound:
    case Kw::spawnstaticsound2: {
      bool two = kw == Kw::spawnstaticsound2;
      id(two ? svc_spawnstaticsound2 : svc_spawnstaticsound);
      l.coords3();
      if (two)
        l.u16(l.kv("sample", 0, kU16));
      else
        l.u8(l.kv("sample", 0, kU8));
      l.u8(l.kv("volume", 0, kU8));
      l.u8(l.kv("atten", 0, kU8));
      break;
    }
    case Kw::cdtrack:
      id(svc_cdtrack);
      l.u8(l.ival(0, kU8, "track"));
      l.u8(l.kv("loop", 0, kU8));
      break;
    case Kw::fog:
      id(svc_fog);
      l.u8(l.kv("density", 0, kU8));
      l.u8(l.kv("red", 0, kU8));
      l.u8(l.kv("green", 0, kU8));
      l.u8(l.kv("blue", 0, kU8));
      l.u16(l.kv("time", kS16, kU16));
      break;
    case Kw::raw: {
      std::string_view h = l.next();
      l.w = put_raw(l.w, h);
      break;
    }
  }
  if (!l.done()) fail("unexpected " + quoted(l.next()));
  out_.commit(l.w);
  return true;
}

}  // namespace demfmt
