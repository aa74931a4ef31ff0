// The texts the preview takes from the user and types: any extra game
// parameters split into arguments, any key code text planned on a layout.
// Nothing may be lost or invented: the arguments hold exactly the input's
// bytes but blanks and quotes, and every key that goes down comes up again
// unless a modifier code held it.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#include "preview/gamecontrol.h"
#include "preview/keycodes.h"

namespace {

// A layout with every printable ASCII character, the special keys and the
// modifiers; upper case and punctuation behind Shift.
class AsciiLayout : public clipvex::KeyboardLayout {
 public:
  std::optional<clipvex::KeyPlace> Find(clipvex::KeySym sym) const override {
    if (sym >= 'a' && sym <= 'z') return clipvex::KeyPlace{sym - 'a' + 10, false};
    if (sym >= 'A' && sym <= 'Z') return clipvex::KeyPlace{sym - 'A' + 10, true};
    if (sym >= 32 && sym < 127) return clipvex::KeyPlace{sym + 100, sym > '9'};
    if (sym >= 0xff00 && sym <= 0xffff) return clipvex::KeyPlace{(sym & 0xff) + 300, false};
    return std::nullopt;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  std::string kept;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '"') kept.push_back(c);
  }
  std::string joined;
  for (const std::string& word : clipvex::SplitParameters(text)) joined += word;
  for (char c : joined) {
    if (c == '"') std::abort();
  }
  std::string joinedKept;
  for (char c : joined) {
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') joinedKept.push_back(c);
  }
  if (joinedKept != kept) std::abort();

  const AsciiLayout layout;
  int missing = 0;
  std::map<unsigned, int> down;
  for (const clipvex::KeyEvent& event : clipvex::PlanKeys(text, layout, &missing)) down[event.keycode] += event.down ? 1 : -1;
  if (missing < 0 || missing > static_cast<int>(size)) std::abort();
  bool holdsModifier = false;
  for (char c : text) holdsModifier |= static_cast<unsigned char>(c) >= clipvex::kShiftDown;
  for (const auto& [key, balance] : down) {
    if (balance != 0 && !holdsModifier) std::abort();
  }
  return 0;
}
