// Live pictures through the main window (offscreen), one run of each, on
// the free game data beside the checkout (or the game folder given):
//  1. File > Open of the e4m2 fixture: how long the open takes, then how
//     long until the nine frames show their pictures;
//  2. the swampy fixture: the open, the whole-demo replay behind it; then
//     End, Home, a scroll-bar drag to the middle and a page step, each until
//     its nine frames are filled; the same drag right after a fresh open;
//  3. a scroll through the whole of swampy, page by page (each page filled
//     before the next): the picture cache's largest size against its limit;
//  4. File > Open of a 50 MB demo (demogen) with Live thumbnails off and on.
// All along, the longest time the window went without its turn.
//
//   bench_live_window [GAME_FOLDER]
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "settings/settingsstore.h"
#include "strip/stripnav.h"
#include "ui/editorstate.h"
#include "ui/filecontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/livecontroller.h"
#include "ui/mainwindow.h"
#include "ui/stripcontroller.h"

namespace {

using clipvex::FilmStripWidget;
using clipvex::MainWindow;

class OneFile : public clipvex::FileChooser {
 public:
  QString Choose(QWidget*, clipvex::FileDialogKind) override { return path; }
  QString path;
};

// The longest wait between two turns of the window's event loop, in real
// time and in the window thread's own processor time (on a machine shared
// with other work the first also counts the time the thread had no
// processor).
class Turns {
 public:
  Turns() {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      longest_ = std::max(longest_, gap_.nsecsElapsed() / 1e6);
      longestCpu_ = std::max(longestCpu_, Cpu() - cpu_);
      gap_.restart();
      cpu_ = Cpu();
    });
    Reset();
    timer_.start();
  }
  std::string Longest() const {
    char text[64];
    std::snprintf(text, sizeof text, "%.1f ms (%.1f ms of processor time)", longest_, longestCpu_);
    return text;
  }
  void Reset() {
    longest_ = longestCpu_ = 0;
    gap_.start();
    cpu_ = Cpu();
  }

 private:
  static double Cpu() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
  }
  QTimer timer_;
  QElapsedTimer gap_;
  double cpu_ = 0;
  double longest_ = 0, longestCpu_ = 0;
};

bool AllLive(FilmStripWidget* strip) {
  for (int i = 1; i <= clipvex::kFrames; ++i) {
    if (strip->state().FrameBlock(i) >= strip->state().Entries()) continue;
    if (strip->image(i)->bitmap().size() != QSize(clipvex::kLivePictureWidth, clipvex::kLivePictureHeight))
      return false;
  }
  return true;
}

// Milliseconds from `command` until the source strip's frames are filled.
double Fill(MainWindow& window, const std::function<void()>& command) {
  QElapsedTimer clock;
  clock.start();
  command();
  while (!AllLive(window.sourceStrip()) && clock.elapsed() < 60000)
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  return clock.nsecsElapsed() / 1e6;
}

double Open(MainWindow& window, OneFile& chooser, const std::string& path) {
  chooser.path = QString::fromStdString(path);
  QElapsedTimer clock;
  clock.start();
  window.files().openDemo();
  return clock.nsecsElapsed() / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const std::string data = argc > 1 ? argv[1] : std::string(CLIPVEX_SHARED_DIR) + "/fixtures/quake-data";
  QTemporaryDir work(QDir::tempPath() + "/clipvex-bench-live-XXXXXX");
  setenv("XDG_CONFIG_HOME", work.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  clipvex::SetMessageBoxHook([](QWidget*, const QString& title, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
  });

  const std::string game = work.path().toStdString() + "/game/";
  std::filesystem::create_directories(game + "id1");
  std::filesystem::create_symlink(LMPC_PATH, game + "lmpc");
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(data + "/id1", ec))
    std::filesystem::create_symlink(entry.path(), game + "id1/" + entry.path().filename().string());
  const std::string fixtures = std::string(CLIPVEX_SHARED_DIR) + "/fixtures/dem/";

  clipvex::MemorySettingsStore store;
  store.WriteString("WinQuakePath", game);
  store.WriteString("lmpcpath", game);
  store.WriteString("dempath", "id1");
  store.WriteString("addparams", "");
  store.WriteInteger("fastpre", 0);
  OneFile chooser;
  MainWindow window(store, chooser);
  window.show();
  window.createDialogs();
  auto* live = window.findChild<clipvex::LiveController*>("live");
  Turns turns;
  clipvex::StripController& strips = window.strips();

  // 1. e4m2.
  double opened = Open(window, chooser, fixtures + "p15_e4m2_id101.dem");
  double filled = Fill(window, [] {});
  std::printf("1. e4m2: File > Open %.0f ms, then the nine frames filled in %.0f ms\n", opened, filled);

  // 2. swampy.
  opened = Open(window, chooser, fixtures + "p666_swampy_long_nodisconnect.dem");
  turns.Reset();
  const auto entries = window.sourceStrip()->state().Entries();
  QElapsedTimer clock;
  clock.start();
  filled = Fill(window, [] {});
  while (live->engine().EventsKnown('M') < entries) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  const double replayed = clock.nsecsElapsed() / 1e6;
  std::printf("2. swampy (%d entries, step %d): File > Open %.0f ms; the first nine frames %.0f ms after, the "
              "whole-demo replay %.0f ms after; the window's longest wait meanwhile %s\n",
              entries, window.sourceStrip()->state().step, opened, filled, replayed, turns.Longest().c_str());
  turns.Reset();
  const double end = Fill(window, [&] { strips.navigate(clipvex::NavKey::End); });
  const double home = Fill(window, [&] { strips.navigate(clipvex::NavKey::Home); });
  const int middle = (window.strips().scrollBar(window.sourceStrip())->maximum() + 4) / 2;
  const double drag = Fill(window, [&] { strips.scrollBar(window.sourceStrip())->setValue(middle); });
  const double page = Fill(window, [&] { strips.navigate(clipvex::NavKey::PageForward); });
  const double back = Fill(window, [&] { strips.navigate(clipvex::NavKey::PageBack); });
  std::printf("   End %.0f ms, Home %.0f ms, a drag to the middle %.0f ms, Page Down %.0f ms, Page Up %.0f ms; "
              "longest wait %s\n",
              end, home, drag, page, back, turns.Longest().c_str());
  opened = Open(window, chooser, fixtures + "p666_swampy_long_nodisconnect.dem");
  const double fresh = Fill(window, [&] { strips.scrollBar(window.sourceStrip())->setValue(middle); });
  std::printf("   right after a fresh open: a drag to the middle %.0f ms (the replay has to get there first)\n", fresh);

  // 3. A scroll through the whole of swampy, zoomed in to 16 blocks a frame.
  std::size_t largest = 0;
  int pages = 0;
  Fill(window, [&] {
    window.sourceStrip()->state().step = 16;
    strips.navigate(clipvex::NavKey::Home);
    strips.refresh();
  });
  clock.restart();
  turns.Reset();
  for (;;) {
    const std::int32_t before = window.sourceStrip()->state().firstVisible;
    Fill(window, [&] { strips.navigate(clipvex::NavKey::PageForward); });
    largest = std::max(largest, live->engine().Cache().Bytes());
    ++pages;
    if (window.sourceStrip()->state().firstVisible == before) break;
  }
  std::printf("3. swampy page by page at 16 blocks a frame, %d pages in %.1f s: the cache at most %.1f MB (limit "
              "%.1f MB), %zu pictures; longest wait %s\n",
              pages, clock.nsecsElapsed() / 1e9, static_cast<double>(largest) / (1 << 20),
              static_cast<double>(live->engine().Cache().Limit()) / (1 << 20), live->engine().Cache().Count(),
              turns.Longest().c_str());

  // 4. A 50 MB demo.
  const std::string big = game + "id1/big.dem";
  const std::string make = std::string("'") + DEMOGEN_PATH + "' --megabytes 50 --map e1m1 '" + big + "' > /dev/null";
  if (std::system(make.c_str()) != 0) return 1;
  // Off and on twice, in turns, so that neither profits from the other's
  // reading of the file.
  double off[2], on[2];
  for (int round = 0; round < 2; ++round) {
    window.findChild<QAction*>("LiveThumbnails1")->setChecked(false);
    off[round] = Open(window, chooser, big);
    window.findChild<QAction*>("LiveThumbnails1")->setChecked(true);
    on[round] = Open(window, chooser, big);
  }
  turns.Reset();
  const double after = Fill(window, [] {});
  std::printf("4. a 50 MB demo (%d entries): File > Open with Live thumbnails off %.0f and %.0f ms, on %.0f and "
              "%.0f ms; its nine frames %.0f ms after; longest wait %s\n",
              window.sourceStrip()->state().Entries(), off[0], off[1], on[0], on[1], after, turns.Longest().c_str());
  return 0;
}
