#include "preview/win32gamecontrol.h"

#ifdef _WIN32

#include <windows.h>

#include <cstdint>

#include "preview/keycodes.h"

namespace clipvex {

namespace {

constexpr BYTE kNavigationVirtualKeys[] = {VK_HOME, VK_END,  VK_UP,   VK_DOWN,   VK_LEFT,
                                           VK_RIGHT, VK_PRIOR, VK_NEXT, VK_INSERT, VK_DELETE};

void Key(BYTE virtualKey, BYTE scan, bool down) { keybd_event(virtualKey, scan, down ? 0 : KEYEVENTF_KEYUP, 0); }

// Window handles carry 32 significant bits, also in 64-bit processes.
GameWindow FromHandle(HWND window) { return static_cast<GameWindow>(reinterpret_cast<std::uintptr_t>(window)); }
HWND ToHandle(GameWindow window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }

}  // namespace

GameWindow Win32GameControl::FindGameWindow() {
  return FromHandle(FindWindowA(nullptr, kGameTitle));
}

bool Win32GameControl::RaiseWindow(GameWindow id) {
  HWND window = ToHandle(id);
  if (!IsWindow(window)) return false;
  if (IsIconic(window)) {
    ShowWindow(window, SW_RESTORE);
  } else {
    BringWindowToTop(window);
  }
  SetForegroundWindow(window);
  return true;
}

void Win32GameControl::SendKeys(std::string_view codes) {
  bool held = false;
  for (char ch : codes) {
    const auto code = static_cast<unsigned char>(ch);
    if (code >= kShiftDown) {
      const BYTE modifier = code <= kShiftUp ? VK_SHIFT : code <= kCtrlUp ? VK_CONTROL : VK_MENU;
      const bool down = code % 2 == 0;
      Key(modifier, static_cast<BYTE>(MapVirtualKeyA(modifier, 0)), down);
      held = down;
      continue;
    }
    BYTE virtualKey = 0;
    bool shift = false;
    if (code >= kKeyHome) {
      virtualKey = kNavigationVirtualKeys[code - kKeyHome];
    } else if (code >= kKeyF1) {
      virtualKey = static_cast<BYTE>(code - 116);
    } else if (code < 32) {
      virtualKey = code;
    } else {
      const SHORT scan = VkKeyScanA(static_cast<CHAR>(code));
      virtualKey = static_cast<BYTE>(scan & 0xff);
      shift = ((scan >> 8) & 0xff) != 0;
    }
    const BYTE scanCode = static_cast<BYTE>(MapVirtualKeyA(virtualKey, 0));
    const bool wrap = shift && !held;
    if (wrap) Key(VK_SHIFT, 42, true);
    Key(virtualKey, scanCode, true);
    Key(virtualKey, scanCode, false);
    if (wrap) Key(VK_SHIFT, 42, false);
  }
}

}  // namespace clipvex

#endif
