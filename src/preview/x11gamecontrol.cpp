#include "preview/x11gamecontrol.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "document/error.h"
#include "preview/keycodes.h"

namespace clipvex {

namespace {

// Xlib's default error handler ends the process (a window that vanished
// between two calls gives BadWindow, a focus on an unmapped one BadMatch).
// While a trap stands, errors are counted instead; the previous handler
// (Qt may have its own) comes back when it goes.
class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display) : display_(display) {
    XSync(display_, False);
    errors_ = 0;
    previous_ = XSetErrorHandler(&ErrorTrap::Count);
  }
  ~ErrorTrap() {
    XSync(display_, False);
    XSetErrorHandler(previous_);
  }
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;

  // Whether a request since the trap was set (or last cleared) failed.
  bool Failed() {
    XSync(display_, False);
    return errors_ > 0;
  }
  void Clear() {
    XSync(display_, False);
    errors_ = 0;
  }

 private:
  static int Count(Display*, XErrorEvent*) {
    ++errors_;
    return 0;
  }

  static inline int errors_ = 0;
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*) = nullptr;
};

Window ToWindow(GameWindow window) { return static_cast<Window>(window); }

// A window property of the type asked for, in items of `format` bits (32-bit
// items come as longs, as Xlib hands them out); none when it is unset or
// another type.
template <class Item>
std::optional<std::vector<Item>> PropertyOf(Display* display, Window window, Atom property, Atom wanted,
                                            int wantedFormat, long maxLength) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, window, property, 0, maxLength, False, wanted, &type, &format, &count, &after,
                         &data) != Success ||
      data == nullptr) {
    return std::nullopt;
  }
  std::optional<std::vector<Item>> items;
  if (type == wanted && format == wantedFormat) {
    const Item* first = reinterpret_cast<const Item*>(data);
    items.emplace(first, first + count);
  }
  XFree(data);
  return items;
}

// The window's title: _NET_WM_NAME (UTF-8) when set, else WM_NAME.
std::optional<std::string> TitleOf(Display* display, Window window) {
  // Xlib keeps interned atoms in a cache of the connection.
  const Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  if (const auto title = PropertyOf<char>(display, window, netName, utf8, 8, 1024)) {
    return std::string(title->begin(), title->end());
  }
  XTextProperty text{};
  if (XGetWMName(display, window, &text) != 0 && text.value != nullptr) {
    std::string title(reinterpret_cast<const char*>(text.value), text.nitems);
    XFree(text.value);
    return title;
  }
  return std::nullopt;
}

std::vector<Window> ChildrenOf(Display* display, Window window) {
  Window root = 0;
  Window parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  std::vector<Window> list;
  if (XQueryTree(display, window, &root, &parent, &children, &count) != 0 && children != nullptr) {
    // Top of the stacking order first.
    for (unsigned i = count; i-- > 0;) list.push_back(children[i]);
    XFree(children);
  }
  return list;
}

// A window manager puts its own frame around each top-level window; the
// search goes through the whole tree. When a frame matches too, the client
// inside it (which takes the keys) is the one returned.
template <typename Matches>
Window SearchFor(Display* display, Window under, const Matches& matches, int depth) {
  if (depth > 16) return 0;
  for (Window child : ChildrenOf(display, under)) {
    const Window inner = SearchFor(display, child, matches, depth + 1);
    if (matches(child)) return inner != 0 ? inner : child;
    if (inner != 0) return inner;
  }
  return 0;
}

Window Search(Display* display, Window under, std::string_view title, int depth) {
  return SearchFor(
      display, under,
      [&](Window window) {
        const std::optional<std::string> name = TitleOf(display, window);
        return name && *name == title;
      },
      depth);
}

// Both parts of WM_CLASS (instance and class).
std::vector<std::string> ClassesOf(Display* display, Window window) {
  std::vector<std::string> parts;
  XClassHint hint{};
  if (XGetClassHint(display, window, &hint) != 0) {
    if (hint.res_name != nullptr) parts.emplace_back(hint.res_name);
    if (hint.res_class != nullptr) parts.emplace_back(hint.res_class);
    if (hint.res_name != nullptr) XFree(hint.res_name);
    if (hint.res_class != nullptr) XFree(hint.res_class);
  }
  return parts;
}

// The process that says it owns the window (_NET_WM_PID), or 0.
long ProcessOf(Display* display, Window window) {
  const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
  const auto pid = PropertyOf<unsigned long>(display, window, pidAtom, XA_CARDINAL, 32, 1);
  return pid && pid->size() == 1 ? static_cast<long>(pid->front()) : 0;
}

// The ancestor of `window` that is a child of the root: the frame a window
// manager stacks (or the window itself without one).
Window TopLevelOf(Display* display, Window window) {
  for (int depth = 0; depth < 32; ++depth) {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0) return window;
    if (children != nullptr) XFree(children);
    if (parent == root || parent == 0) return window;
    window = parent;
  }
  return window;
}

// Asks a window manager that follows the desktop conventions to activate
// (restore, raise and focus) the window. Without one nobody listens.
void RequestActivation(Display* display, Window window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // from a pager-like tool: honoured at once
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

// Whether any key of the keyboard is down.
bool KeysHeld(Display* display) {
  char keys[32] = {};
  XQueryKeymap(display, keys);
  for (char byte : keys) {
    if (byte != 0) return true;
  }
  return false;
}

bool Viewable(Display* display, Window window, bool& exists) {
  XWindowAttributes attributes{};
  exists = XGetWindowAttributes(display, window, &attributes) != 0;
  return exists && attributes.map_state == IsViewable;
}

// The server's keymap as the key code texts need it: for each symbol the
// key that gives it without Shift, or else with Shift.
class ServerLayout : public KeyboardLayout {
 public:
  explicit ServerLayout(Display* display) {
    int minCode = 0;
    int maxCode = 0;
    XDisplayKeycodes(display, &minCode, &maxCode);
    int perCode = 0;
    ::KeySym* map = XGetKeyboardMapping(display, static_cast<KeyCode>(minCode), maxCode - minCode + 1, &perCode);
    if (map == nullptr) return;
    const int levels = std::min(perCode, 2);  // the first group's plain and shifted levels
    for (int level = 0; level < levels; ++level) {
      for (int code = minCode; code <= maxCode; ++code) {
        const ::KeySym sym = map[(code - minCode) * perCode + level];
        if (sym == NoSymbol) continue;
        places_.try_emplace(static_cast<clipvex::KeySym>(sym), KeyPlace{static_cast<unsigned>(code), level == 1});
        // A key listing only its lower-case letter gives the upper case with Shift.
        if (level == 0 && (levels < 2 || map[(code - minCode) * perCode + 1] == NoSymbol)) {
          ::KeySym lower = 0;
          ::KeySym upper = 0;
          XConvertCase(sym, &lower, &upper);
          if (upper != lower && sym == lower) {
            upperOnly_.try_emplace(static_cast<clipvex::KeySym>(upper), KeyPlace{static_cast<unsigned>(code), true});
          }
        }
      }
    }
    XFree(map);
  }

  std::optional<KeyPlace> Find(clipvex::KeySym sym) const override {
    if (auto it = places_.find(sym); it != places_.end()) return it->second;
    if (auto it = upperOnly_.find(sym); it != upperOnly_.end()) return it->second;
    return std::nullopt;
  }

 private:
  std::map<clipvex::KeySym, KeyPlace> places_;
  std::map<clipvex::KeySym, KeyPlace> upperOnly_;
};

}  // namespace

X11GameControl::X11GameControl(const std::string& displayName) {
  const char* name = displayName.empty() ? std::getenv("DISPLAY") : displayName.c_str();
  if (name == nullptr || *name == '\0') {
    throw ClipvexError(
        "There is no X display to find the WinQuake window on (DISPLAY is not set). The preview needs the game "
        "running on an X server.");
  }
  display_ = XOpenDisplay(name);
  if (display_ == nullptr) {
    throw ClipvexError(std::string("Cannot connect to the X display '") + name +
                       "' to find the WinQuake window.");
  }
  int event = 0;
  int error = 0;
  int major = 0;
  int minor = 0;
  if (!XTestQueryExtension(display_, &event, &error, &major, &minor)) {
    XCloseDisplay(display_);
    display_ = nullptr;
    throw ClipvexError(std::string("The X display '") + name +
                       "' has no XTest extension: keys cannot be typed into WinQuake.");
  }
}

X11GameControl::~X11GameControl() {
  if (display_ != nullptr) XCloseDisplay(display_);
}

GameWindow X11GameControl::FindWindow(std::string_view title) {
  ErrorTrap trap(display_);
  // Windows may vanish during the walk; the walk just goes on.
  return static_cast<GameWindow>(Search(display_, DefaultRootWindow(display_), title, 0));
}

GameWindow X11GameControl::FindMatchingWindow(const WindowMatch& match) {
  ErrorTrap trap(display_);
  auto* display = display_;
  const auto matches = [&](Window window) {
    switch (match.kind) {
      case WindowMatchKind::Title: {
        const std::optional<std::string> name = TitleOf(display, window);
        return name && *name == match.text;
      }
      case WindowMatchKind::TitlePrefix: {
        const std::optional<std::string> name = TitleOf(display, window);
        return name && name->compare(0, match.text.size(), match.text) == 0;
      }
      case WindowMatchKind::Class: {
        const std::vector<std::string> parts = ClassesOf(display, window);
        return std::find(parts.begin(), parts.end(), match.text) != parts.end();
      }
      case WindowMatchKind::Process: {
        const long pid = ProcessOf(display, window);
        return pid > 0 && std::find(match.processes.begin(), match.processes.end(), pid) != match.processes.end();
      }
    }
    return false;
  };
  return static_cast<GameWindow>(SearchFor(display_, DefaultRootWindow(display_), matches, 0));
}

bool X11GameControl::RaiseWindow(GameWindow id) {
  const Window window = ToWindow(id);
  ErrorTrap trap(display_);
  bool exists = false;
  bool viewable = Viewable(display_, window, exists);
  if (!exists || trap.Failed()) return false;

  RequestActivation(display_, window);
  if (viewable) {
    XRaiseWindow(display_, TopLevelOf(display_, window));
  } else {
    // Minimised (unmapped and iconic) or hidden: mapping restores it; a
    // window manager turns the request into a de-iconify.
    XMapRaised(display_, window);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!viewable && exists && std::chrono::steady_clock::now() < until) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      viewable = Viewable(display_, window, exists);
    }
  }
  // Keys go to the focused window, and a bare X server focuses nothing by itself.
  if (viewable) XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  trap.Clear();
  Viewable(display_, window, exists);
  return exists;
}

void X11GameControl::SendKeys(std::string_view codes) {
  ServerLayout layout(display_);
  int missing = 0;
  const std::vector<KeyEvent> events = PlanKeys(codes, layout, &missing);
  if (missing > 0) {
    throw ClipvexError(std::to_string(missing) +
                       " of the keys to type into WinQuake are not on the keyboard layout of the X server.");
  }
  // A key still held by the user (the Enter that answered the question box
  // a moment ago) makes the server drop the press of the same key typed
  // now: wait a little for the keyboard to be free.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (KeysHeld(display_) && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ErrorTrap trap(display_);
  for (const KeyEvent& key : events) {
    XTestFakeKeyEvent(display_, key.keycode, key.down ? True : False, CurrentTime);
  }
  XSync(display_, False);
}

}  // namespace clipvex
