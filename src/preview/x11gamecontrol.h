// The game control on an X server: Xlib for the window tree, XTest for the
// key events. The X headers stay inside x11gamecontrol.cpp (their macros
// clash with Qt and GoogleTest); windows travel as plain numbers.
#pragma once

#include <string>
#include <string_view>

#include "preview/gamecontrol.h"

struct _XDisplay;

namespace clipvex {

class X11GameControl : public GameControl {
 public:
  // Opens a connection of its own to `displayName` (empty: the DISPLAY of
  // the environment). Raises a clear error when there is no X server to
  // talk to or it cannot type keys (no XTest extension).
  explicit X11GameControl(const std::string& displayName = {});
  ~X11GameControl() override;
  X11GameControl(const X11GameControl&) = delete;
  X11GameControl& operator=(const X11GameControl&) = delete;

  GameWindow FindGameWindow() override { return FindWindow(kGameTitle); }
  GameWindow FindMatchingWindow(const WindowMatch& match) override;
  bool RaiseWindow(GameWindow window) override;
  void SendKeys(std::string_view codes) override;

  // The first window, from the top of the stacking order down and through
  // window manager frames, whose _NET_WM_NAME or WM_NAME is exactly `title`.
  GameWindow FindWindow(std::string_view title);

  _XDisplay* Display() const { return display_; }

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace clipvex
