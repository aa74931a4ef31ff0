// Any typed text: the line the Stufftext dialog builds compiles, the game
// gets exactly what was typed (with "\n" as a new line) and a new line at
// the end, and the line holds no brace or line break the dump reader could
// take for structure.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "demfmt/demfmt.h"
#include "editing/stuff.h"

namespace {

// What the game should get for `typed`.
std::string Expected(std::string_view typed) {
  std::string out;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] == '\0') continue;
    if (typed[i] == '\\' && i + 1 < typed.size() && typed[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += typed[i];
    }
  }
  return out + "\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const auto kind = static_cast<clipvex::StuffKind>(data[0] % 4);
  const std::string_view typed(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::string line = clipvex::BuildStuffLine(kind, typed);
  for (char c : line) {
    if (c == '{' || c == '}' || c == '\n' || c == '\r' || c == '\0') std::abort();
  }
  std::string demo;
  try {
    demo = demfmt::dump_to_demo("block {\n camera 0 0 0;\n" + line + "\n}\n");
  } catch (const demfmt::Error&) {
    std::abort();  // the converter refused a line the editor made
  }
  // Track line "-1\n", block size, three angles, the message id, its string.
  constexpr std::size_t kString = 3 + 4 + 12 + 1;
  if (demo.size() <= kString || demo.back() != '\0') std::abort();
  if (demo.substr(kString, demo.size() - kString - 1) != Expected(typed)) std::abort();
  return 0;
}
