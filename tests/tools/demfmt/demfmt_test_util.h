// Helpers for the demfmt tests: build demo bytes by hand, round-trip them.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "demfmt/demfmt.h"

namespace demfmt_test {

// Little-endian byte builder with chaining.
struct Bytes {
    std::string s;
    Bytes& u8(unsigned v) { s.push_back(static_cast<char>(v & 0xff)); return *this; }
    Bytes& u16(unsigned v) { u8(v); return u8(v >> 8); }
    Bytes& u32(std::uint32_t v) { u16(v & 0xffff); return u16(v >> 16); }
    Bytes& f32(float f) { return u32(std::bit_cast<std::uint32_t>(f)); }
    Bytes& str(std::string_view t) { s.append(t); return u8(0); }
    Bytes& raw(std::string_view t) { s.append(t); return *this; }
};

struct Block {
    std::string data;
    float angles[3] = {0, 0, 0};
};

inline std::string make_demo(const std::vector<Block>& blocks, std::string_view track = "-1\n") {
    Bytes b;
    b.raw(track);
    for (const Block& k : blocks) {
        b.u32(static_cast<std::uint32_t>(k.data.size()));
        for (float f : k.angles) b.f32(f);
        b.raw(k.data);
    }
    return b.s;
}

// A serverinfo block for the given protocol (and 999 flags).
inline std::string serverinfo(std::int32_t protocol, std::uint32_t flags = 0) {
    Bytes b;
    b.u8(11).u32(static_cast<std::uint32_t>(protocol));
    if (protocol == 999) b.u32(flags);
    b.u8(1).u8(0).str("level").str("maps/x.bsp").str("progs/p.mdl").str("").str("a.wav").str("");
    return b.s;
}

// demo -> dump -> demo must give the same bytes, and dump -> demo -> dump the
// same text. Returns the dump text.
inline std::string expect_roundtrip(const std::string& demo) {
    std::string text = demfmt::demo_to_dump(demo).text;
    std::string back = demfmt::dump_to_demo(text);
    EXPECT_EQ(back.size(), demo.size());
    EXPECT_TRUE(back == demo) << "round trip differs; dump:\n" << text.substr(0, 4000);
    EXPECT_EQ(demfmt::demo_to_dump(back).text, text);
    return text;
}

// The compiler's error for a dump text, or "" when it compiles.
inline std::string dump_error(const std::string& text) {
    try {
        demfmt::dump_to_demo(text);
    } catch (const demfmt::Error& e) {
        return e.what();
    }
    return "";
}

inline bool contains(const std::string& hay, std::string_view needle) {
    return hay.find(needle) != std::string::npos;
}

}  // namespace demfmt_test
