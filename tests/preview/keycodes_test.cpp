#include "preview/keycodes.h"

#include <gtest/gtest.h>

#include <map>

namespace clipvex {
namespace {

// A US keyboard as an X server lays it out: lower-case letters and digits
// plain, upper-case letters and most punctuation with Shift.
class UsLayout : public KeyboardLayout {
 public:
  UsLayout() {
    unsigned code = 10;
    for (char c = 'a'; c <= 'z'; ++c, ++code) {
      places_[static_cast<KeySym>(c)] = {code, false};
      places_[static_cast<KeySym>(c - 'a' + 'A')] = {code, true};
    }
    places_[' '] = {65, false};
    places_['1'] = {40, false};
    places_['!'] = {40, true};
    places_[0xff0d] = {36, false};  // Return
    places_[0xff08] = {22, false};  // BackSpace
    places_[0xff1b] = {9, false};   // Escape
    places_[kSymShift] = {50, false};
    places_[kSymControl] = {37, false};
    places_[kSymAlt] = {64, false};
    places_[0xffbe] = {67, false};  // F1
    places_[0xffc9] = {96, false};  // F12
    places_[0xff50] = {110, false};  // Home
    places_[0xffff] = {119, false};  // Delete
  }
  std::optional<KeyPlace> Find(KeySym sym) const override {
    auto it = places_.find(sym);
    if (it == places_.end()) return std::nullopt;
    return it->second;
  }
  unsigned Code(KeySym sym) const { return places_.at(sym).keycode; }

 private:
  std::map<KeySym, KeyPlace> places_;
};

std::vector<KeyEvent> Stroke(unsigned code) { return {{code, true}, {code, false}}; }

TEST(PlanKeys, ThePlayCommandIsEighteenStrokesWithoutShift) {
  const UsLayout us;
  int missing = -1;
  const std::vector<KeyEvent> events = PlanKeys("playdemo tempfilm\r", us, &missing);
  EXPECT_EQ(missing, 0);
  ASSERT_EQ(events.size(), 36u);
  const std::string text = "playdemo tempfilm";
  for (std::size_t i = 0; i < 18; ++i) {
    const unsigned expected = i < text.size() ? us.Code(static_cast<KeySym>(text[i])) : us.Code(0xff0d);
    EXPECT_EQ(events[2 * i], (KeyEvent{expected, true})) << "stroke " << i;
    EXPECT_EQ(events[2 * i + 1], (KeyEvent{expected, false})) << "stroke " << i;
  }
}

TEST(PlanKeys, ShiftWrapsWhatTheLayoutShiftsUnlessAModifierIsHeld) {
  const UsLayout us;
  const unsigned shift = us.Code(kSymShift);
  const unsigned a = us.Code('a');
  const unsigned b = us.Code('b');
  EXPECT_EQ(PlanKeys("A", us), (std::vector<KeyEvent>{{shift, true}, {a, true}, {a, false}, {shift, false}}));
  EXPECT_EQ(PlanKeys("!", us), (std::vector<KeyEvent>{{shift, true}, {40, true}, {40, false}, {shift, false}}));
  // After code 250 the letters go as they are, until 251.
  EXPECT_EQ(PlanKeys("\xfa" "AB" "\xfb" "A", us),
            (std::vector<KeyEvent>{{shift, true}, {a, true}, {a, false}, {b, true}, {b, false}, {shift, false},
                                   {shift, true}, {a, true}, {a, false}, {shift, false}}));
  // Any held modifier stops the automatic Shift: Ctrl+A is Ctrl and the plain key.
  const unsigned ctrl = us.Code(kSymControl);
  EXPECT_EQ(PlanKeys("\xfc" "A" "\xfd", us), (std::vector<KeyEvent>{{ctrl, true}, {a, true}, {a, false}, {ctrl, false}}));
}

TEST(PlanKeys, FunctionNavigationAndModifierCodes) {
  const UsLayout us;
  EXPECT_EQ(PlanKeys("\xe4", us), Stroke(us.Code(0xffbe)));  // 228: F1
  EXPECT_EQ(PlanKeys("\xef", us), Stroke(us.Code(0xffc9)));  // 239: F12
  EXPECT_EQ(PlanKeys("\xf0", us), Stroke(us.Code(0xff50)));  // 240: Home
  EXPECT_EQ(PlanKeys("\xf9", us), Stroke(us.Code(0xffff)));  // 249: Delete
  // 252 presses Ctrl and leaves it down.
  EXPECT_EQ(PlanKeys("\xfc", us), (std::vector<KeyEvent>{{us.Code(kSymControl), true}}));
  EXPECT_EQ(PlanKeys("\xfe\xff", us), (std::vector<KeyEvent>{{us.Code(kSymAlt), true}, {us.Code(kSymAlt), false}}));
  EXPECT_EQ(PlanKeys("\x08\x1b", us), (std::vector<KeyEvent>{{22, true}, {22, false}, {9, true}, {9, false}}));
}

TEST(PlanKeys, KeysTheLayoutLacksAreCountedAndNotTyped) {
  const UsLayout us;
  int missing = 0;
  // a grave (224) is not on a US keyboard, code 1 is a mouse button, 127 has no key.
  const std::vector<KeyEvent> events = PlanKeys("a\xe0\x01\x7f" "b", us, &missing);
  EXPECT_EQ(missing, 3);
  EXPECT_EQ(events.size(), 4u);
}

TEST(KeyOfCode, CharactersAreTheirSymbolsAndTheHighCodesTheirKeys) {
  EXPECT_EQ(KeyOfCode('a'), KeySym{'a'});
  EXPECT_EQ(KeyOfCode(0xe0), KeySym{0xe0});       // Latin-1 characters are their own symbol
  EXPECT_EQ(KeyOfCode(227), KeySym{227});         // the last character before F1
  EXPECT_EQ(KeyOfCode(233), KeySym{0xffc3});      // F6, not e acute
  EXPECT_EQ(KeyOfCode(0x80), KeySym{0x20ac});     // the euro sign of the Windows code page
  EXPECT_EQ(KeyOfCode(0x8a), KeySym{0x1000160});  // S caron, as a Unicode symbol
  EXPECT_EQ(KeyOfCode(0x81), std::nullopt);
  EXPECT_EQ(KeyOfCode(13), KeySym{0xff0d});
  EXPECT_EQ(KeyOfCode(248), KeySym{0xff63});  // Insert
  EXPECT_EQ(ModifierOfCode(251), kSymShift);
  EXPECT_EQ(ModifierOfCode(253), kSymControl);
  EXPECT_EQ(ModifierOfCode(254), kSymAlt);
}

}  // namespace
}  // namespace clipvex
