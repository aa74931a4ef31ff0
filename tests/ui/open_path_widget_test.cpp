// File > Open with a typed path that names no demo file: a message box says
// what the path is, and the strip keeps the demo it showed.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <filesystem>

#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using OpenPathWidgetTest = test::MainWindowFixture;

TEST_F(OpenPathWidgetTest, AFolderOrDeviceTypedIntoOpenLeavesTheStripAsItWas) {
  const std::string demo = dir_.File("kept.dem");
  ASSERT_EQ(test::MakeDemo(demo, 300), 0);
  const std::string folder = dir_.File("a folder");
  std::filesystem::create_directories(folder);

  MainWindow window(store_, chooser_);
  window.show();
  window.createDialogs();
  chooser_.answers = {QString::fromStdString(demo)};
  window.findChild<QAction*>("Open1")->trigger();
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  StripState& strip = window.sourceStrip()->state();
  ASSERT_EQ(strip.fileName, demo);
  const std::size_t entries = strip.demo.Blocks.size();
  const QString secondCaption = window.sourceStrip()->caption(2)->text();

  chooser_.answers = {QString::fromStdString(folder), "/dev/zero"};
  window.findChild<QAction*>("Open1")->trigger();
  window.findChild<QAction*>("Open1")->trigger();
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[0], QString::fromStdString("Clipvex: '" + folder + "' is a folder, not a demo file"));
  EXPECT_EQ(boxes_[1], "Clipvex: '/dev/zero' is not a regular file");
  EXPECT_EQ(strip.fileName, demo);
  EXPECT_EQ(strip.demo.Blocks.size(), entries);
  EXPECT_EQ(window.sourceStrip()->caption(2)->text(), secondCaption);
  EXPECT_FALSE(std::filesystem::exists(game_ + "tempfilm.out"));
}

}  // namespace
}  // namespace clipvex
