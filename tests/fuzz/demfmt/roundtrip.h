// The check both converter fuzz targets end with: a demo the reader accepts
// must come back from its dump byte for byte.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "demfmt/demfmt.h"

// Returns quietly when `demo` is not one the reader accepts; aborts when its
// dump does not compile back to the same bytes.
inline void RequireRoundTrip(std::string_view demo) {
    demfmt::DumpResult r;
    try {
        r = demfmt::demo_to_dump(demo);
    } catch (const demfmt::Error&) {
        return;  // not a demo: a clean error is fine
    }
    std::string back;
    try {
        back = demfmt::dump_to_demo(r.text);
    } catch (const demfmt::Error& e) {
        std::fprintf(stderr, "the compiler rejected the reader's own dump: %s\n", e.what());
        std::abort();
    }
    if (back != demo) {
        std::fprintf(stderr, "round trip differs (%zu -> %zu bytes)\n", demo.size(), back.size());
        std::abort();
    }
}
