// Any line: the value the undo history would keep for it writes back as
// exactly that line, or there is none (the line is then kept as text).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/demotime.h"
#include "editing/editjournal.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  if (const std::optional<double> value = clipvex::TimeLineValue(line)) {
    if (clipvex::FormatTimeLine(*value) != line) std::abort();
  }
  return 0;
}
