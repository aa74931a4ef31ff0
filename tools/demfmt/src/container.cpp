// The .dem container: track line, blocks, tail; demo bytes -> dump text.
//
// Decisions on malformed demos (all of them keep the file lossless):
//  - track line: the bytes before the first '\n' are kept verbatim when they
//    look like a track line (at most 32 bytes of digits, '-', '+', blanks,
//    '\t', '\r'). Otherwise the file is read as having no track line
//    ("track none;") if its first block is complete; if that fails too, the
//    file is not a demo: Error.
//  - a header whose length is negative or runs past the end of the file, a
//    partial header, or anything after the last complete block is kept as the
//    "tail" (hex) on the header line and written back after the last block;
//    a warning names the block number (an Error with --strict).
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
    std::string why;         // set when end < size
};

Framing frame(const unsigned char* d, std::size_t size, std::size_t pos) {
    Framing f;
    f.first = pos;
    while (pos < size && complete_block_at(d, size, pos)) {
        pos += 16 + le32(d + pos);
        ++f.blocks;
    }
    f.end = pos;
    if (pos < size) {
        std::string why;
        if (size - pos < 4) why = "partial block length";
        else if (size - pos < 16) why = "partial block header";
        else {
            std::int32_t len = static_cast<std::int32_t>(le32(d + pos));
            why = len < 0 ? "negative block length " + std::to_string(len)
                          : "block length " + std::to_string(len) + " runs past the end of the file";
        }
        f.why = "block " + std::to_string(f.blocks + 1) + ": " + why + " (" + std::to_string(size - pos) +
                " bytes kept raw as the tail)";
    }
    return f;
}

}  // namespace

std::vector<std::string> demo_to_dump(std::string_view demo, const DumpSink& sink, const DumpOptions& options,
                                      std::string* whole) {
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
    if (!fr.why.empty()) {
        if (options.strict) throw Error(fr.why);
        warnings.push_back(fr.why);
    }

    // Streaming: flush about every kChunk bytes; else one buffer for all.
    constexpr std::size_t kChunk = 1 << 20;
    OutBuf out(whole ? size * 6 + 4096 : kChunk + 65536);

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
        if (!decode_block(d + pos + 16, len, proto, out, note)) {
            std::string why = "block " + std::to_string(blockno) + ": " + note;
            if (options.strict) throw Error(why);
            warnings.push_back(why);
        }
        out.put("}\n");
        pos += 16 + len;
        if (!whole && out.size() >= kChunk) {
            sink(std::string_view(out.data(), out.size()));
            out.truncate(0);
        }
    }
    if (whole) {
        *whole = out.take();
    } else if (out.size()) {
        sink(std::string_view(out.data(), out.size()));
    }
    return warnings;
}

DumpResult demo_to_dump(std::string_view demo, const DumpOptions& options) {
    DumpResult r;
    r.warnings = demo_to_dump(demo, DumpSink(), options, &r.text);
    return r;
}

std::string read_file(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) throw Error("cannot open for reading");
    std::string data;
    std::size_t n = 0;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        long size = std::ftell(f);
        if (size > 0) data.resize(static_cast<std::size_t>(size));
        std::fseek(f, 0, SEEK_SET);
    }
    for (;;) {
        if (n == data.size()) data.resize(n < 65536 ? 65536 : 2 * n);
        std::size_t k = std::fread(data.data() + n, 1, data.size() - n, f);
        n += k;
        if (k == 0) break;
    }
    bool err = std::ferror(f) != 0;
    std::fclose(f);
    if (err) throw Error("read error");
    data.resize(n);
    return data;
}

}  // namespace demfmt
