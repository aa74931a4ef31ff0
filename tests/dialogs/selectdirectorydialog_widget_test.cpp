// The Select Directory dialog.
#include <QComboBox>
#include <QDir>
#include <QTest>
#include <QTreeView>
#include <filesystem>

#include "dialogs/selectdirectorydialog.h"
#include "dialogtesthelpers.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::Child;
using test::Q;

QString Clean(const std::string& path) { return QDir::cleanPath(Q(path)); }

TEST(DirDialogTest, LooksLikeADirectoryChooser) {
  SelectDirectoryDialog dialog;
  EXPECT_EQ(dialog.objectName(), "dir_dialog_form");
  EXPECT_EQ(dialog.windowTitle(), "Select Directory");
  EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_TRUE(Child<QPushButton>(dialog, "ok_butt")->isDefault());
  EXPECT_EQ(Child<QPushButton>(dialog, "cancel_butt")->text(), "Cancel");
  const QTreeView* tree = Child<QTreeView>(dialog, "DirectoryListBox1");
  ASSERT_NE(tree, nullptr);
  int shown = 0;
  for (int column = 0; column < tree->model()->columnCount(); ++column) shown += tree->isColumnHidden(column) ? 0 : 1;
  EXPECT_EQ(shown, 1);

  // It starts at the home folder, within a volume the drive list offers.
  EXPECT_EQ(dialog.selectedDirectory(), QDir::toNativeSeparators(QDir::cleanPath(QDir::homePath())));
  const QComboBox* drives = Child<QComboBox>(dialog, "DriveComboBox1");
  ASSERT_NE(drives, nullptr);
  EXPECT_GE(drives->count(), 1);
  EXPECT_GE(drives->currentIndex(), 0);

  dialog.showModeless();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_FALSE(dialog.isModal());
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
}

TEST(DirDialogTest, SelectsExistingDirectoriesOnly) {
  test::TempDir temp;
  std::filesystem::create_directories(temp.Path() + "a/b/c");
  test::WriteFile(temp.Path() + "file", "x");
  SelectDirectoryDialog dialog;
  ASSERT_TRUE(dialog.selectDirectory(Q(temp.Path() + "a/b/c")));
  EXPECT_EQ(dialog.selectedDirectory(), Clean(temp.Path() + "a/b/c"));
  EXPECT_FALSE(dialog.selectDirectory(Q(temp.Path() + "file")));
  EXPECT_FALSE(dialog.selectDirectory(Q(temp.Path() + "missing")));
  EXPECT_FALSE(dialog.selectDirectory(QString()));
  EXPECT_EQ(dialog.selectedDirectory(), Clean(temp.Path() + "a/b/c"));
  ASSERT_TRUE(dialog.selectDirectory(Q(temp.Path() + "a/./b/../b")));
  EXPECT_EQ(dialog.selectedDirectory(), Clean(temp.Path() + "a/b"));
  // The tree shows the selection: its folders are open.
  const QTreeView* tree = Child<QTreeView>(dialog, "DirectoryListBox1");
  EXPECT_TRUE(tree->isExpanded(tree->currentIndex().parent()));
}

TEST(DirDialogTest, DriveChoiceRootsTheTree) {
  SelectDirectoryDialog dialog;
  QComboBox* drives = Child<QComboBox>(dialog, "DriveComboBox1");
  const int start = drives->currentIndex();
  for (int i = 0; i < drives->count(); ++i) {
    if (i == start) continue;
    drives->setCurrentIndex(i);
    EXPECT_EQ(dialog.selectedDirectory(), QDir::toNativeSeparators(drives->itemData(i).toString())) << i;
  }
  drives->setCurrentIndex(start);
  if (drives->count() > 1) {
    EXPECT_EQ(dialog.selectedDirectory(), QDir::toNativeSeparators(drives->itemData(start).toString()));
  }
  // Selecting a folder outside the shown volume switches to one holding it.
  test::TempDir temp;
  ASSERT_TRUE(dialog.selectDirectory(Q(temp.Path())));
  const QString root = drives->currentData().toString();
  EXPECT_TRUE(Clean(temp.Path()).startsWith(root)) << root.toStdString();
}

TEST(DirDialogTest, OkFillsTheTargetAndCancelLeavesIt) {
  test::TempDir temp;
  QLineEdit box("before");
  SelectDirectoryDialog dialog;
  dialog.showModeless();
  ASSERT_TRUE(dialog.selectDirectory(Q(temp.Path())));
  QTest::mouseClick(Child<QPushButton>(dialog, "ok_butt"), Qt::LeftButton);  // no target yet
  EXPECT_FALSE(dialog.isVisible());

  dialog.setTarget(&box);
  dialog.showModeless();
  QTest::mouseClick(Child<QPushButton>(dialog, "cancel_butt"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(box.text(), "before");

  dialog.showModeless();
  EXPECT_EQ(dialog.selectedDirectory(), Clean(temp.Path()));  // where it was left
  QTest::keyClick(&dialog, Qt::Key_Return);                   // OK is the default button
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(box.text(), Clean(temp.Path()));
}

TEST(DirDialogTest, DestroyedTargetIsForgotten) {
  SelectDirectoryDialog dialog;
  {
    QLineEdit box;
    dialog.setTarget(&box);
  }
  EXPECT_EQ(dialog.target(), nullptr);
  dialog.showModeless();
  QTest::mouseClick(Child<QPushButton>(dialog, "ok_butt"), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
}

TEST(DirDialogTest, ActivationIsReported) {
  SelectDirectoryDialog dialog;
  int activations = 0;
  QObject::connect(&dialog, &ModelessDialog::activated, [&activations] { ++activations; });
  dialog.showModeless();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_GE(activations, 1);
}

}  // namespace
}  // namespace clipvex
