// Dump text -> demo bytes (the compiler driver: lines, header, blocks).
//
// Accepted layout: blank lines and "//" comment lines are ignored anywhere
// (LF or CR LF). The first other line is the header or the first block; a
// text that starts with anything else is not a dump. The header is
//  track "ESCAPED";  |  track none;  with an optional  tail HEX;  after it.
// Without a header (or with an empty one) the track line is "-1\n". A block
// is "block {" ... "}"; inside, every line is one message. The camera line
// may appear once, before or after messages; a block without one is an
// error. Any other line between blocks is an error too: a damaged block line
// ("blok {", "Block {", "block" without its brace) must never make a whole
// block vanish.
#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "demfmt/demfmt.h"
#include "encode.h"
#include "numtext.h"
#include "strtext.h"

namespace demfmt {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && (is_blank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
  std::size_t i = 0;
  while (i < s.size() && is_blank(s[i])) ++i;
  return s.substr(i);
}

bool starts_with_word(std::string_view s, std::string_view w) {
  return s.size() >= w.size() && s.compare(0, w.size(), w) == 0 &&
         (s.size() == w.size() || is_blank(s[w.size()]) || s[w.size()] == ';' || s[w.size()] == '{' ||
          s[w.size()] == '"');
}

// "block {", optionally followed by a // comment. A line that starts with
// the word "block" and holds a '{' but is not such a line is an error, so a
// damaged block line never silently drops the block.
bool is_block_open(std::string_view s) {
  if (!starts_with_word(s, "block")) return false;
  std::string_view rest = trim(s.substr(5));
  if (rest.empty() || rest[0] != '{') return false;
  rest = trim(rest.substr(1));
  return rest.empty() || rest.substr(0, 2) == "//";
}
// A line meant as a block line: it holds a '{', or starts with "block" in
// any letter case.
bool looks_like_block_open(std::string_view s) {
  if (s.find('{') != std::string_view::npos) return true;
  if (s.size() < 5) return false;
  for (std::size_t i = 0; i < 5; ++i)
    if ((s[i] | 0x20) != "block"[i]) return false;
  return true;
}

class Compiler {
 public:
  static constexpr std::size_t kChunk = 1 << 20;
  // sink: stream the demo in pieces of whole blocks; else keep it all.
  Compiler(std::size_t text_size, const DemoSink* sink)
      : out_(sink ? kChunk + 65536 : text_size / 5 + 4096), enc_(out_, proto_), sink_(sink) {}

  // Compiles whole lines (the last one may lack its '\n' only at the end
  // of the text). Nothing refers into `text` after the call.
  void feed(std::string_view text) {
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
      const char* s = p;
      const char* le = static_cast<const char*>(std::memchr(s, '\n', static_cast<std::size_t>(end - s)));
      if (!le) le = end;
      p = le + 1;
      ++lineno_;
      // trim, in line: trailing blanks and '\r', then leading blanks
      while (le > s && (is_blank(le[-1]) || le[-1] == '\r')) --le;
      s += s < le && *s == ' ';  // the usual indent
      while (s < le && is_blank(*s)) ++s;
      std::string_view line(s, static_cast<std::size_t>(le - s));
      if (line.empty() || (line.size() >= 2 && line[0] == '/' && line[1] == '/')) continue;
      if (in_block_ && bare_entity(line)) continue;
      try {
        if (!in_block_)
          outside(line);
        else if (line == "}")
          close_block();
        else
          inside(line);
      } catch (const LineError& e) {
        throw Error("line " + std::to_string(lineno_) + ": " + e.what);
      }
    }
  }

  std::size_t line() const { return lineno_; }

  std::string finish() {
    if (in_block_)
      throw Error("line " + std::to_string(block_line_) + ": block is not closed before the end of the text");
    if (!header_seen_) write_default_track();
    out_.put(tail_);
    if (sink_) {
      if (out_.size()) (*sink_)(std::string_view(out_.data(), out_.size()));
      return {};
    }
    return out_.take();
  }

 private:
  // The header comes before any block, so the track line is written first.
  void write_default_track() { out_.put("-1\n"); }

  void outside(std::string_view line) {
    if (is_block_open(line)) {
      if (!header_seen_) {
        header_seen_ = true;
        write_default_track();
      }
      in_block_ = true;
      block_line_ = lineno_;
      has_camera_ = false;
      block_start_ = out_.size();
      out_.room(16);
      out_.advance(16);
      return;
    }
    if (!header_seen_ && starts_with_word(line, "track")) {
      header_seen_ = true;
      header(line.substr(5));
      return;
    }
    if (!header_seen_)
      MessageEncoder::fail("not a dump text: it must begin with a 'track' or 'block {' line, not " + excerpt(line));
    if (looks_like_block_open(line))
      MessageEncoder::fail("malformed block line " + excerpt(line) + " (want 'block {')");
    MessageEncoder::fail(excerpt(line) +
                         " stands outside a block (between blocks only blank lines and // comments may stand)");
  }

  void header(std::string_view rest) {
    rest = trim(rest);
    if (rest.empty() || rest == ";") {
      write_default_track();
      return;
    }
    if (rest.substr(0, 5) == "none;") {
      rest = trim(rest.substr(5));
    } else if (rest[0] == '"') {
      // Closing quote: the first '"' not preceded by an escaping backslash.
      std::size_t i = 1;
      for (; i < rest.size(); ++i) {
        if (rest[i] == '\\') {
          ++i;
          continue;
        }
        if (rest[i] == '"') break;
      }
      if (i >= rest.size()) MessageEncoder::fail("unterminated track string");
      std::string bytes;
      if (!unescape(rest.substr(1, i - 1), bytes)) MessageEncoder::fail("NUL byte in track string");
      if (bytes.find('\n') != std::string::npos) MessageEncoder::fail("newline in track string");
      out_.put(bytes);
      out_.put("\n");
      rest = trim(rest.substr(i + 1));
      if (!rest.empty() && rest[0] == ';') rest = trim(rest.substr(1));
    } else {
      // Anything else ("track -1;", "track 2"): keep the text up to ';'.
      std::size_t semi = rest.find(';');
      out_.put(trim(rest.substr(0, semi)));
      out_.put("\n");
      rest = semi == std::string_view::npos ? std::string_view() : trim(rest.substr(semi + 1));
    }
    if (starts_with_word(rest, "tail")) {
      rest = trim(rest.substr(4));
      if (rest.empty() || rest.back() != ';') MessageEncoder::fail("tail must end with ';'");
      OutBuf t(rest.size() / 2 + 16);
      if (!unhex(trim(rest.substr(0, rest.size() - 1)), t)) MessageEncoder::fail("bad hex in tail");
      tail_ = t.take();
    }
  }

  void close_block() {
    enc_.close_serverinfo();
    if (!has_camera_) {
      lineno_ = block_line_;
      MessageEncoder::fail("block has no camera line");
    }
    std::size_t len = out_.size() - block_start_ - 16;
    if (len > 0x7fffffff) MessageEncoder::fail("block too large");
    out_.patch_u32(block_start_, static_cast<std::uint32_t>(len));
    for (int i = 0; i < 3; ++i) out_.patch_u32(block_start_ + 4 + 4 * i, camera_[i]);
    in_block_ = false;
    if (sink_ && out_.size() >= kChunk) {  // whole blocks only: their lengths are patched
      (*sink_)(std::string_view(out_.data(), out_.size()));
      out_.truncate(0);
    }
  }

  // "entity N 0x80;" for N up to 255: an entity named with nothing changed,
  // the most frequent line of a game frame. Written here directly; any
  // other form, and every error, goes the general way.
  bool bare_entity(std::string_view line) {
    constexpr std::string_view kHead = "entity ";
    constexpr std::string_view kTail = " 0x80;";
    const std::size_t n = line.size();
    if (n < kHead.size() + 1 + kTail.size() || n > kHead.size() + 3 + kTail.size()) return false;
    if (line.substr(0, kHead.size()) != kHead || line.substr(n - kTail.size()) != kTail) return false;
    unsigned num = 0;
    for (std::size_t i = kHead.size(); i < n - kTail.size(); ++i) {
      unsigned d = static_cast<unsigned>(line[i] - '0');
      if (d > 9) return false;
      num = num * 10 + d;
    }
    if (num > 255 || (line[kHead.size()] == '0' && n - kTail.size() - kHead.size() > 1)) return false;
    enc_.close_serverinfo();
    char* w = out_.room(2);
    w[0] = static_cast<char>(0x80);
    w[1] = static_cast<char>(num);
    out_.advance(2);
    return true;
  }

  void inside(std::string_view line) {
    if (line[0] == 'b' && is_block_open(line)) MessageEncoder::fail("'block {' inside a block (missing '}')");
    // keyword: lowercase letters, digits and '_'
    const KwMatch m = match_keyword(line);
    const std::size_t k = m.len;
    const std::string* strp = nullptr;
    std::string_view args;
    const bool ends_with_string = line.size() >= 2 && line[line.size() - 1] == ';' && line[line.size() - 2] == '"';
    if (ends_with_string) {
      // The text runs from the first '"' to the '";' that ends the line.
      std::size_t q = line.find('"', k);
      if (q >= line.size() - 2) MessageEncoder::fail("a line with a string must end with '\";'");
      if (!unescape(line.substr(q + 1, line.size() - 2 - q - 1), str_)) MessageEncoder::fail("string holds a NUL byte");
      strp = &str_;
      args = line.substr(k, q - k);
    } else {
      if (line.back() != ';') MessageEncoder::fail("line must end with ';'");
      args = line.substr(k, line.size() - 1 - k);
    }
    Toks t{args.data(), args.data() + args.size()};
    if (m.kw == Kw::camera) {
      if (strp) MessageEncoder::fail("camera takes three numbers");
      if (has_camera_) MessageEncoder::fail("second camera line in one block");
      for (int i = 0; i < 3; ++i) {
        std::string_view v = t.next();
        if (!v.empty() && v.size() == cam_len_[i] && std::memcmp(v.data(), cam_text_[i], v.size()) == 0) {
          camera_[i] = cam_bits_[i];  // consecutive blocks often repeat angles
          continue;
        }
        auto f = parse_float(v);
        if (!f) MessageEncoder::fail("bad camera angle " + excerpt(v));
        camera_[i] = std::bit_cast<std::uint32_t>(*f);
        cam_bits_[i] = camera_[i];
        cam_len_[i] = v.size() <= sizeof cam_text_[i] ? v.size() : 0;
        if (cam_len_[i]) std::memcpy(cam_text_[i], v.data(), v.size());
      }
      if (!t.done()) MessageEncoder::fail("camera takes three numbers");
      has_camera_ = true;
      return;
    }
    if (!enc_.encode(m.kw, t, strp)) MessageEncoder::fail("unknown message " + excerpt(k ? line.substr(0, k) : line));
  }

  OutBuf out_;
  Proto proto_;
  MessageEncoder enc_;
  std::string tail_;
  std::string str_;
  std::size_t lineno_ = 0;
  std::size_t block_line_ = 0;
  std::size_t block_start_ = 0;
  bool header_seen_ = false;
  const DemoSink* sink_;
  bool in_block_ = false;
  bool has_camera_ = false;
  std::uint32_t camera_[3] = {0, 0, 0};
  std::uint32_t cam_bits_[3] = {0, 0, 0};
  char cam_text_[3][32] = {};
  std::size_t cam_len_[3] = {0, 0, 0};
};

}  // namespace

std::string dump_to_demo(std::string_view text) {
  Compiler c(text.size(), nullptr);
  c.feed(text);
  return c.finish();
}

void dump_to_demo(std::string_view text, const DemoSink& sink) {
  Compiler c(text.size(), &sink);
  c.feed(text);
  c.finish();
}

void dump_to_demo(const DumpSource& read, const DemoSink& sink) {
  Compiler c(0, &sink);
  std::string buf(4 << 20, '\0');
  std::size_t have = 0;
  for (;;) {
    if (have == buf.size()) {
      // A line longer than the buffer. Text without a line end for
      // megabytes is binary more often than not: a NUL byte, which no
      // dump holds, says so now instead of after reading all of it.
      if (std::memchr(buf.data(), 0, have))
        throw Error("line " + std::to_string(c.line() + 1) + ": not a dump text: it holds a NUL byte");
      buf.resize(2 * buf.size());
    }
    std::size_t k = read(buf.data() + have, buf.size() - have);
    have += k;
    if (k == 0) {
      c.feed(std::string_view(buf.data(), have));
      break;
    }
    std::size_t cut = have;
    while (cut > 0 && buf[cut - 1] != '\n') --cut;
    if (cut == 0) continue;
    c.feed(std::string_view(buf.data(), cut));
    std::memmove(buf.data(), buf.data() + cut, have - cut);
    have -= cut;
  }
  c.finish();
}

}  // namespace demfmt
