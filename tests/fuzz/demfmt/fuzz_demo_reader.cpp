// Demo bytes -> dump text -> demo bytes: whatever the reader accepts must
// come back byte for byte, and nothing may crash.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demfmt/demfmt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    demfmt::DumpResult r;
    try {
        r = demfmt::demo_to_dump(in);
    } catch (const demfmt::Error&) {
        return 0;  // not a demo: a clean error is fine
    }
    std::string back;
    try {
        back = demfmt::dump_to_demo(r.text);
    } catch (const demfmt::Error& e) {
        std::fprintf(stderr, "the compiler rejected the reader's own dump: %s\n", e.what());
        std::abort();
    }
    if (back != in) {
        std::fprintf(stderr, "round trip differs (%zu -> %zu bytes)\n", in.size(), back.size());
        std::abort();
    }
    return 0;
}
