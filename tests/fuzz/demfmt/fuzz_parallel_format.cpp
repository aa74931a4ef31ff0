// Demo bytes -> dump text on threads: whatever the reader accepts must give
// the one-thread text, warnings included, and nothing may crash.
#include <cstdint>
#include <string_view>

#include "roundtrip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    RequireSameTextOnThreads(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
