// The key code texts typed into the game: which key each code stands for and
// the key presses that type a whole text on a given keyboard layout. Plain
// C++: the X11 game control feeds it the server's keymap.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace clipvex {

// Codes of a key code text beyond the characters themselves.
inline constexpr unsigned char kKeyEnter = 13;
inline constexpr unsigned char kKeyF1 = 228;      // 228 to 239: F1 to F12
inline constexpr unsigned char kKeyHome = 240;    // 240 to 249: Home, End, Up, Down, Left, Right,
inline constexpr unsigned char kKeyDelete = 249;  //   Page Up, Page Down, Insert, Delete
inline constexpr unsigned char kShiftDown = 250;  // 250 to 255: Shift, Ctrl and Alt down and up
inline constexpr unsigned char kShiftUp = 251;
inline constexpr unsigned char kCtrlDown = 252;
inline constexpr unsigned char kCtrlUp = 253;
inline constexpr unsigned char kAltDown = 254;
inline constexpr unsigned char kAltUp = 255;

// Key symbols (the X protocol's numbering: Latin-1 characters are their own
// symbol, special keys live at 0xff00 and up).
using KeySym = std::uint32_t;
inline constexpr KeySym kSymShift = 0xffe1;    // Shift_L
inline constexpr KeySym kSymControl = 0xffe3;  // Control_L
inline constexpr KeySym kSymAlt = 0xffe9;      // Alt_L

// The key a code below 250 stands for, or nothing when no key types it
// (a virtual key number without a key here, a character without a symbol).
std::optional<KeySym> KeyOfCode(unsigned char code);

// The modifier key a code from 250 on presses or releases.
KeySym ModifierOfCode(unsigned char code);

// Where a symbol sits on the keyboard: its key and whether Shift must be
// held to get it.
struct KeyPlace {
  unsigned keycode = 0;
  bool shift = false;
};

class KeyboardLayout {
 public:
  virtual ~KeyboardLayout() = default;
  // Nothing when no key of the layout gives `sym`.
  virtual std::optional<KeyPlace> Find(KeySym sym) const = 0;
};

struct KeyEvent {
  unsigned keycode = 0;
  bool down = false;
  friend bool operator==(const KeyEvent&, const KeyEvent&) = default;
};

// The key presses and releases that type `codes` on `layout`. Each code
// below 250 is one stroke (down, up) of its key, wrapped in Shift down and
// up when the layout needs Shift for it, unless a modifier is held by an
// earlier code (250, 252, 254 hold one; 251, 253, 255 let it go). Codes from
// 250 on press or release their modifier. A code whose key the layout lacks
// types nothing; `missing` (when given) counts them.
std::vector<KeyEvent> PlanKeys(std::string_view codes, const KeyboardLayout& layout, int* missing = nullptr);

}  // namespace clipvex
