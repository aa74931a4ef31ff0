// The preview commands in a real engine: the QuakeSpasm profile, the
// engine of the Debian package, the free game data, an X server of the
// test's own. Update Viewable makes nine real frames the strip shows, and
// Play Selection plays blocks and comes back for the next run. The engine
// writes nothing outside the test's folder as root, and puts back what it
// touched in the user's own folder otherwise (QuakeSpasmHome).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QTest>
#include <filesystem>
#include <optional>
#include <set>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "imaging/pcx.h"
#include "preview/quakespasmhome.h"
#include "preview/xserver.h"
#include "settings/dircfg.h"
#include "settings/settingsstore.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "ui/editorstate.h"
#include "ui/filmstripwidget.h"
#include "ui/mainwindow.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::TempDir;


class OneAnswer : public FileChooser {
 public:
  QString Choose(QWidget*, FileDialogKind) override { return std::exchange(answer, QString()); }
  QString answer;
};

// The pictures of the strip's frames: every frame shows the picture of its
// thumbnail file, a real frame (many colours), each different from the rest.
void ExpectNineRealFrames(FilmStripWidget& strip, const std::string& folder) {
  std::set<std::string> pictures;
  for (int frame = 1; frame <= kFrames; ++frame) {
    const std::string path = folder + strip.letter() + std::to_string(strip.state().FrameBlock(frame)) + ".pcx";
    ASSERT_TRUE(FileExists(path)) << path;
    const RgbImage file = LoadPcxFile(path);
    EXPECT_EQ(file.width, 320) << path;
    EXPECT_EQ(file.height, 240) << path;
    std::set<std::uint32_t> colours;
    for (std::size_t i = 0; i + 2 < file.pixels.size(); i += 3) {
      colours.insert(file.pixels[i] << 16 | file.pixels[i + 1] << 8 | file.pixels[i + 2]);
    }
    EXPECT_GT(colours.size(), 200u) << path << " is a picture of the level, not a blank screen";
    const QImage shown = strip.image(frame)->bitmap();
    EXPECT_EQ(shown.size(), QSize(file.width, file.height)) << "frame " << frame;
    pictures.insert(std::string(file.pixels.begin(), file.pixels.end()));
  }
  EXPECT_EQ(pictures.size(), static_cast<std::size_t>(kFrames)) << "nine frames, nine different pictures";
}

class EngineWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(std::getenv("XDG_CONFIG_HOME"), nullptr) << "the test main gives the settings a folder of their own";
    CLIPVEX_NEED_FIXTURES(test::DemoFixture("p666_e1m1_smoothme.dem"), test::GameDataFolder());
    engine_.emplace(dir_.Path(), 3000);
    if (!engine_->Available()) GTEST_SKIP() << engine_->Problem();
    server_.emplace();
    if (!server_->Running()) GTEST_SKIP() << "no X server for the engine: " << server_->Problem();
    if (const char* platform = std::getenv("QT_QPA_PLATFORM")) platform_ = platform;
    folder_ = engine_->Folder();

    std::filesystem::create_symlink(LMPC_PATH, dir_.File("lmpc"));
    store_.WriteString("WinQuakePath", test::QuakeSpasmHome::GameData());
    store_.WriteString("lmpcpath", dir_.Path());
    store_.WriteString("dempath", "id1");
    store_.WriteString("addparams", kDefaultAddParams);
    store_.WriteInteger("fastpre", 1);
    store_.WriteString("profile", "QuakeSpasm");
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);
    previous_ = SetMessageBoxHook(
        [this](QWidget*, const QString& title, const QString& text) { boxes_.push_back(title + ": " + text); });
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
    engine_.reset();
  }

  MainWindow& MakeWindow() {
    window_ = std::make_unique<MainWindow>(store_, chooser_);
    QObject::connect(window_.get(), &MainWindow::statusChanged,
                     [this](const QString& word) { words_.push_back(word.toStdString()); });
    window_->show();
    window_->createDialogs();
    return *window_;
  }

  void Click(const char* name) { QTest::mouseClick(window_->findChild<QAbstractButton*>(name), Qt::LeftButton); }

  std::vector<std::string> Screenshots() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("spasm", 0) == 0) names.push_back(name);
    }
    return names;
  }

  TempDir dir_;
  std::optional<test::QuakeSpasmHome> engine_;
  std::optional<test::PrivateXServer> server_;
  std::optional<std::string> platform_;
  std::string folder_;
  MemorySettingsStore store_;
  OneAnswer chooser_;
  std::unique_ptr<MainWindow> window_;
  std::vector<QString> boxes_;
  std::vector<std::string> words_;
  MessageBoxHook previous_;
};

TEST_F(EngineWindowTest, UpdateViewableShowsNineRealFramesAndPlaySelectionComesBack) {
  MainWindow& window = MakeWindow();
  ASSERT_EQ(window.editor().settings().engine.name, "QuakeSpasm");
  ASSERT_EQ(window.editor().settings().previewpath, folder_);
  const std::vector<std::string> before = Screenshots();
  chooser_.answer = QString::fromStdString(test::DemoFixture("p666_e1m1_smoothme.dem"));
  window.findChild<QAction*>("Open1")->trigger();
  FilmStripWidget& strip = *window.sourceStrip();
  ASSERT_TRUE(strip.state().HasDemo());
  // A stretch where the player walks through the level.
  strip.state().step = 16;
  strip.state().firstVisible = 340;

  Click("update_butt");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(window.statusWord(), "Done");
  EXPECT_EQ(window.preview().lastReport().thumbnails, 9);
  ExpectNineRealFrames(strip, folder_);
  EXPECT_EQ(Screenshots(), before) << "every screenshot of the run became a thumbnail";
  EXPECT_EQ(test::ReadFile(folder_ + "tempfilm.cfg"), "timedemo tempfilm\r\n");
  EXPECT_EQ(window.preview().games().RunningCount(), 1u);

  // Play Selection returns at once, the engine plays the blocks at their
  // speed (some two seconds) and comes back for the next run.
  strip.state().inMark = 300;
  strip.state().outMark = 460;
  words_.clear();
  Click("play_butt");
  EXPECT_EQ(words_, (std::vector<std::string>{"Playing Blocks", "Done"}));
  EXPECT_EQ(test::ReadFile(folder_ + "tempfilm.cfg"), "playdemo tempfilm\r\n");
  QTest::qWait(4000);
  EXPECT_EQ(window.preview().games().RunningCount(), 1u);
  strip.state().firstVisible = 500;
  Click("update_butt");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  ExpectNineRealFrames(strip, folder_);
  EXPECT_EQ(window.preview().games().RunningCount(), 1u) << "the running engine was used";
}

}  // namespace
}  // namespace clipvex
