// The preview commands of the main window end to end: the real converter,
// a game with its own X window on an X server of the test's own (the fake
// game, or the real preview game when built with GAME_IS_FAKE=0), real
// keystrokes, screenshots turned into the strip's thumbnails.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "imaging/pcx.h"
#include "preview/waylandsession.h"
#include "preview/x11gamecontrol.h"
#include "preview/x11probe.h"
#include "preview/xserver.h"
#include "settings/settingsstore.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/mainwindow.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::TempDir;

constexpr bool kFakeGame = GAME_IS_FAKE != 0;
class QueuedChooser : public FileChooser {
 public:
  QString Choose(QWidget*, FileDialogKind) override {
    ++asked;
    if (answers.empty()) return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<QString> answers;
  int asked = 0;
};

std::vector<std::string> LogLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

int Count(const std::vector<std::string>& lines, const std::string& line) {
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

// A game folder holding the converter and the game, settings pointing at
// it, message boxes recorded, an X server for the game.
class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_.emplace();
    if (!server_->Running()) GTEST_SKIP() << "no X server for the game: " << server_->Problem();
    if (const char* platform = std::getenv("QT_QPA_PLATFORM")) platform_ = platform;
    // The game draws on the X server, whatever platform the test's own windows use.
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    game_ = dir_.File("game/");
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_symlink(LMPC_PATH, game_ + "lmpc");
    std::filesystem::create_symlink(GAME_PATH, game_ + "winquake");
    store_.WriteString("WinQuakePath", game_);
    store_.WriteString("lmpcpath", game_);
    store_.WriteString("dempath", "id1");
    Params("");
    store_.WriteInteger("fastpre", kFakeGame ? 0 : 1);
    previous_ = SetMessageBoxHook([this](QWidget*, const QString& title, const QString& text) {
      boxes_.push_back(title + ": " + text);
      if (text == kGameReadyText) WaitUntilTheGameIsShown();
    });
  }
  void TearDown() override {
    if (window_) {
      window_->preview().games().TerminateAll();
      window_.reset();
    }
    SetMessageBoxHook(previous_);
    if (platform_) {
      ::setenv("QT_QPA_PLATFORM", platform_->c_str(), 1);
    } else {
      ::unsetenv("QT_QPA_PLATFORM");
    }
    server_.reset();
  }

  // The extra game parameters: the fake game's log and options, or a
  // faster playback for the real game.
  void Params(const std::string& fakeOptions) {
    store_.WriteString("addparams", kFakeGame ? "--log " + log_ + " " + fakeOptions : "+timescale 4");
  }

  MainWindow& MakeWindow() {
    window_ = std::make_unique<MainWindow>(store_, chooser_);
    QObject::connect(window_.get(), &MainWindow::statusChanged,
                     [this](const QString& word) { words_.push_back(word.toStdString()); });
    window_->preview().timing().settle = std::chrono::milliseconds(0);
    window_->show();
    window_->createDialogs();
    return *window_;
  }

  void Open(const std::string& fixture) {
    chooser_.answers.push_back(QString::fromStdString(test::DemoFixture(fixture)));
    window_->findChild<QAction*>("Open1")->trigger();
    ASSERT_TRUE(window_->activeStrip()->state().HasDemo()) << (boxes_.empty() ? "" : boxes_.back().toStdString());
  }

  void Click(const char* name) {
    auto* button = window_->findChild<QAbstractButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  std::string Thumbnail(std::int64_t block, char letter = 'M') const {
    return window_->editor().settings().previewpath + letter + std::to_string(block) + ".pcx";
  }

  // Every frame of the active strip shows the picture of its thumbnail file.
  void ExpectStripShowsThumbnails() {
    FilmStripWidget* strip = window_->activeStrip();
    std::set<std::string> pictures;
    for (int frame = 1; frame <= kFrames; ++frame) {
      const std::string path = Thumbnail(strip->state().FrameBlock(frame), strip->letter());
      ASSERT_TRUE(FileExists(path)) << path;
      const RgbImage file = LoadPcxFile(path);
      const QImage shown = strip->image(frame)->bitmap();
      ASSERT_EQ(shown.size(), QSize(file.width, file.height)) << "frame " << frame;
      EXPECT_EQ(shown.pixelColor(file.width / 2, file.height / 2),
                QColor(file.pixels[(static_cast<std::size_t>(file.height / 2) * file.width + file.width / 2) * 3],
                       file.pixels[(static_cast<std::size_t>(file.height / 2) * file.width + file.width / 2) * 3 + 1],
                       file.pixels[(static_cast<std::size_t>(file.height / 2) * file.width + file.width / 2) * 3 + 2]))
          << "frame " << frame;
      pictures.insert(std::string(file.pixels.begin(), file.pixels.end()));
    }
    EXPECT_EQ(pictures.size(), static_cast<std::size_t>(kFrames)) << "every frame a picture of its own";
  }

  // What the user waits for before pressing OK on the question: the game's
  // window on the screen.
  static void WaitUntilTheGameIsShown() {
    X11GameControl control;
    test::XProbe probe;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
      const GameWindow game = control.FindGameWindow();
      if (game != 0 && probe.Viewable(game)) return;
      if (std::chrono::steady_clock::now() > until) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ADD_FAILURE() << "the game's window was not shown within 30 seconds";
  }

  bool Has(const std::string& word) const { return std::find(words_.begin(), words_.end(), word) != words_.end(); }

  std::optional<test::PrivateXServer> server_;
  std::optional<std::string> platform_;
  TempDir dir_;
  std::string game_;
  std::string log_ = dir_.File("game.log");
  MemorySettingsStore store_;
  QueuedChooser chooser_;
  std::unique_ptr<MainWindow> window_;
  std::vector<QString> boxes_;
  std::vector<std::string> words_;
  MessageBoxHook previous_;
};

TEST_F(PreviewWindowTest, UpdateViewableStartsTheGameAndTheStripShowsItsPictures) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  Open("p15_introseq_tf107.dem");
  ASSERT_EQ(window.sourceStrip()->state().step, 32);
  Click("update_butt");

  EXPECT_EQ(boxes_, (std::vector<QString>{"Clipvex: Press OK when WinQuake is at the Console"}));
  for (std::int64_t block = 4; block <= 260; block += 32) EXPECT_TRUE(FileExists(Thumbnail(block))) << block;
  ExpectStripShowsThumbnails();
  EXPECT_TRUE(Has("Updating Screenshots"));
  EXPECT_TRUE(Has("Starting WinQuake"));
  EXPECT_TRUE(Has("Updating Screenshots 9 of 9"));
  EXPECT_EQ(window.statusWord(), "Done");
  EXPECT_FALSE(window.preview().isBusy());
  EXPECT_TRUE(window.findChild<QAbstractButton*>("update_butt")->isEnabled());
  EXPECT_EQ(window.preview().games().RunningCount(), 1u);
  if (kFakeGame) {
    const std::vector<std::string> log = LogLines(log_);
    EXPECT_EQ(log.at(0), "args -game|id1|--log|" + log_);
    EXPECT_EQ(log.at(1), "cwd " + dir_.File("game"));
    EXPECT_EQ(Count(log, "line playdemo tempfilm"), 1);
    EXPECT_EQ(Count(log, "play tempfilm 9"), 1);
  }

  // Once more with the game running: no second game, no question.
  window.sourceStrip()->state().firstVisible = 292;
  Click("update_butt");
  EXPECT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(window.preview().games().RunningCount(), 1u);
  ExpectStripShowsThumbnails();
}

TEST_F(PreviewWindowTest, FullPreviewFillsEveryFrameOfTheDemo) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  Open(kFakeGame ? "p666_e1m1_smoothme.dem" : "p15_e4m2_id101.dem");
  StripState& state = window.sourceStrip()->state();
  if (kFakeGame) state.step = 4;  // several runs of at most a hundred screenshots
  const std::int64_t step = state.step;
  state.firstVisible = 4 + 2 * step;
  Click("fullpre_butt");

  const std::int64_t last = state.Entries() - 2;
  for (std::int64_t block = 4; block <= last; block += step) ASSERT_TRUE(FileExists(Thumbnail(block))) << block;
  EXPECT_FALSE(FileExists(Thumbnail(last + 1)));
  ExpectStripShowsThumbnails();
  const std::int64_t positions = (last - 4) / step + 1;
  const int runs = kFakeGame ? 4 : 1;
  ASSERT_EQ(positions > 100, kFakeGame);
  EXPECT_TRUE(Has("Full Preview"));
  EXPECT_TRUE(Has("Full Preview: run 1 of " + std::to_string(runs)));
  EXPECT_TRUE(Has("Full Preview: run " + std::to_string(runs) + " of " + std::to_string(runs)));
  EXPECT_EQ(window.statusWord(), "Done");
  // Scrolled to the end, the last frames show pictures too.
  Click("mFF_butt");
  for (int frame = 1; frame <= kFrames; ++frame) {
    const std::int64_t block = state.FrameBlock(frame);
    if (block <= last) {
      EXPECT_TRUE(FileExists(Thumbnail(block))) << block;
    }
  }
}

TEST_F(PreviewWindowTest, StopEndsTheWaitOfALongRunAtOnce) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  if (kFakeGame) Params("--shot-ms 2500");  // nine screenshots over twenty seconds
  store_.WriteInteger("fastpre", 0);
  MainWindow& window = MakeWindow();
  Open(kFakeGame ? "p15_introseq_tf107.dem" : "p666_swampy_long_nodisconnect.dem");
  if (!kFakeGame) window.sourceStrip()->state().step = 256;  // some thirty seconds of playing
  // The stop button as soon as the first screenshot is in.
  bool pressed = false;
  QObject::connect(&window, &MainWindow::statusChanged, [&](const QString& word) {
    if (!pressed && word == "Updating Screenshots 1 of 9") {
      pressed = true;
      QTimer::singleShot(0, [&] { Click("SpeedButton1"); });
    }
  });
  Click("update_butt");
  EXPECT_TRUE(pressed);
  EXPECT_EQ(window.statusWord(), "Done");
  const std::int64_t lastFrame = window.sourceStrip()->state().FrameBlock(kFrames);
  EXPECT_TRUE(FileExists(Thumbnail(4)));
  EXPECT_FALSE(FileExists(Thumbnail(lastFrame))) << "the run did not wait for its last screenshot";
  EXPECT_FALSE(Has("Updating Screenshots 9 of 9"));
  EXPECT_FALSE(window.preview().isBusy());
  EXPECT_TRUE(boxes_.size() == 1) << "no error: a stop is no failure";

  // The main tool bar's stop button does the same.
  words_.clear();
  pressed = false;
  QObject::disconnect(&window, &MainWindow::statusChanged, nullptr, nullptr);
  QObject::connect(&window, &MainWindow::statusChanged, [&](const QString& word) {
    words_.push_back(word.toStdString());
    if (!pressed && word == "Updating Screenshots 1 of 9") {
      pressed = true;
      QTimer::singleShot(0, [&] { Click("SpeedButton2"); });
    }
  });
  Click("update_butt");
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(Has("Updating Screenshots 9 of 9"));
  EXPECT_EQ(window.statusWord(), "Done");
}

TEST_F(PreviewWindowTest, PlaySelectionTypesIntoTheRunningGameAndReturns) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  Open("p666_e1m1_smoothme.dem");
  Click("update_butt");  // starts the game
  ASSERT_EQ(window.preview().games().RunningCount(), 1u);
  StripState& state = window.sourceStrip()->state();
  state.inMark = 100;
  state.outMark = 300;
  window.editor().requestStop();
  words_.clear();
  Click("play_butt");
  EXPECT_EQ(words_, (std::vector<std::string>{"Playing Blocks", "Done"}));
  EXPECT_TRUE(window.editor().stopRequested()) << "playing does not touch the stop flag";
  EXPECT_EQ(boxes_.size(), 1u) << "the running game is used";
  EXPECT_EQ(window.preview().games().RunningCount(), 1u);
  EXPECT_FALSE(window.preview().isBusy());
  if (kFakeGame) {
    // The game gets the keys after the command has returned.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Count(LogLines(log_), "play tempfilm 0") == 1; }, 10000));
    EXPECT_EQ(Count(LogLines(log_), "line playdemo tempfilm"), 2);
  }
}

TEST_F(PreviewWindowTest, OnAWaylandDesktopTheGameOpensItsWindowThroughXWayland) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  test::PrivateWaylandSession session;
  if (!session.Running()) GTEST_SKIP() << "no Wayland desktop to test on: " << session.Problem();
  // A Wayland desktop's Qt programs draw on Wayland: the profile's
  // environment sends the preview game to XWayland, where it can be found
  // and typed into.
  ::setenv("QT_QPA_PLATFORM", "wayland", 1);
  MainWindow& window = MakeWindow();
  Open("p15_introseq_tf107.dem");
  Click("update_butt");
  EXPECT_EQ(boxes_, (std::vector<QString>{"Clipvex: Press OK when WinQuake is at the Console"}));
  ExpectStripShowsThumbnails();
  EXPECT_EQ(window.statusWord(), "Done");
  // The game and the window's connection to XWayland go before the desktop does.
  window.preview().games().TerminateAll();
  window_.reset();
}

TEST_F(PreviewWindowTest, WithoutADemoNothingStarts) {
  MainWindow& window = MakeWindow();
  Click("update_butt");
  EXPECT_EQ(window.statusWord(), "Updating Screenshots");
  Click("fullpre_butt");
  EXPECT_EQ(window.statusWord(), "Full Preview");
  words_.clear();
  Click("play_butt");
  EXPECT_TRUE(words_.empty());
  EXPECT_EQ(window.preview().games().RunningCount(), 0u);
  EXPECT_TRUE(boxes_.empty());
}

// The rest needs a game that can be told to deliver nothing.
class FakeGameWindowTest : public PreviewWindowTest {
 protected:
  void SetUp() override {
    if (!kFakeGame) GTEST_SKIP() << "needs the fake game";
    PreviewWindowTest::SetUp();
    Params("--deliver none");
  }
};

TEST_F(FakeGameWindowTest, CommandsAreDisabledWhileARunWaitsAndComeBackAfterItsTimeLimit) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  window.preview().timing().shotsBase = std::chrono::milliseconds(1500);
  window.preview().timing().shotsFactor = 0;
  Open("p666_e1m1_smoothme.dem");
  auto enabled = [&](const char* name) {
    if (auto* action = window.findChild<QAction*>(name)) return action->isEnabled();
    auto* widget = window.findChild<QWidget*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget != nullptr && widget->isEnabled();
  };
  // A command added to the Insert menu later is covered as well.
  QAction* added = window.findChild<QMenu*>("insert1")->addAction("Added Later");
  std::map<std::string, bool> during;
  const char* names[] = {"New1", "Open1", "Save1", "SaveAs1", "Close1", "Exit1", "Cut1", "Paste1", "Delete1",
                         "Find1", "Reverse1", "ColorFade1", "Sound1", "ConsoleCommand1", "Directories1", "About1",
                         "BlockNumber1", "new_butt", "open_butt", "cut_butt", "SpeedButton3", "SpeedButton2",
                         "SpeedButton1", "update_butt", "fullpre_butt", "play_butt", "mFF_butt"};
  bool busy = false;
  int openAsked = -1;
  QTimer::singleShot(400, [&] {
    busy = window.preview().isBusy();
    for (const char* name : names) during[name] = enabled(name);
    during["Added Later"] = added->isEnabled();
    // Something turning a command back on does not let it run.
    QAction* open = window.findChild<QAction*>("Open1");
    open->setEnabled(true);
    const int before = chooser_.asked;
    open->trigger();
    openAsked = chooser_.asked - before;
  });
  Click("update_butt");

  EXPECT_TRUE(busy);
  for (const char* name : {"New1", "Open1", "Save1", "SaveAs1", "Close1", "Cut1", "Paste1", "Delete1", "Find1",
                           "Reverse1", "ColorFade1", "Sound1", "ConsoleCommand1", "new_butt", "open_butt", "cut_butt",
                           "SpeedButton3", "update_butt", "fullpre_butt", "play_butt", "Added Later"}) {
    EXPECT_FALSE(during[name]) << name << " is disabled while the run waits";
  }
  for (const char* name : {"Exit1", "Directories1", "About1", "BlockNumber1", "SpeedButton2", "SpeedButton1",
                           "mFF_butt"}) {
    EXPECT_TRUE(during[name]) << name << " stays enabled";
  }
  EXPECT_EQ(openAsked, 0);

  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_TRUE(boxes_[1].startsWith("Error: WinQuake did not deliver the screenshots within 2 seconds (0 of 9 arrived)"))
      << boxes_[1].toStdString();
  for (const char* name : names) EXPECT_TRUE(enabled(name)) << name << " is enabled again";
  EXPECT_TRUE(added->isEnabled());
  EXPECT_FALSE(window.findChild<QAction*>("Undo1")->isEnabled()) << "what was disabled before stays so";
  EXPECT_FALSE(window.preview().isBusy());
  EXPECT_EQ(window.statusWord(), "Done");
}

// The real boxes this time, answered as they come: the question before the
// first run tells what to do and reports no failure.
TEST_F(FakeGameWindowTest, TheQuestionAtTheGamesStartIsInformationNotAnError) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  Params("");
  MainWindow& window = MakeWindow();
  Open("p666_e1m1_smoothme.dem");
  SetMessageBoxHook({});
  std::vector<std::pair<QString, QMessageBox::Icon>> shown;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown.emplace_back(box->windowTitle() + ": " + box->text(), box->icon());
      if (box->text() == kGameReadyText) WaitUntilTheGameIsShown();
      box->accept();
    }
  });
  answer.start(20);
  Click("update_butt");
  answer.stop();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, QString("Clipvex: ") + kGameReadyText);
  EXPECT_EQ(shown[0].second, QMessageBox::Information);
  EXPECT_EQ(window.statusWord(), "Done");
  EXPECT_TRUE(FileExists(Thumbnail(window.sourceStrip()->state().FrameBlock(kFrames))));
}

TEST_F(FakeGameWindowTest, CommandsComeBackAfterAnError) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  Open("p666_e1m1_smoothme.dem");
  std::filesystem::remove(game_ + "winquake");
  Click("update_butt");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_TRUE(boxes_[0].startsWith("Clipvex: Failed to execute program.  Error Code 2\n")) << boxes_[0].toStdString();
  EXPECT_TRUE(boxes_[0].endsWith("\nSet the game's folder in Options > Directories")) << boxes_[0].toStdString();
  EXPECT_FALSE(window.preview().isBusy());
  EXPECT_TRUE(window.findChild<QAction*>("Open1")->isEnabled());
  EXPECT_TRUE(window.findChild<QAbstractButton*>("update_butt")->isEnabled());
  EXPECT_EQ(window.statusWord(), "Updating Screenshots");
}

TEST_F(FakeGameWindowTest, ClosingTheWindowDuringAWaitEndsItAndClearsThePreviewFolder) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  MainWindow& window = MakeWindow();
  Open("p666_e1m1_smoothme.dem");
  test::WriteFile(Thumbnail(4), "old");
  QTimer::singleShot(400, [&] {
    EXPECT_TRUE(window.preview().isBusy());
    window.close();
    EXPECT_TRUE(window.isVisible()) << "the run ends first";
  });
  Click("update_butt");
  QTest::qWait(50);  // the close that was put off
  EXPECT_FALSE(window.isVisible());
  for (const auto& entry : std::filesystem::directory_iterator(window.editor().settings().previewpath)) {
    EXPECT_NE(entry.path().extension(), ".pcx") << entry.path();
  }
  EXPECT_EQ(boxes_.size(), 1u) << "no time-limit message";
}

}  // namespace
}  // namespace clipvex
