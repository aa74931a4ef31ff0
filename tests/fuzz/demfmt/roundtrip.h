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

// A demo the reader accepts gives the same text formatted on threads, in
// ranges of a few blocks, from guessed and from deliberately wrong
// protocols, as on one thread. (A target of its own: starting threads for
// every input would slow the round trip's fuzzing fortyfold.)
inline void RequireSameTextOnThreads(std::string_view demo) {
    demfmt::DumpResult r;
    try {
        r = demfmt::demo_to_dump(demo);
    } catch (const demfmt::Error&) {
        return;
    }
    for (bool guess : {true, false}) {
        demfmt::DumpOptions opt;
        opt.threads = 2;
        opt.range_bytes = 48;
        opt.guess_protocol = guess;
        std::string text;
        auto warnings = demfmt::demo_to_dump_chunks(
            demo, [&text](std::string& buffer, std::size_t used) { text.append(buffer.data(), used); }, opt);
        if (text != r.text || warnings != r.warnings) {
            std::fprintf(stderr, "the text formatted on threads differs (guess %d)\n", guess ? 1 : 0);
            std::abort();
        }
    }
}
