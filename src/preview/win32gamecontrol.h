// The game control on Windows: window lookup by title, restore and raise,
// and key strokes through the system's keyboard input. Built only there.
#pragma once

#ifdef _WIN32

#include "preview/gamecontrol.h"

namespace clipvex {

class Win32GameControl : public GameControl {
 public:
  GameWindow FindGameWindow() override;
  bool RaiseWindow(GameWindow window) override;
  void SendKeys(std::string_view codes) override;
};

}  // namespace clipvex

#endif
