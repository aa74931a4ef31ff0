// A Wayland desktop for one test, on the X server the test already has:
// weston (through its X11 backend, which gives it a keyboard and a pointer)
// with XWayland. While it stands, DISPLAY is XWayland's display and
// WAYLAND_DISPLAY weston's socket, as on a Wayland desktop; both come back
// when it goes.
#pragma once

#include <optional>
#include <string>

namespace clipvex::test {

class PrivateWaylandSession {
 public:
  PrivateWaylandSession();  // starts weston on $DISPLAY and waits (up to 20 s) for XWayland
  ~PrivateWaylandSession();
  PrivateWaylandSession(const PrivateWaylandSession&) = delete;
  PrivateWaylandSession& operator=(const PrivateWaylandSession&) = delete;

  bool Running() const { return !display_.empty(); }
  const std::string& Display() const { return display_; }  // XWayland's, ":N"
  const std::string& Problem() const { return problem_; }

 private:
  long pid_ = 0;
  std::string folder_;
  std::string display_;
  std::string problem_;
  std::optional<std::string> previousDisplay_;
  std::optional<std::string> previousWayland_;
  std::optional<std::string> previousRuntime_;
};

}  // namespace clipvex::test
