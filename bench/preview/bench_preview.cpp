// Timed tool for the preview commands, driven through the main window as a
// user would: the time from a press of Update Viewable (nine thumbnails,
// fast preview, the game already running) to the refreshed strip, split
// into compiling, starting/typing, waiting for the screenshots and renaming;
// and the total of a Full Preview of a 2,000-block demo with step 1.
//
//   bench_preview [--game PATH] [--params TEXT] [--demo FILE.dem] [--presses N]
//                 [--full-blocks N] [--full-step N] [--profile QuakeSpasm]
//                 [--change "KEY = VALUE"]... [--data 1] [--view FIRST,STEP]
//                 [--grab FILE.png]
//
// --game is the preview game to drive (the fake game by default); --params
// its extra parameters. --profile QuakeSpasm drives the real engine of the
// Debian package instead, with the free game data as the game folder (as
// root it runs as a user of its own with a private HOME), --change sets a
// value of its profile ("screenshots = spasm####.tga"); --data 1 links the
// free game data into the preview game's folder, so that it draws the
// levels. --view puts the strip's first frame and step before each press
// (else the last page is shown), --grab saves the strip after the presses
// as a picture; --full-blocks 0 leaves out the Full Preview. Without a
// DISPLAY the tool starts an X server of its own for the game.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "preview/quakespasmhome.h"
#include "preview/xserver.h"
#include "settings/settingsstore.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/mainwindow.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"

namespace {

using clipvex::MainWindow;
using clipvex::PlayReport;

struct Options {
  std::string game = FAKEGAME_PATH;
  std::string params;
  std::string demo = std::string(CLIPVEX_SHARED_DIR) + "/fixtures/dem/p15_e4m2_id101.dem";
  int presses = 5;
  int fullBlocks = 2000;
  int fullStep = 1;
  std::string profile;
  bool data = false;
  int first = 0;
  int step = 0;
  std::string grab;
  std::vector<std::string> changes;
};

class OneFile : public clipvex::FileChooser {
 public:
  QString Choose(QWidget*, clipvex::FileDialogKind) override {
    if (answers.empty()) return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<QString> answers;
};

struct Timed {
  double seconds = 0;
  PlayReport report;
};

Timed Press(MainWindow& window, const char* button) {
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(window.findChild<QAbstractButton*>(button), Qt::LeftButton);
  return {static_cast<double>(clock.nsecsElapsed()) / 1e9, window.preview().lastReport()};
}

void PrintParts(const PlayReport& r) {
  std::printf("compile %.3f s, game start and keys %.3f s, wait for screenshots %.3f s, renames %.4f s", r.compileSeconds,
              r.startSeconds, r.waitSeconds, r.renameSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string name = argv[i];
    const std::string value = argv[i + 1];
    if (name == "--game") options.game = std::filesystem::absolute(value).string();
    else if (name == "--params") options.params = value;
    else if (name == "--demo") options.demo = std::filesystem::absolute(value).string();
    else if (name == "--presses") options.presses = std::max(1, std::atoi(value.c_str()));
    else if (name == "--full-blocks") options.fullBlocks = std::atoi(value.c_str());
    else if (name == "--full-step") options.fullStep = std::max(1, std::atoi(value.c_str()));
    else if (name == "--profile") options.profile = value;
    else if (name == "--data") options.data = value != "0";
    else if (name == "--view") std::sscanf(value.c_str(), "%d,%d", &options.first, &options.step);
    else if (name == "--grab") options.grab = value;
    else if (name == "--change") options.changes.push_back(value);
    else {
      std::fprintf(stderr, "unknown option %s\n", name.c_str());
      return 2;
    }
  }

  std::unique_ptr<clipvex::test::PrivateXServer> server;
  if (std::getenv("DISPLAY") == nullptr) {
    server = std::make_unique<clipvex::test::PrivateXServer>();
    if (!server->Running()) {
      std::fprintf(stderr, "no X server for the game: %s\n", server->Problem().c_str());
      return 1;
    }
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir config(QDir::tempPath() + "/clipvex-bench-config-XXXXXX");
  setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
  QApplication app(argc, argv);
  setenv("QT_QPA_PLATFORM", "xcb", 1);  // for the game, which draws on the X server

  QTemporaryDir folder(QDir::tempPath() + "/clipvex-bench-game-XXXXXX");
  const std::string game = folder.path().toStdString() + "/";
  std::filesystem::create_directories(game + "id1");
  std::filesystem::create_symlink(LMPC_PATH, game + "lmpc");
  std::filesystem::create_symlink(options.game, game + "winquake");
  if (options.data) {
    for (const auto& entry : std::filesystem::directory_iterator(clipvex::test::QuakeSpasmHome::GameData() + "id1")) {
      std::filesystem::create_symlink(entry.path(), game + "id1/" + entry.path().filename().string());
    }
  }
  clipvex::MemorySettingsStore store;
  store.WriteString("WinQuakePath", game);
  store.WriteString("lmpcpath", game);
  store.WriteString("dempath", "id1");
  store.WriteString("addparams", options.params);
  store.WriteInteger("fastpre", 1);
  std::optional<clipvex::test::QuakeSpasmHome> engine;
  if (!options.profile.empty()) {
    if (options.profile != "QuakeSpasm") {
      std::fprintf(stderr, "only the QuakeSpasm profile is set up here\n");
      return 2;
    }
    engine.emplace(game, 2000, options.changes);
    if (!engine->Available()) {
      std::fprintf(stderr, "%s\n", engine->Problem().c_str());
      return 1;
    }
    store.WriteString("WinQuakePath", clipvex::test::QuakeSpasmHome::GameData());
    store.WriteString("profile", options.profile);
  }
  std::vector<QString> boxes;
  clipvex::SetMessageBoxHook([&](QWidget*, const QString& title, const QString& text) {
    boxes.push_back(title + ": " + text);
  });
  OneFile chooser;
  MainWindow window(store, chooser);
  window.show();
  window.createDialogs();
  auto open = [&](const std::string& path) {
    chooser.answers.push_back(QString::fromStdString(path));
    window.findChild<QAction*>("Open1")->trigger();
    return window.activeStrip()->state().HasDemo();
  };
  auto failed = [&] {
    for (const QString& box : boxes) {
      if (!box.startsWith("Clipvex: Press OK")) {
        std::fprintf(stderr, "%s\n", box.toLocal8Bit().constData());
        return true;
      }
    }
    return false;
  };

  std::printf("game: %s\n", options.profile.empty() ? options.game.c_str() : "QuakeSpasm (its profile)");
  if (!open(options.demo)) {
    std::fprintf(stderr, "cannot open %s\n", options.demo.c_str());
    return 1;
  }
  clipvex::StripState& strip = window.sourceStrip()->state();
  std::printf("Update Viewable on %s (%d entries, step %d), fast preview on\n",
              std::filesystem::path(options.demo).filename().c_str(), strip.Entries(), strip.step);
  Timed first = Press(window, "update_butt");  // starts the game: not part of the figure
  std::printf("  first press, game started: %.3f s\n", first.seconds);
  std::vector<Timed> presses;
  for (int i = 0; i < options.presses && !failed(); ++i) {
    if (options.step > 0) {
      strip.firstVisible = options.first;
      strip.step = options.step;
    } else {
      QTest::mouseClick(window.findChild<QAbstractButton*>("mFF_butt"), Qt::LeftButton);
    }
    presses.push_back(Press(window, "update_butt"));
    const Timed& t = presses.back();
    std::printf("  press %d at block %d: %.3f s to the refreshed strip (%d thumbnails; ", i + 1, strip.firstVisible,
                t.seconds, t.report.thumbnails);
    PrintParts(t.report);
    std::printf(")\n");
  }
  if (failed()) return 1;
  std::vector<double> seconds;
  for (const Timed& t : presses) seconds.push_back(t.seconds);
  std::sort(seconds.begin(), seconds.end());
  std::printf("  median %.3f s, slowest %.3f s over %zu presses\n", seconds[seconds.size() / 2], seconds.back(),
              seconds.size());
  if (!options.grab.empty()) {
    window.sourceStrip()->grab().save(QString::fromStdString(options.grab));
    std::printf("  the strip saved as %s\n", options.grab.c_str());
  }
  if (options.fullBlocks <= 0) {
    window.preview().games().TerminateAll();
    return 0;
  }

  // Full Preview of a long synthetic demo.
  const std::string longDemo = game + "long.dem";
  const std::string command = std::string("'") + DEMOGEN_PATH + "' --blocks " + std::to_string(options.fullBlocks) +
                              " --map e1m1 '" + longDemo + "' > /dev/null";
  if (std::system(command.c_str()) != 0 || !open(longDemo)) {
    std::fprintf(stderr, "cannot make or open the long demo\n");
    return 1;
  }
  strip.step = options.fullStep;
  strip.firstVisible = 4;
  const Timed full = Press(window, "fullpre_butt");
  if (failed()) return 1;
  std::printf("Full Preview of %d blocks, step %d: %d runs, %d thumbnails, %.3f s in all (", options.fullBlocks,
              options.fullStep, full.report.parts, full.report.thumbnails, full.seconds);
  PrintParts(full.report);
  std::printf(")\n");
  window.preview().games().TerminateAll();
  return 0;
}
