// Any line as a time line: a value or the conversion error, and every value
// written back as a time line reads again.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "document/demotime.h"
#include "document/error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view line(reinterpret_cast<const char*>(data), size);
  double value = 0;
  try {
    value = clipvex::ParseTime(line);
  } catch (const clipvex::ClipvexError&) {
    return 0;
  }
  if (!std::isfinite(value)) std::abort();
  try {
    std::string written = clipvex::FormatTimeLine(value);
    if (!clipvex::IsTimeLine(written)) std::abort();
    (void)clipvex::BlockTimeText(clipvex::Block{"block {", written});
  } catch (const clipvex::ClipvexError&) {
    // Times beyond the range of whole hours cannot be split.
  }
  return 0;
}
