// Raw X calls the game control tests need to set up and look at windows,
// behind plain types (the X headers stay in x11probe.cpp).
#pragma once

#include <string>
#include <vector>

struct _XDisplay;

namespace clipvex::test {

class XProbe {
 public:
  XProbe();  // its own connection to $DISPLAY
  ~XProbe();
  XProbe(const XProbe&) = delete;
  XProbe& operator=(const XProbe&) = delete;

  bool Connected() const { return display_ != nullptr; }
  // A window titled `title` (empty: none) under `parent` (0: the root).
  unsigned long Create(const std::string& title, bool map, unsigned long parent = 0);
  // Sets the window's class (instance and class name) and _NET_WM_PID.
  void Label(unsigned long window, const std::string& instance, const std::string& wmClass, long pid);
  void Reparent(unsigned long window, unsigned long parent);
  void Destroy(unsigned long window);
  bool Exists(unsigned long window);
  bool Viewable(unsigned long window);
  unsigned long Focus();
  // The root's children, bottom of the stacking order first.
  std::vector<unsigned long> Stack();
  // Presses or releases the key of `keysym` as a user's keyboard would.
  void Key(unsigned long keysym, bool down);

 private:
  _XDisplay* display_ = nullptr;
};

}  // namespace clipvex::test
