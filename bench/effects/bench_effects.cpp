// Timed tool for Find Text on a long demo, driven through the main window:
// a demo of N blocks (100,000 by default) made by demogen is opened, and
// Find All runs for a text in every block, one in a few blocks and one in
// none. For each: the time from the press to the last result, the results,
// how many times the window got its turn meanwhile and the longest wait
// between two turns, and how often the progress bar was painted. Then a
// Find All is stopped 3 ms in: the time from the Stop press to the end.
//
//   bench_effects [--blocks N]
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>

#include "dialogs/filechooser.h"
#include "dialogs/finddialog.h"
#include "dialogs/messages.h"
#include "settings/settingsstore.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/filecontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/mainwindow.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"

namespace {

using clipvex::FindTextDialog;
using clipvex::MainWindow;

class OneFile : public clipvex::FileChooser {
 public:
  QString Choose(QWidget*, clipvex::FileDialogKind) override { return path; }
  QString path;
};

// Counts paint events of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return QObject::eventFilter(watched, event);
  }
};

struct Run {
  double seconds = 0;
  int results = 0;
  int turns = 0;
  double longestWaitMs = 0;
  int paints = 0;
};

// Runs Find All for `query` and waits for its end, watching the window's
// turns with a timer that fires whenever the event loop gets to run.
Run FindAll(FindTextDialog& search, const QString& query) {
  search.findChild<QLineEdit*>("searchq")->setText(query);
  PaintCounter counter;
  search.findChild<QProgressBar*>("ProgressBar1")->installEventFilter(&counter);
  Run run;
  QElapsedTimer gap;
  QTimer turn;
  turn.setInterval(0);
  QObject::connect(&turn, &QTimer::timeout, [&] {
    run.longestWaitMs = std::max(run.longestWaitMs, gap.nsecsElapsed() / 1e6);
    gap.restart();
    ++run.turns;
  });
  QElapsedTimer clock;
  clock.start();
  gap.start();
  turn.start();
  search.findChild<QPushButton*>("findall_butt")->click();
  while (search.session().Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  run.seconds = clock.nsecsElapsed() / 1e9;
  turn.stop();
  QApplication::processEvents();
  run.results = search.findChild<QListWidget*>("ListBox1")->count();
  run.paints = counter.paints;
  search.findChild<QProgressBar*>("ProgressBar1")->removeEventFilter(&counter);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  int blocks = 100000;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--blocks") == 0 && i + 1 < argc) blocks = std::atoi(argv[++i]);
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir work(QDir::tempPath() + "/clipvex-bench-effects-XXXXXX");
  setenv("XDG_CONFIG_HOME", work.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  clipvex::SetMessageBoxHook([](QWidget*, const QString& title, const QString& text) {
    std::fprintf(stderr, "%s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
  });

  const std::string game = work.path().toStdString() + "/game/";
  std::filesystem::create_directories(game + "id1");
  std::filesystem::create_symlink(LMPC_PATH, game + "lmpc");
  const std::string demo = game + "id1/long.dem";
  const std::string make = std::string("'") + DEMOGEN_PATH + "' --blocks " + std::to_string(blocks) + " '" + demo +
                           "' > /dev/null";
  if (std::system(make.c_str()) != 0) return 1;

  clipvex::MemorySettingsStore store;
  store.WriteString("WinQuakePath", game);
  store.WriteString("lmpcpath", game);
  store.WriteString("dempath", "id1");
  store.WriteString("addparams", "");
  store.WriteInteger("fastpre", 0);
  OneFile chooser;
  chooser.path = QString::fromStdString(demo);
  MainWindow window(store, chooser);
  window.show();
  window.createDialogs();
  window.files().openDemo();
  std::printf("demo: %d block list entries\n", window.sourceStrip()->state().Entries());
  window.effects().find();
  FindTextDialog& search = *window.effects().findDialog();

  std::printf("%-28s %9s %9s %7s %12s %7s\n", "Find All", "seconds", "results", "turns", "longest wait", "paints");
  for (const char* query : {"camera", "print", "no such text"}) {
    const Run run = FindAll(search, query);
    std::printf("%-28s %9.3f %9d %7d %9.1f ms %7d\n", (std::string("\"") + query + "\"").c_str(), run.seconds,
                run.results, run.turns, run.longestWaitMs, run.paints);
  }

  // Stop pressed 3 ms into a Find All of a text no block holds.
  search.findChild<QLineEdit*>("searchq")->setText("no such text either");
  QElapsedTimer stopClock;
  bool pressed = false;
  QTimer::singleShot(3, [&] {
    stopClock.start();
    pressed = true;
    search.findChild<QPushButton*>("find_butt")->click();
  });
  search.findChild<QPushButton*>("findall_butt")->click();
  while (search.session().Running()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  if (pressed) {
    std::printf("Stop 3 ms into a Find All: ended %.3f ms after the press, Find All %s\n",
                stopClock.nsecsElapsed() / 1e6,
                search.findChild<QPushButton*>("findall_butt")->isEnabled() ? "enabled again" : "still disabled");
  } else {
    std::printf("Stop 3 ms into a Find All: the search had already ended\n");
  }
  return 0;
}
