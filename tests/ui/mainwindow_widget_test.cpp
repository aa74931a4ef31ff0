#include "ui/mainwindow.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QStatusBar>

namespace clipvex {
namespace {

TEST(MainWindow, StartsTitledWithAStatusWord) {
  MainWindow window;
  window.show();
  EXPECT_EQ(window.windowTitle(), "Clipvex");
  auto* word = window.findChild<QLabel*>("statusWord");
  ASSERT_NE(word, nullptr);
  EXPECT_TRUE(word->isVisible());
  EXPECT_EQ(window.statusBar()->findChild<QLabel*>("statusWord"), word);
}

}  // namespace
}  // namespace clipvex
