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
#include <bit>
#include <cstdio>
#include <cstring>
#include <string>

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
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == ' ' || c == '\t' || c == '\r'))
            return false;
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
    if (rest < 4) why = "partial block length";
    else if (rest < 16) why = "partial block header";
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

    Proto proto;
    std::uint32_t cam_bits[3] = {0, 0, 0};
    char cam_text[3][kMaxNumber] = {};
    std::size_t cam_len[3] = {0, 0, 0};
    std::size_t blockno = 0;
    std::string note;
    for (std::size_t pos = fr.first; pos < fr.end;) {
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
            std::string why = "block " + std::to_string(blockno) + ": " + note +
                              (options.strict ? " (--salvage would keep the block's last " + n + " raw)"
                                              : "; " + n + " kept raw");
            if (options.strict) throw Error(why);
            warnings.push_back(why);
        }
        out.put("}\n");
        pos += 16 + len;
        if (!emit.whole && out.size() >= kChunk) flush(out, emit);
    }
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
    if (whole) emit.whole = whole;
    else emit.sink = &sink;
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
