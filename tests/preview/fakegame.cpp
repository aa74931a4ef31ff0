// A stand-in for the preview game in tests: one X window titled "WinQuake"
// that takes typed keys into a console line, runs "playdemo NAME" on Enter
// by writing one screenshot file per screenshot line of DIR/NAME.dem
// ("stopdemo" drops those not taken yet), and records everything it gets in
// a log.
//
//   winquake -game DIR [--log FILE] [--deliver all|none] [--shot-ms N]
//            [--late-ms N] [--iconic] [other options, ignored]
//
// --deliver none takes the command but writes no screenshot (a game that
// never delivers); --shot-ms spaces the screenshots like a playback does;
// --late-ms writes each screenshot that long after it was taken, whatever
// the game is told meanwhile (a screenshot in flight outlives a stop);
// --iconic starts minimised (unmapped, WM_STATE iconic), the way a window
// manager leaves a minimised window.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "preview/fakeplay.h"

namespace {

volatile std::sig_atomic_t quitSignal = 0;
void OnTerm(int) { quitSignal = 1; }

using Clock = std::chrono::steady_clock;

struct Options {
  std::string game = "id1";
  std::string log;
  bool deliver = true;
  int shotMs = 0;
  int lateMs = 0;
  bool iconic = false;
};

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-game" && hasValue) o.game = argv[++i];
    else if (arg == "--log" && hasValue) o.log = argv[++i];
    else if (arg == "--deliver" && hasValue) o.deliver = std::string(argv[++i]) != "none";
    else if (arg == "--shot-ms" && hasValue) o.shotMs = std::atoi(argv[++i]);
    else if (arg == "--late-ms" && hasValue)
      o.lateMs = std::atoi(argv[++i]);
    else if (arg == "--iconic") o.iconic = true;
  }
  return o;
}

class Log {
 public:
  explicit Log(const std::string& path) {
    if (!path.empty()) out_.open(path, std::ios::app);
  }
  void Line(const std::string& text) {
    if (!out_.is_open()) return;
    out_ << text << '\n';
    out_.flush();
  }

 private:
  std::ofstream out_;
};

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  Log log(options.log);
  std::string args;
  for (int i = 1; i < argc; ++i) args += std::string(i > 1 ? "|" : "") + argv[i];
  log.Line("args " + args);
  log.Line("cwd " + std::filesystem::current_path().string());
  std::signal(SIGTERM, OnTerm);

  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    log.Line("no display");
    return 2;
  }
  const int screen = DefaultScreen(display);
  const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 320, 240, 0,
                                            BlackPixel(display, screen), BlackPixel(display, screen));
  XStoreName(display, window, "WinQuake");
  const char* title = "WinQuake";
  XChangeProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False),
                  XInternAtom(display, "UTF8_STRING", False), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XSelectInput(display, window, KeyPressMask | KeyReleaseMask | ExposureMask | StructureNotifyMask | FocusChangeMask);
  if (options.iconic) {
    XWMHints hints{};
    hints.flags = StateHint;
    hints.initial_state = IconicState;
    XSetWMHints(display, window, &hints);
    const Atom wmState = XInternAtom(display, "WM_STATE", False);
    const long state[2] = {IconicState, None};
    XChangeProperty(display, window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(state), 2);
  } else {
    XMapWindow(display, window);
  }
  XFlush(display);
  log.Line(options.iconic ? "iconic" : "window");

  const std::string folder = options.game + "/";
  std::string line;
  std::deque<int> shots;
  std::deque<std::pair<Clock::time_point, int>> landing;  // taken, written later
  Clock::time_point nextShot = Clock::now();
  const GC gc = XCreateGC(display, window, 0, nullptr);
  XSetForeground(display, gc, WhitePixel(display, screen));
  auto draw = [&] {
    XClearWindow(display, window);
    const std::string shown = "]" + line + "_";
    XDrawString(display, window, gc, 8, 230, shown.c_str(), static_cast<int>(shown.size()));
    XFlush(display);
  };

  auto run = [&](const std::string& command) {
    log.Line("line " + command);
    if (command == "quit") return false;
    if (command == "stopdemo") shots.clear();
    if (command.rfind("playdemo ", 0) == 0) {
      const std::string name = command.substr(9);
      shots.clear();  // a new demo replaces the one playing
      try {
        const std::vector<int> blocks = clipvex::test::ScreenshotBlocks(folder + name + ".dem");
        log.Line("play " + name + " " + std::to_string(blocks.size()));
        if (options.deliver) shots.assign(blocks.begin(), blocks.end());
        nextShot = Clock::now() + std::chrono::milliseconds(options.shotMs);
      } catch (const std::exception& e) {
        log.Line(std::string("cannot play ") + name + ": " + e.what());
      }
    }
    return true;
  };

  bool running = true;
  while (running && quitSignal == 0) {
    while (running && XPending(display) > 0) {
      XEvent event;
      XNextEvent(display, &event);
      switch (event.type) {
        case KeyPress:
        case KeyRelease: {
          const KeySym base = XLookupKeysym(&event.xkey, 0);
          const char* name = XKeysymToString(base);
          log.Line(std::string(event.type == KeyPress ? "down " : "up ") + (name != nullptr ? name : "?"));
          if (event.type != KeyPress) break;
          char text[8] = {};
          KeySym typed = 0;
          const int count = XLookupString(&event.xkey, text, sizeof text, &typed, nullptr);
          if (typed == XK_Return || typed == XK_KP_Enter) {
            running = run(line);
            line.clear();
          } else if (typed == XK_BackSpace) {
            if (!line.empty()) line.pop_back();
          } else if (count == 1 && static_cast<unsigned char>(text[0]) >= 32 && text[0] != 127) {
            line.push_back(text[0]);
          }
          draw();
          break;
        }
        case MapNotify:
          log.Line("mapped");
          break;
        case FocusIn:
          log.Line("focus");
          break;
        case Expose:
          draw();
          break;
        case ClientMessage:
          if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) running = false;
          break;
        default:
          break;
      }
    }
    while (!shots.empty() && Clock::now() >= nextShot) {
      landing.emplace_back(Clock::now() + std::chrono::milliseconds(options.lateMs), shots.front());
      shots.pop_front();
      nextShot += std::chrono::milliseconds(options.shotMs);
    }
    while (!landing.empty() && Clock::now() >= landing.front().first) {
      const std::string name = clipvex::test::WriteScreenshot(folder, landing.front().second);
      log.Line("shot " + (name.empty() ? std::string("none") : name));
      landing.pop_front();
    }
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(ConnectionNumber(display), &fds);
    timeval wait{0, 10000};
    select(ConnectionNumber(display) + 1, &fds, nullptr, nullptr, &wait);
  }
  log.Line("quit");
  XFreeGC(display, gc);
  XDestroyWindow(display, window);
  XCloseDisplay(display);
  return 0;
}
