// Demo bytes -> dump text -> demo bytes: whatever the reader accepts must
// come back byte for byte, and nothing may crash.
#include <cstdint>
#include <string_view>

#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RequireRoundTrip(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
