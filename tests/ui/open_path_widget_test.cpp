// File > Open with a typed path that names no demo file: a message box says
// what the path is, and the strip keeps the demo it showed.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <deque>
#include <filesystem>

#include "dialogs/messages.h"
#include "dialogs/settingsstore.h"
#include "support/testsupport.h"
#include "ui/filechooser.h"
#include "ui/mainwindow.h"

namespace clipvex {
namespace {

using test::TempDir;

class TypedPathChooser : public FileChooser {
 public:
  QString Choose(QWidget*, FileDialogKind) override {
    if (answers.empty()) return {};
    QString answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<QString> answers;
};

class OpenPathWidgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game_ = dir_.File("game/");
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_symlink(LMPC_PATH, game_ + "lmpc");
    store_.WriteString("WinQuakePath", game_);
    store_.WriteString("lmpcpath", game_);
    store_.WriteString("dempath", "id1");
    store_.WriteString("addparams", "");
    store_.WriteInteger("fastpre", 0);
    previous_ = SetMessageBoxHook(
        [this](QWidget*, const QString& title, const QString& text) { boxes_.push_back(title + ": " + text); });
  }
  void TearDown() override { SetMessageBoxHook(previous_); }

  TempDir dir_;
  std::string game_;
  MemorySettingsStore store_;
  TypedPathChooser chooser_;
  std::vector<QString> boxes_;
  MessageBoxHook previous_;
};

TEST_F(OpenPathWidgetTest, AFolderOrDeviceTypedIntoOpenLeavesTheStripAsItWas) {
  const std::string demo = dir_.File("kept.dem");
  const std::string make = std::string("'") + DEMOGEN_PATH + "' --blocks 300 '" + demo + "' > /dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  const std::string folder = dir_.File("a folder");
  std::filesystem::create_directories(folder);

  Tclipvex_form window(store_, chooser_);
  window.show();
  window.CreateForms();
  chooser_.answers = {QString::fromStdString(demo)};
  window.findChild<QAction*>("Open1")->trigger();
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  StripState& strip = window.MasterPanel->State();
  ASSERT_EQ(strip.fileName, demo);
  const std::size_t entries = strip.demo.Blocks.size();
  const QString secondCaption = window.MasterPanel->Caption(2)->text();

  chooser_.answers = {QString::fromStdString(folder), "/dev/zero"};
  window.findChild<QAction*>("Open1")->trigger();
  window.findChild<QAction*>("Open1")->trigger();
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0], QString::fromStdString("Clipvex: '" + folder + "' is a folder, not a demo file"));
  EXPECT_EQ(boxes_[1], "Clipvex: '/dev/zero' is not a regular file");
  EXPECT_EQ(strip.fileName, demo);
  EXPECT_EQ(strip.demo.Blocks.size(), entries);
  EXPECT_EQ(window.MasterPanel->Caption(2)->text(), secondCaption);
  EXPECT_FALSE(std::filesystem::exists(game_ + "tempfilm.out"));
}

}  // namespace
}  // namespace clipvex
