#include "uisupport/mainwindowfixture.h"

#include <QToolButton>
#include <cstdlib>
#include <filesystem>

#include "document/conversion.h"
#include "document/dumptext.h"

namespace clipvex::test {

QString QueuedChooser::Choose(QWidget*, FileDialogKind kind) {
  asked.push_back(kind);
  if (answers.empty()) return {};
  QString answer = answers.front();
  answers.pop_front();
  return answer;
}

int MakeDemo(const std::string& path, int blocks) {
  const std::string cmd =
      std::string("'") + DEMOGEN_PATH + "' --blocks " + std::to_string(blocks) + " '" + path + "' > /dev/null";
  return std::system(cmd.c_str());
}

QString ShownTitle(const QWidget& window) {
  QString title = window.windowTitle();
  return title.replace("[*]", window.isWindowModified() ? "*" : "");
}

std::string DumpOf(const TDemFile& demo) {
  TempDir dir;
  WriteDump(demo, dir.File("dump.txt"));
  return ReadFile(dir.File("dump.txt"));
}

std::vector<std::string> LinesOf(const TDemFile& demo) {
  std::vector<std::string> lines{demo.Header};
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    std::vector<std::string> block = demo.Blocks[b]->Lines();
    if (!block.empty()) block.pop_back();
    for (std::string& line : block) {
      if (line.rfind(" time ", 0) == 0) line = " time *";
    }
    lines.insert(lines.end(), block.begin(), block.end());
  }
  return lines;
}

std::vector<std::string> SavedLines(const std::string& path) {
  TempDir converter;
  std::filesystem::create_symlink(LMPC_PATH, converter.File("lmpc"));
  Settings settings;
  settings.lmpcpath = converter.Path();
  TDemFile demo;
  RecordingNotifier notifier;
  LoadDemo(path, demo, settings, notifier);
  EXPECT_TRUE(notifier.errors.empty()) << path;
  return LinesOf(demo);
}

void MainWindowFixture::SetUp() {
  game_ = dir_.File("game/");
  std::filesystem::create_directories(game_ + "id1");
  std::filesystem::create_symlink(LMPC_PATH, game_ + "lmpc");
  store_.WriteString("WinQuakePath", game_);
  store_.WriteString("lmpcpath", game_);
  store_.WriteString("dempath", "id1");
  store_.WriteString("addparams", "");
  store_.WriteInteger("fastpre", 0);
  // The frames show the described placeholders; the live pictures' own
  // tests turn them on.
  store_.WriteInteger("livethumbs", 0);
  previousBox_ = SetMessageBoxHook(
      [this](QWidget*, const QString& title, const QString& text) { boxes_.push_back(title + ": " + text); });
  previousQuestion_ = SetQuestionHook([this](QWidget*, const QString& title, const QString& text) {
    questions_.push_back(title + ": " + text);
    if (answers_.empty()) {
      ADD_FAILURE() << "unexpected question " << text.toStdString();
      return SaveAnswer::Cancel;
    }
    const SaveAnswer answer = answers_.front();
    answers_.pop_front();
    return answer;
  });
}

void MainWindowFixture::TearDown() {
  window_.reset();
  SetMessageBoxHook(previousBox_);
  SetQuestionHook(previousQuestion_);
}

std::unique_ptr<MainWindow> MainWindowFixture::MakeWindow() {
  auto window = std::make_unique<MainWindow>(store_, chooser_);
  QObject::connect(window.get(), &MainWindow::statusChanged,
                   [this](const QString& word) { words_.push_back(word.toStdString()); });
  window->show();
  window->createDialogs();
  return window;
}

std::string MainWindowFixture::Generated(const std::string& name, int blocks) {
  const std::string path = dir_.File(name);
  EXPECT_EQ(MakeDemo(path, blocks), 0);
  return path;
}

void MainWindowFixture::Open(MainWindow& window, const std::string& path) {
  chooser_.answers = {QString::fromStdString(path)};
  Trigger(window, "Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
}

void MainWindowFixture::Click(QWidget& window, const char* name) { window.findChild<QToolButton*>(name)->click(); }

}  // namespace clipvex::test
