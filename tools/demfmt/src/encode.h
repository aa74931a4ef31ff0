// Dump lines -> binary message bytes (the compiler of one message line).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "outbuf.h"
#include "protocol.h"

namespace demfmt {

// True when the N-1 chars at s equal the literal w; all N-1 must be readable.
// Compares in a few overlapping word loads instead of a char loop.
template <std::size_t N>
[[gnu::always_inline]] inline bool same_chars(const char* s, const char (&w)[N]) {
  constexpr std::size_t n = N - 1;
  static_assert(n <= 24);
  if constexpr (n == 0) {
    return true;
  } else if constexpr (n == 1) {
    return s[0] == w[0];
  } else if constexpr (n < 4) {
    std::uint16_t a, b;
    std::memcpy(&a, s, 2);
    std::memcpy(&b, w, 2);
    return a == b && s[n - 1] == w[n - 1];
  } else if constexpr (n < 8) {
    std::uint32_t a0, a1, b0, b1;
    std::memcpy(&a0, s, 4);
    std::memcpy(&a1, s + n - 4, 4);
    std::memcpy(&b0, w, 4);
    std::memcpy(&b1, w + n - 4, 4);
    return ((a0 ^ b0) | (a1 ^ b1)) == 0;
  } else {
    std::uint64_t a0, a1, am = 0, b0, b1, bm = 0;
    std::memcpy(&a0, s, 8);
    std::memcpy(&a1, s + n - 8, 8);
    std::memcpy(&b0, w, 8);
    std::memcpy(&b1, w + n - 8, 8);
    if constexpr (n > 16) {
      std::memcpy(&am, s + 8, 8);
      std::memcpy(&bm, w + 8, 8);
    }
    return ((a0 ^ b0) | (a1 ^ b1) | (am ^ bm)) == 0;
  }
}

// Message keywords. `camera` is the compiler's own line, not a message.
enum class Kw : std::uint8_t {
  unknown,
  camera,
  nop,
  disconnect,
  killedmonster,
  foundsecret,
  intermission,
  sellscreen,
  bf,
  updatestat,
  version,
  setview,
  sound,
  time,
  servertime,
  print,
  stufftext,
  centerprint,
  finale,
  cutscene,
  skybox,
  setangle,
  serverinfo,
  precache_model,
  precache_sound,
  lightstyle,
  updatename,
  updatefrags,
  clientdata,
  stopsound,
  updatecolors,
  particle,
  damage,
  spawnstatic,
  spawnbaseline,
  spawnstatic2,
  spawnbaseline2,
  tempentity,
  setpause,
  signonnum,
  spawnstaticsound,
  spawnstaticsound2,
  cdtrack,
  fog,
  entity,
  raw,
};
struct KwMatch {
  Kw kw;
  std::size_t len;  // chars of the leading word (letters, digits, '_'), also when unknown
};

namespace kwdetail {
struct WordChars {
  bool t[256] = {};
  constexpr WordChars() {
    for (int c = 'a'; c <= 'z'; ++c) t[c] = true;
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = true;
    for (int c = '0'; c <= '9'; ++c) t[c] = true;
    t[static_cast<int>('_')] = true;
  }
  bool operator[](char c) const { return t[static_cast<unsigned char>(c)]; }
};
inline constexpr WordChars kWordChar;

// The line starts with the word w (the next char, if any, is no word char).
template <std::size_t N>
[[gnu::always_inline]] inline bool word_is(std::string_view line, const char (&w)[N]) {
  constexpr std::size_t n = N - 1;
  return line.size() >= n && same_chars(line.data(), w) && (line.size() == n || !kWordChar[line[n]]);
}
}  // namespace kwdetail

[[gnu::always_inline]] inline KwMatch match_keyword(std::string_view line) {
  using kwdetail::kWordChar;
  using kwdetail::word_is;
  // By first char, the frequent keywords of each letter first.
#define CLIPVEX_KW(name)             \
  if (word_is(line, #name)) return { \
      Kw::name, sizeof(#name) - 1    \
    }
  switch (line.empty() ? '\0' : line[0]) {
    case 'b':
      CLIPVEX_KW(bf);
      break;
    case 'c':
      CLIPVEX_KW(camera);
      CLIPVEX_KW(clientdata);
      CLIPVEX_KW(centerprint);
      CLIPVEX_KW(cutscene);
      CLIPVEX_KW(cdtrack);
      break;
    case 'd':
      CLIPVEX_KW(damage);
      CLIPVEX_KW(disconnect);
      break;
    case 'e':
      CLIPVEX_KW(entity);
      break;
    case 'f':
      CLIPVEX_KW(foundsecret);
      CLIPVEX_KW(finale);
      CLIPVEX_KW(fog);
      break;
    case 'i':
      CLIPVEX_KW(intermission);
      break;
    case 'k':
      CLIPVEX_KW(killedmonster);
      break;
    case 'l':
      CLIPVEX_KW(lightstyle);
      break;
    case 'n':
      CLIPVEX_KW(nop);
      break;
    case 'p':
      CLIPVEX_KW(particle);
      CLIPVEX_KW(print);
      CLIPVEX_KW(precache_model);
      CLIPVEX_KW(precache_sound);
      break;
    case 'r':
      CLIPVEX_KW(raw);
      break;
    case 's':
      CLIPVEX_KW(sound);
      CLIPVEX_KW(stufftext);
      CLIPVEX_KW(servertime);
      CLIPVEX_KW(setangle);
      CLIPVEX_KW(spawnbaseline);
      CLIPVEX_KW(spawnbaseline2);
      CLIPVEX_KW(spawnstatic);
      CLIPVEX_KW(spawnstatic2);
      CLIPVEX_KW(spawnstaticsound);
      CLIPVEX_KW(spawnstaticsound2);
      CLIPVEX_KW(signonnum);
      CLIPVEX_KW(serverinfo);
      CLIPVEX_KW(setview);
      CLIPVEX_KW(setpause);
      CLIPVEX_KW(sellscreen);
      CLIPVEX_KW(stopsound);
      CLIPVEX_KW(skybox);
      break;
    case 't':
      CLIPVEX_KW(time);
      CLIPVEX_KW(tempentity);
      break;
    case 'u':
      CLIPVEX_KW(updatestat);
      CLIPVEX_KW(updatefrags);
      CLIPVEX_KW(updatename);
      CLIPVEX_KW(updatecolors);
      break;
    case 'v':
      CLIPVEX_KW(version);
      break;
    default:
      break;
  }
#undef CLIPVEX_KW
  std::size_t k = 0;
  while (k < line.size() && kWordChar[line[k]]) ++k;
  return {Kw::unknown, k};
}

// Hex digit values; 16 for every other char.
struct HexDigits {
  unsigned char v[256] = {};
  constexpr HexDigits() {
    for (int c = 0; c < 256; ++c) v[c] = 16;
    for (int c = 0; c < 10; ++c) v['0' + c] = static_cast<unsigned char>(c);
    for (int c = 0; c < 6; ++c) {
      v['a' + c] = static_cast<unsigned char>(10 + c);
      v['A' + c] = static_cast<unsigned char>(10 + c);
    }
  }
  unsigned operator[](unsigned char c) const { return v[c]; }
};
inline constexpr HexDigits kHexDigit;

// Tokens of one line, separated by blanks or tabs. The char at `e` must be
// readable and end every token (the line's ';' or the '"' that starts its
// string): the fast scanners stop on it instead of checking bounds.
struct Toks {
  const char* p;
  const char* e;
  std::string_view next() {
    while (p < e && (*p == ' ' || *p == '\t')) ++p;
    const char* s = p;
    while (p < e && *p != ' ' && *p != '\t') ++p;
    return {s, static_cast<std::size_t>(p - s)};
  }
  bool done() {
    while (p < e && (*p == ' ' || *p == '\t')) ++p;
    return p >= e;
  }
};

class LineError {
 public:
  std::string what;
};

// Encodes one message line (the keyword already split off). `str` is the
// unescaped string of a line that ends in "TEXT"; (empty otherwise).
// Throws LineError.
class MessageEncoder {
 public:
  MessageEncoder(OutBuf& out, Proto& proto) : out_(out), proto_(proto) { sync_proto(); }

  // Returns false when the keyword is unknown (or the camera line).
  bool encode(Kw kw, Toks t, const std::string* str);
  // Serverinfo precache lists pending after a serverinfo line.
  bool serverinfo_open() const { return si_open_; }
  void close_serverinfo();

  [[noreturn]] static void fail(std::string msg) { throw LineError{std::move(msg)}; }

 private:
  static constexpr std::size_t kLineBytes = 256;  // bound of one message without strings/raw
  // Appends the string and its NUL at w; returns the new write position
  // with room for kLineBytes more.
  char* put_str(char* w, const std::string* s);
  char* put_raw(char* w, std::string_view hex);

  OutBuf& out_;
  Proto& proto_;
  void sync_proto() {
    coord_kind_ = proto_.coord();
    angle_kind_ = proto_.angle();
  }
  CoordKind coord_kind_ = CoordKind::Short8;
  AngleKind angle_kind_ = AngleKind::Byte;
  bool si_open_ = false;
  int si_list_ = 0;
};

}  // namespace demfmt
