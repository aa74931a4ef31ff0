#include "preview/keycodes.h"

#include <array>

namespace clipvex {

namespace {

// Virtual key numbers below 32 that a keyboard has a key for.
std::optional<KeySym> VirtualKey(unsigned char code) {
  switch (code) {
    case 3: return 0xff69;   // Cancel
    case 8: return 0xff08;   // BackSpace
    case 9: return 0xff09;   // Tab
    case 12: return 0xff0b;  // Clear
    case 13: return 0xff0d;  // Return
    case 16: return kSymShift;
    case 17: return kSymControl;
    case 18: return kSymAlt;
    case 19: return 0xff13;  // Pause
    case 20: return 0xffe5;  // Caps_Lock
    case 27: return 0xff1b;  // Escape
    case 31: return 0xff7e;  // Mode_switch
    default: return std::nullopt;
  }
}

// Codes 128 to 159 are the text's own characters of the Windows code page;
// their symbols are the Unicode ones (0 where the code page has none).
constexpr std::array<std::uint16_t, 32> kHighCharacters = {
    0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
    0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};

constexpr std::array<KeySym, 10> kNavigationKeys = {
    0xff50,  // Home
    0xff57,  // End
    0xff52,  // Up
    0xff54,  // Down
    0xff51,  // Left
    0xff53,  // Right
    0xff55,  // Prior (Page Up)
    0xff56,  // Next (Page Down)
    0xff63,  // Insert
    0xffff,  // Delete
};

constexpr KeySym kSymF1 = 0xffbe;

}  // namespace

std::optional<KeySym> KeyOfCode(unsigned char code) {
  if (code < 32) return VirtualKey(code);
  if (code < 127) return code;
  if (code == 127) return std::nullopt;  // DEL has no character key of its own
  if (code < 160) {
    const std::uint16_t unicode = kHighCharacters[code - 128];
    if (unicode == 0) return std::nullopt;
    return unicode == 0x20ac ? KeySym{0x20ac} : KeySym{0x1000000u | unicode};
  }
  if (code < kKeyF1) return code;  // Latin-1 characters are their own symbol
  if (code < kKeyHome) return kSymF1 + (code - kKeyF1);
  if (code <= kKeyDelete) return kNavigationKeys[code - kKeyHome];
  return std::nullopt;
}

KeySym ModifierOfCode(unsigned char code) {
  if (code <= kShiftUp) return kSymShift;
  if (code <= kCtrlUp) return kSymControl;
  return kSymAlt;
}

std::vector<KeyEvent> PlanKeys(std::string_view codes, const KeyboardLayout& layout, int* missing) {
  std::vector<KeyEvent> events;
  events.reserve(codes.size() * 2);
  int lost = 0;
  bool held = false;
  const std::optional<KeyPlace> shiftKey = layout.Find(kSymShift);
  for (char ch : codes) {
    const auto code = static_cast<unsigned char>(ch);
    if (code >= kShiftDown) {
      const bool down = code % 2 == 0;
      held = down;
      if (std::optional<KeyPlace> place = layout.Find(ModifierOfCode(code))) {
        events.push_back({place->keycode, down});
      } else {
        ++lost;
      }
      continue;
    }
    const std::optional<KeySym> sym = KeyOfCode(code);
    const std::optional<KeyPlace> place = sym ? layout.Find(*sym) : std::nullopt;
    if (!place) {
      ++lost;
      continue;
    }
    // Only characters take their Shift state from the layout.
    const bool character = code >= 32 && code < kKeyF1;
    const bool wrap = character && place->shift && !held && shiftKey.has_value();
    if (wrap) events.push_back({shiftKey->keycode, true});
    events.push_back({place->keycode, true});
    events.push_back({place->keycode, false});
    if (wrap) events.push_back({shiftKey->keycode, false});
  }
  if (missing != nullptr) *missing = lost;
  return events;
}

}  // namespace clipvex
