#include "xsession.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <thread>

namespace wq_test {

namespace {

std::string TitleOf(Display* d, Window w) {
  std::string title;
  char* name = nullptr;
  if (XFetchName(d, w, &name) && name) {
    title = name;
    XFree(name);
  }
  return title;
}

long PidOf(Display* d, Window w) {
  const Atom pidAtom = XInternAtom(d, "_NET_WM_PID", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  long pid = -1;
  if (XGetWindowProperty(d, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
          Success &&
      data && count == 1 && format == 32)
    pid = *reinterpret_cast<long*>(data);
  if (data) XFree(data);
  return pid;
}

void Walk(Display* d, Window w, const std::string& title, pid_t pid, std::vector<unsigned long>& found) {
  if (TitleOf(d, w) == title && PidOf(d, w) == pid) found.push_back(w);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) return;
  for (unsigned int i = 0; i < n; ++i) Walk(d, children[i], title, pid, found);
  if (children) XFree(children);
}

}  // namespace

XSession::~XSession() {
  if (display_) XCloseDisplay(display_);
}

bool XSession::Open() {
  if (!display_) display_ = XOpenDisplay(nullptr);
  return display_ != nullptr;
}

std::vector<unsigned long> XSession::FindWindows(const std::string& title, pid_t pid) {
  std::vector<unsigned long> found;
  if (display_) Walk(display_, DefaultRootWindow(display_), title, pid, found);
  return found;
}

bool XSession::WaitViewable(unsigned long window, std::chrono::milliseconds limit) {
  if (!display_) return false;
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable) return true;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

bool XSession::Type(unsigned long window, const std::string& text) {
  using namespace std::chrono_literals;
  if (!display_ || !WaitViewable(window, 10s)) return false;
  XRaiseWindow(display_, window);
  XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  XSync(display_, False);
  const auto end = std::chrono::steady_clock::now() + 10s;
  for (;;) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    if (focus == window) break;
    if (std::chrono::steady_clock::now() >= end) return false;
    std::this_thread::sleep_for(10ms);
  }
  const KeyCode shift = XKeysymToKeycode(display_, XK_Shift_L);
  for (char c : text) {
    const KeySym sym = c == '\n' ? XK_Return : static_cast<KeySym>(static_cast<unsigned char>(c));
    const KeyCode code = XKeysymToKeycode(display_, sym);
    if (code == 0) return false;
    const bool needShift = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
    if (needShift) XTestFakeKeyEvent(display_, shift, True, 0);
    XTestFakeKeyEvent(display_, code, True, 0);
    XTestFakeKeyEvent(display_, code, False, 0);
    if (needShift) XTestFakeKeyEvent(display_, shift, False, 0);
    XSync(display_, False);
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

}  // namespace wq_test
