// Dump text -> demo bytes must never crash; a demo it writes must read back
// to a dump that compiles to the same bytes again.
#include <cstdint>
#include <string>
#include <string_view>

#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string demo;
    try {
        demo = demfmt::dump_to_demo(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const demfmt::Error&) {
        return 0;  // malformed dump: a clean error is fine
    }
    RequireRoundTrip(demo);
    return 0;
}
