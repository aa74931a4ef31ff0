// Dump text -> demo bytes must never crash; a demo it writes must read back
// to a dump that compiles to the same bytes again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demfmt/demfmt.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string demo;
    try {
        demo = demfmt::dump_to_demo(text);
    } catch (const demfmt::Error&) {
        return 0;  // malformed dump: a clean error is fine
    }
    demfmt::DumpResult r;
    try {
        r = demfmt::demo_to_dump(demo);
    } catch (const demfmt::Error&) {
        return 0;  // e.g. a header-only dump with an implausible track line
    }
    std::string again;
    try {
        again = demfmt::dump_to_demo(r.text);
    } catch (const demfmt::Error& e) {
        std::fprintf(stderr, "the compiler rejected the reader's own dump: %s\n", e.what());
        std::abort();
    }
    if (again != demo) {
        std::fprintf(stderr, "compiled demo does not round-trip\n");
        std::abort();
    }
    return 0;
}
