// A connection of its own to the X server for the window tests: finds a
// program's top-level windows by title and types into them with XTest key
// events. The X headers stay in xsession.cpp (their macros None, Bool,
// Status clash with GoogleTest); windows are plain unsigned longs here.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

struct _XDisplay;

namespace wq_test {

class XSession {
 public:
  XSession() = default;
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  bool Open();  // false without a reachable X server
  // Windows anywhere in the tree titled `title` whose _NET_WM_PID is `pid`.
  std::vector<unsigned long> FindWindows(const std::string& title, pid_t pid);
  // Waits until the window is mapped and viewable (it can take the focus
  // then); false when that does not happen within `limit`.
  bool WaitViewable(unsigned long window, std::chrono::milliseconds limit);
  // Raises the window, gives it the focus (waiting until the server says
  // it has it) and types `text` ('\n' is Return), key codes from the
  // server's keymap and Shift only where it is needed. False when the
  // window does not get the focus or a character has no key.
  bool Type(unsigned long window, const std::string& text);

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace wq_test
