// Any line as a time line: a value or the conversion error, and every value
// written back as a time line reads again as the same time (to the written
// line's precision).
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
  std::string written;
  try {
    written = clipvex::FormatTimeLine(value);
  } catch (const clipvex::ClipvexError&) {
    return 0;  // times beyond the range of whole hours cannot be split
  }
  if (!clipvex::IsTimeLine(written)) std::abort();
  if (clipvex::BlockTimeText(clipvex::Block{"block {", written}).empty()) std::abort();
  double again = 0;
  try {
    again = clipvex::ParseTime(written);
  } catch (const clipvex::ClipvexError&) {
    std::abort();  // a line the editor wrote must read back
  }
  // The seconds are read from their first ten characters (six or seven
  // decimals), and both values are 48-bit reals.
  if (std::fabs(again - value) > 1e-5 + std::fabs(value) * 1e-11) std::abort();
  return 0;
}
