#include "preview/x11probe.h"

#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

namespace clipvex::test {

namespace {
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }
}  // namespace

XProbe::XProbe() : display_(XOpenDisplay(nullptr)) {}

XProbe::~XProbe() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

unsigned long XProbe::Create(const std::string& title, bool map, unsigned long parent) {
  const Window under = parent != 0 ? static_cast<Window>(parent) : DefaultRootWindow(display_);
  const Window window = XCreateSimpleWindow(display_, under, 0, 0, 200, 150, 0, 0, 0);
  if (!title.empty()) XStoreName(display_, window, title.c_str());
  if (map) XMapRaised(display_, window);
  XSync(display_, False);
  return window;
}

void XProbe::Label(unsigned long window, const std::string& instance, const std::string& wmClass, long pid) {
  std::string resName = instance;
  std::string resClass = wmClass;
  XClassHint hint{resName.data(), resClass.data()};
  XSetClassHint(display_, static_cast<Window>(window), &hint);
  const unsigned long value = static_cast<unsigned long>(pid);
  XChangeProperty(display_, static_cast<Window>(window), XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL,
                  32, PropModeReplace, reinterpret_cast<const unsigned char*>(&value), 1);
  XSync(display_, False);
}

void XProbe::Reparent(unsigned long window, unsigned long parent) {
  XReparentWindow(display_, static_cast<Window>(window), static_cast<Window>(parent), 0, 0);
  XSync(display_, False);
}

void XProbe::Destroy(unsigned long window) {
  XDestroyWindow(display_, static_cast<Window>(window));
  XSync(display_, False);
}

bool XProbe::Exists(unsigned long window) {
  XSync(display_, False);
  auto previous = XSetErrorHandler(IgnoreErrors);
  XWindowAttributes attributes{};
  const bool exists = XGetWindowAttributes(display_, static_cast<Window>(window), &attributes) != 0;
  XSync(display_, False);
  XSetErrorHandler(previous);
  return exists;
}

bool XProbe::Viewable(unsigned long window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display_, static_cast<Window>(window), &attributes) != 0 &&
         attributes.map_state == IsViewable;
}

unsigned long XProbe::Focus() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  return focus;
}

std::vector<unsigned long> XProbe::Stack() {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<unsigned long> stack;
  if (XQueryTree(display_, DefaultRootWindow(display_), &root, &parent, &children, &count) != 0) {
    for (unsigned i = 0; i < count; ++i) stack.push_back(children[i]);
    if (children != nullptr) XFree(children);
  }
  return stack;
}

void XProbe::Key(unsigned long keysym, bool down) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, static_cast<KeySym>(keysym)), down ? True : False,
                    CurrentTime);
  XSync(display_, False);
}

}  // namespace clipvex::test
