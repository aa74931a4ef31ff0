#include "strtext.h"

#include <array>

namespace demfmt {

namespace {
const char kHex[] = "0123456789abcdef";

struct EscTable {
  // 0: raw; 1: \xHH; other: the char after the backslash
  std::array<char, 256> kind{};
  EscTable() {
    for (int c = 0; c < 256; ++c) kind[c] = (c < 0x20 || c >= 0x7f) ? 1 : 0;
    kind['\n'] = 'n';
    kind['"'] = '"';
    kind['\\'] = '\\';
    kind['{'] = 1;
    kind['}'] = 1;
  }
};
const EscTable kEsc;

int hexval(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

void write_escaped(OutBuf& out, const unsigned char* s, std::size_t n) {
  char* p = out.room(4 * n);
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char c = s[i];
    char k = kEsc.kind[c];
    if (k == 0) {
      *p++ = static_cast<char>(c);
    } else if (k == 1) {
      p[0] = '\\';
      p[1] = 'x';
      p[2] = kHex[c >> 4];
      p[3] = kHex[c & 15];
      p += 4;
    } else {
      p[0] = '\\';
      p[1] = k;
      p += 2;
    }
  }
  out.commit(p);
}

void write_hex_bytes(OutBuf& out, const unsigned char* s, std::size_t n) {
  char* p = out.room(2 * n);
  for (std::size_t i = 0; i < n; ++i) {
    p[0] = kHex[s[i] >> 4];
    p[1] = kHex[s[i] & 15];
    p += 2;
  }
  out.commit(p);
}

bool unescape(std::string_view s, std::string& out, NulBytes nul) {
  const bool refuse = nul == NulBytes::refuse;
  out.clear();
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == 0 && refuse) return false;
    if (c != '\\' || i + 1 >= s.size()) {
      out.push_back(c);
      continue;
    }
    char e = s[i + 1];
    switch (e) {
      case 'n':
        out.push_back('\n');
        ++i;
        break;
      case 'r':
        out.push_back('\r');
        ++i;
        break;
      case 't':
        out.push_back('\t');
        ++i;
        break;
      case '\\':
        out.push_back('\\');
        ++i;
        break;
      case '"':
        out.push_back('"');
        ++i;
        break;
      case 'x': {
        int h = i + 3 < s.size() ? hexval(s[i + 2]) : -1;
        int l = h >= 0 ? hexval(s[i + 3]) : -1;
        if (h >= 0 && l >= 0 && (h | l) != 0) {
          out.push_back(static_cast<char>(h * 16 + l));
          i += 3;
        } else if (h >= 0 && l >= 0 && refuse) {
          return false;  // \x00
        } else {
          out.push_back('\\');  // not an escape (or a kept \x00): literal
        }
        break;
      }
      default:
        out.push_back('\\');
        break;  // lone backslash: literal
    }
  }
  return true;
}

std::string excerpt(std::string_view s, std::size_t max) {
  std::string r = "'";
  for (std::size_t i = 0; i < s.size() && i < max; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x20 || c >= 0x7f) {
      r += "\\x";
      r += kHex[c >> 4];
      r += kHex[c & 15];
    } else {
      r += static_cast<char>(c);
    }
  }
  if (s.size() > max) r += "...";
  r += '\'';
  return r;
}

bool unhex(std::string_view s, OutBuf& out) {
  if (s.size() % 2) return false;
  char* p = out.room(s.size() / 2);
  for (std::size_t i = 0; i < s.size(); i += 2) {
    int h = hexval(s[i]), l = hexval(s[i + 1]);
    if (h < 0 || l < 0) return false;
    *p++ = static_cast<char>(h * 16 + l);
  }
  out.commit(p);
  return true;
}

}  // namespace demfmt
