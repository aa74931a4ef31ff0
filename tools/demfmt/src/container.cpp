// The .dem container: track line, blocks, tail; demo bytes -> dump text.
//
// Decisions on malformed demos (all of them keep the file lossless when
// salvaging; the command line refuses them unless asked to salvage):
//  - track line: the bytes before the first '\n' are kept verbatim when they
//    look like a track line (at most 32 bytes of digits, '-', '+', blanks,
//    '\t', '\r'). Otherwise the file is read as having no track line
//    ("track none;") if its first block is complete; if that fails too, the
//    file is not a demo: Error.
//  - a header whose length is negative or runs past the end of the file, a
//    partial header, or anything after the last complete block is kept as the
//    "tail" (hex) on the header line and written back after the last block;
//    a warning names the block number (an Error when strict).
//  - unknown message ids, messages running past their block: the rest of that
//    block is one " raw HEX;" line, with a warning.
#include <algorithm>
#include <bit>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "decode.h"
#include "demfmt/demfmt.h"
#include "numtext.h"
#include "strtext.h"

namespace demfmt {

namespace {

bool plausible_track(const unsigned char* s, std::size_t n) {
  if (n > 32) return false;
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char c = s[i];
    if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == ' ' || c == '\t' || c == '\r')) return false;
  }
  return true;
}

std::uint32_t le32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

bool complete_block_at(const unsigned char* d, std::size_t size, std::size_t pos) {
  if (size - pos < 16) return false;
  std::int32_t len = static_cast<std::int32_t>(le32(d + pos));
  return len >= 0 && static_cast<std::size_t>(len) <= size - pos - 16;
}

}  // namespace

namespace {

// Where the complete blocks end, and why the rest (if any) is a tail.
struct Framing {
  std::size_t first = 0;   // offset of the first block
  std::size_t end = 0;     // end of the last complete block
  std::size_t blocks = 0;  // number of complete blocks
};

Framing frame(const unsigned char* d, std::size_t size, std::size_t pos) {
  Framing f;
  f.first = pos;
  while (pos < size && complete_block_at(d, size, pos)) {
    pos += 16 + le32(d + pos);
    ++f.blocks;
  }
  f.end = pos;
  return f;
}

// "block N: WHY (...)" for the bytes after the last complete block; what the
// bracket says depends on whether they are kept (salvage) or refused.
std::string tail_note(const unsigned char* d, std::size_t size, const Framing& f, bool strict) {
  const std::size_t pos = f.end, rest = size - pos;
  std::string why;
  if (rest < 4)
    why = "partial block length";
  else if (rest < 16)
    why = "partial block header";
  else {
    std::int32_t len = static_cast<std::int32_t>(le32(d + pos));
    why = len < 0 ? "negative block length " + std::to_string(len)
                  : "block length " + std::to_string(len) + " runs past the end of the file";
  }
  std::string n = std::to_string(rest) + (rest == 1 ? " byte" : " bytes");
  return "block " + std::to_string(f.blocks + 1) + ": " + why +
         (strict ? " (" + n + " after the last complete block; --salvage would keep them raw as the tail)"
                 : " (" + n + " kept raw as the tail)");
}

// Where the text goes: one buffer for all, a sink of pieces, or pieces
// handed over by buffer exchange.
struct Emit {
  const DumpSink* sink = nullptr;
  const DumpExchange* exchange = nullptr;
  std::string* whole = nullptr;
};

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kChunkRoom = kChunk + 65536;

void flush(OutBuf& out, const Emit& emit) {
  if (emit.sink) {
    (*emit.sink)(std::string_view(out.data(), out.size()));
    out.truncate(0);
  } else if (emit.exchange) {
    out.exchange(*emit.exchange, kChunkRoom);
  }
}

// Formats the blocks in [pos, end), the first of them numbered blockno + 1,
// starting in protocol `proto` (left as it is after the last block).
// flush(out) is called whenever about kChunk bytes are ready. Warnings are
// appended; a strict conversion throws instead.
template <class Flush>
void format_blocks(const unsigned char* d, std::size_t pos, std::size_t end, std::size_t blockno, Proto& proto,
                   OutBuf& out, std::vector<std::string>& warnings, const DumpOptions& options, const Flush& flush) {
  std::uint32_t cam_bits[3] = {0, 0, 0};
  char cam_text[3][kMaxNumber] = {};
  std::size_t cam_len[3] = {0, 0, 0};
  std::string note;
  while (pos < end) {
    ++blockno;
    std::size_t len = le32(d + pos);
    char* p = out.room(3 * kMaxNumber + 32);
    std::memcpy(p, "block {\n camera", 15);
    p += 15;
    for (int i = 0; i < 3; ++i) {
      *p++ = ' ';
      std::uint32_t bits = le32(d + pos + 4 + 4 * i);
      if (bits != cam_bits[i] || cam_len[i] == 0) {  // consecutive blocks often repeat angles
        cam_bits[i] = bits;
        char* e = write_float(cam_text[i], std::bit_cast<float>(bits));
        cam_len[i] = static_cast<std::size_t>(e - cam_text[i]);
      }
      std::memcpy(p, cam_text[i], kMaxNumber);
      p += cam_len[i];
    }
    *p++ = ';';
    *p++ = '\n';
    out.commit(p);
    std::size_t raw = 0;
    if (!decode_block(d + pos + 16, len, proto, out, note, raw)) {
      std::string n = std::to_string(raw) + (raw == 1 ? " byte" : " bytes");
      std::string why =
          "block " + std::to_string(blockno) + ": " + note +
          (options.strict ? " (--salvage would keep the block's last " + n + " raw)" : "; " + n + " kept raw");
      if (options.strict) throw Error(why);
      warnings.push_back(why);
    }
    out.put("}\n");
    pos += 16 + len;
    if (out.size() >= kChunk) flush(out);
  }
}

// ------------------------------------------------------ parallel formatting
//
// Blocks are cut into ranges of about options.range_bytes, formatted by
// worker threads and handed on strictly in order. A block's text depends on
// the protocol that serverinfo and version messages before it set, which a
// worker cannot know before the ranges before its own are done; it starts
// from the protocol the latest finished range ended in (a demo changes
// protocol rarely, so that is nearly always right). The range is taken as
// it is only when that start equals the end of the range before it;
// otherwise it is formatted again, in order, from the right start. So the
// text is exactly the one-thread text, errors and warnings included.

// Spare buffers, so that a text of hundreds of megabytes goes through a few
// dozen buffers that stay mapped.
class BufferPool {
 public:
  std::string take() {
    std::lock_guard<std::mutex> lock(m_);
    if (free_.empty()) return {};
    std::string b = std::move(free_.back());
    free_.pop_back();
    return b;
  }
  void give(std::string&& b) {
    std::lock_guard<std::mutex> lock(m_);
    free_.push_back(std::move(b));
  }

 private:
  std::mutex m_;
  std::vector<std::string> free_;
};

struct Range {
  std::size_t pos = 0, end = 0, blockno = 0;
  Proto start, finish;  // the protocol assumed at the start; the one at the end
  std::vector<std::pair<std::string, std::size_t>> chunks;
  std::vector<std::string> warnings;
  std::exception_ptr error;
  bool done = false;
};

// The protocol set by the last serverinfo message in blocks [pos, end),
// found by its look (id 11, a known protocol, a plausible player count)
// rather than by reading every message before it: a guess, which the
// in-order check makes harmless when it is wrong.
std::optional<Proto> last_serverinfo(const unsigned char* d, std::size_t pos, std::size_t end) {
  std::optional<Proto> found;
  const unsigned char* p = d + pos;
  const unsigned char* const e = d + end;
  while (e - p > 10 && (p = static_cast<const unsigned char*>(
                            std::memchr(p, svc_serverinfo, static_cast<std::size_t>(e - p - 10))))) {
    const std::int32_t protocol = static_cast<std::int32_t>(le32(p + 1));
    const unsigned char maxclients = p[protocol == 999 ? 9 : 5];
    if ((protocol == 15 || protocol == 666 || protocol == 999) && maxclients >= 1 && maxclients <= 16) {
      Proto guess;
      guess.set_server(protocol, protocol == 999 ? le32(p + 5) : 0);
      found = guess;
    }
    ++p;
  }
  return found;
}

// Where range r + 1 starts: exactly where r ended, once r is done;
// before, where r started unless r seems to hold a serverinfo message.
Proto start_guess(const unsigned char* d, const Range& r) {
  if (r.done) return r.finish;
  if (auto seen = last_serverinfo(d, r.pos, r.end)) return *seen;
  return r.start;
}

void format_range(const unsigned char* d, Range& r, const DumpOptions& options, BufferPool& pool) {
  r.chunks.clear();
  r.warnings.clear();
  r.error = nullptr;
  // A small range (tests, fuzzing) needs no chunk-sized buffer.
  const std::size_t room = std::min<std::size_t>(kChunkRoom, 8 * (r.end - r.pos) + 4096);
  OutBuf out(pool.take(), room);
  auto keep = [&](std::string& storage, std::size_t used) {
    r.chunks.emplace_back(std::move(storage), used);
    storage = pool.take();
  };
  Proto proto = r.start;
  try {
    format_blocks(d, r.pos, r.end, r.blockno, proto, out, r.warnings, options,
                  [&](OutBuf& o) { o.exchange(keep, room); });
    if (out.size()) out.exchange(keep, 0);
  } catch (...) {
    r.error = std::current_exception();
  }
  r.finish = proto;
}

// Formats blocks [first, end) on `threads` threads; the text goes to
// emit.sink or emit.exchange in order. False (nothing done) when the blocks
// make fewer than three ranges.
bool format_parallel(const unsigned char* d, std::size_t first, std::size_t end, const Emit& emit,
                     std::vector<std::string>& warnings, const DumpOptions& options) {
  std::vector<Range> ranges;
  const std::size_t want = options.range_bytes ? options.range_bytes : 1;
  {
    Range r;
    r.pos = first;
    std::size_t blockno = 0;
    for (std::size_t pos = first; pos < end;) {
      pos += 16 + le32(d + pos);
      ++blockno;
      if (pos - r.pos >= want || pos >= end) {
        r.end = pos;
        ranges.push_back(r);
        r.pos = pos;
        r.blockno = blockno;
      }
    }
  }
  if (ranges.size() < 3) return false;

  BufferPool pool;
  std::mutex m;
  std::condition_variable cv;
  std::size_t next = 0, handed_on = 0;
  bool stop = false;
  constexpr std::size_t kAhead = 4;  // ranges formatted ahead of the one handed on
  auto work = [&] {
    std::unique_lock<std::mutex> lock(m);
    for (;;) {
      cv.wait(lock, [&] { return stop || next >= ranges.size() || next < handed_on + kAhead; });
      if (stop || next >= ranges.size()) return;
      const std::size_t j = next++;
      Range& r = ranges[j];
      r.start = Proto();
      if (j > 0 && options.guess_protocol) r.start = start_guess(d, ranges[j - 1]);
      lock.unlock();
      format_range(d, r, options, pool);
      lock.lock();
      r.done = true;
      cv.notify_all();
    }
  };
  std::vector<std::thread> workers;
  struct Join {
    std::vector<std::thread>& workers;
    std::mutex& m;
    std::condition_variable& cv;
    bool& stop;
    ~Join() {
      {
        std::lock_guard<std::mutex> lock(m);
        stop = true;
      }
      cv.notify_all();
      for (auto& t : workers) t.join();
    }
  } join{workers, m, cv, stop};
  for (unsigned i = 0; i < options.threads; ++i) workers.emplace_back(work);

  Proto before;  // the protocol at the start of the range being handed on
  for (std::size_t j = 0; j < ranges.size(); ++j) {
    Range& r = ranges[j];
    {
      std::unique_lock<std::mutex> lock(m);
      cv.wait(lock, [&] { return r.done; });
    }
    if (!(r.start == before)) {  // guessed wrong: format it again from the right start
      for (auto& c : r.chunks) pool.give(std::move(c.first));
      Range again;
      again.pos = r.pos;
      again.end = r.end;
      again.blockno = r.blockno;
      again.start = before;
      format_range(d, again, options, pool);
      again.done = true;
      std::lock_guard<std::mutex> lock(m);  // a worker may be reading r's start and finish
      r = std::move(again);
    }
    if (r.error) std::rethrow_exception(r.error);
    for (auto& w : r.warnings) warnings.push_back(std::move(w));
    for (auto& [text, used] : r.chunks) {
      if (emit.sink) {
        (*emit.sink)(std::string_view(text.data(), used));
      } else {
        (*emit.exchange)(text, used);
      }
      pool.give(std::move(text));
    }
    r.chunks.clear();
    before = r.finish;
    {
      std::lock_guard<std::mutex> lock(m);
      handed_on = j + 1;
    }
    cv.notify_all();
  }
  return true;
}

std::vector<std::string> convert(std::string_view demo, const Emit& emit, const DumpOptions& options) {
  const auto* d = reinterpret_cast<const unsigned char*>(demo.data());
  const std::size_t size = demo.size();
  std::vector<std::string> warnings;
  if (size == 0) throw Error("empty file: not a demo");

  const void* nl = std::memchr(d, '\n', size);
  bool has_track = false;
  std::size_t track_len = 0;
  if (nl) {
    track_len = static_cast<std::size_t>(static_cast<const unsigned char*>(nl) - d);
    has_track = plausible_track(d, track_len);
  }
  if (!has_track && !complete_block_at(d, size, 0)) {
    throw Error(nl ? "not a demo: no plausible track line and no complete block at the start"
                   : "not a demo: no track line and no complete block at the start");
  }
  const Framing fr = frame(d, size, has_track ? track_len + 1 : 0);
  if (fr.end < size) {
    if (options.strict) throw Error(tail_note(d, size, fr, true));
    warnings.push_back(tail_note(d, size, fr, false));
  }

  // Streaming: flush about every kChunk bytes; else one buffer for all.
  OutBuf out(emit.whole ? size * 6 + 4096 : kChunkRoom);

  // Header line, with the tail after the last complete block (if any).
  out.put("track");
  if (has_track) {
    out.put(" \"");
    write_escaped(out, d, track_len);
    out.put("\";");
  } else {
    out.put(" none;");
  }
  if (fr.end < size) {
    out.put(" tail ");
    write_hex_bytes(out, d + fr.end, size - fr.end);
    out.put(";");
  }
  out.put("\n");

  if (!emit.whole && options.threads > 1 && fr.end - fr.first >= 3 * options.range_bytes) {
    flush(out, emit);
    if (format_parallel(d, fr.first, fr.end, emit, warnings, options)) return warnings;
  }
  Proto proto;
  format_blocks(d, fr.first, fr.end, 0, proto, out, warnings, options, [&](OutBuf& o) {
    if (!emit.whole) flush(o, emit);
  });
  if (emit.whole) {
    *emit.whole = out.take();
  } else if (out.size()) {
    flush(out, emit);
  }
  return warnings;
}

}  // namespace

std::vector<std::string> demo_to_dump(std::string_view demo, const DumpSink& sink, const DumpOptions& options,
                                      std::string* whole) {
  Emit emit;
  if (whole)
    emit.whole = whole;
  else
    emit.sink = &sink;
  return convert(demo, emit, options);
}

std::vector<std::string> demo_to_dump_chunks(std::string_view demo, const DumpExchange& exchange,
                                             const DumpOptions& options) {
  Emit emit;
  emit.exchange = &exchange;
  return convert(demo, emit, options);
}

DumpResult demo_to_dump(std::string_view demo, const DumpOptions& options) {
  DumpResult r;
  r.warnings = demo_to_dump(demo, DumpSink(), options, &r.text);
  return r;
}

}  // namespace demfmt
