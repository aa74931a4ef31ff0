// The Configuration dialog on a store held in memory.
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "dialogs/configurationdialog.h"
#include "dialogs/selectdirectorydialog.h"
#include "dialogtesthelpers.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::Child;
using test::Q;

class DircfgFormTest : public ::testing::Test {
 protected:
  DircfgFormTest() {
    game_ = temp_.Path() + "games/quake";
    std::filesystem::create_directories(game_ + "/id1");
    std::filesystem::create_directories(game_ + "/lmpc");
  }

  std::unique_ptr<ConfigurationDialog> Make() {
    auto form = std::make_unique<ConfigurationDialog>(settings_, store_, dirDialog_);
    ok_ = Child<QPushButton>(*form, "ok_butt");
    cancel_ = Child<QPushButton>(*form, "cancel_butt");
    winqpath_ = Child<QLineEdit>(*form, "winqpath");
    lmpcpath_ = Child<QLineEdit>(*form, "lmpcpath");
    dempath_ = Child<QLineEdit>(*form, "dempath");
    addparams_ = Child<QLineEdit>(*form, "addparams");
    fast_ = Child<QCheckBox>(*form, "fast_box");
    return form;
  }

  std::string Stored(std::string_view name) const {
    std::string text;
    return store_.ReadString(name, text) == SettingsStore::Read::Ok ? text : "<unreadable>";
  }

  test::TempDir temp_;
  std::string game_;
  test::RecordedMessages messages_;
  Settings settings_;
  MemorySettingsStore store_;
  SelectDirectoryDialog dirDialog_;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QLineEdit* winqpath_ = nullptr;
  QLineEdit* lmpcpath_ = nullptr;
  QLineEdit* dempath_ = nullptr;
  QLineEdit* addparams_ = nullptr;
  QCheckBox* fast_ = nullptr;
};

TEST_F(DircfgFormTest, EmptyStoreShowsDefaultsAndPendingConfigurationShowsTheDialog) {
  auto quiet = Make();
  EXPECT_FALSE(quiet->isVisible());
  EXPECT_EQ(quiet->objectName(), "dircfg_form");
  EXPECT_EQ(quiet->windowTitle(), "Configuration");
  EXPECT_TRUE(quiet->windowFlags() & Qt::WindowStaysOnTopHint);
  EXPECT_FALSE(quiet->isModal());
  EXPECT_EQ(winqpath_->text(), QDir::homePath() + "/quake/");
  EXPECT_EQ(lmpcpath_->text(), QDir::homePath() + "/quake/lmpc/");
  EXPECT_EQ(dempath_->text(), "id1");
  EXPECT_EQ(addparams_->text(), "-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex");
  EXPECT_FALSE(fast_->isChecked());
  EXPECT_EQ(ok_->text(), "OK");
  EXPECT_EQ(cancel_->text(), "Cancel");
  EXPECT_EQ(fast_->text(), "Fast Preview");
  QStringList labels;
  for (const QLabel* label : quiet->findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Additional WinQuake Parameters", "Winquake Path", "LMPC Path", "Defualt DEM Dir",
                           "Must be a subdirectory of  Quake, WinQuake will be run with -game <this directory>"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
  const auto groups = quiet->findChildren<QGroupBox*>();
  ASSERT_EQ(groups.size(), 1);
  EXPECT_EQ(groups[0]->title(), "   Directories   ");
  EXPECT_TRUE(groups[0]->isAncestorOf(winqpath_) && groups[0]->isAncestorOf(dempath_));

  settings_.configpending = true;
  auto pending = Make();
  EXPECT_TRUE(pending->isVisible());
  EXPECT_FALSE(settings_.configpending);
  EXPECT_EQ(pending->minimumSize(), pending->maximumSize());  // fixed size
  EXPECT_EQ(store_.writes(), 0);
}

TEST_F(DircfgFormTest, BoxesAreFilledFromTheStoreOnlyWhenMade) {
  store_.Put("WINQUAKEPATH", std::string("/g/"));
  store_.Put("fastpre", std::int32_t{1});
  auto form = Make();
  EXPECT_EQ(winqpath_->text(), "/g/");
  EXPECT_EQ(lmpcpath_->text(), QDir::homePath() + "/quake/lmpc/");
  EXPECT_TRUE(fast_->isChecked());

  store_.Put("WinQuakePath", std::string("/other/"));
  form->showModeless();
  EXPECT_EQ(winqpath_->text(), "/g/");
}

TEST_F(DircfgFormTest, OkStoresFoldersWithSeparatorAndLoadsThem) {
  settings_.configpending = true;
  auto form = Make();
  winqpath_->setText(Q(game_));
  lmpcpath_->setText(Q(game_ + "/lmpc"));
  dempath_->setText("id1");
  addparams_->setText("-a  b");
  fast_->setChecked(true);
  QTest::mouseClick(ok_, Qt::LeftButton);

  EXPECT_EQ(winqpath_->text(), Q(game_ + "/"));
  EXPECT_EQ(lmpcpath_->text(), Q(game_ + "/lmpc/"));
  EXPECT_EQ(Stored("WinQuakePath"), game_ + "/");
  EXPECT_EQ(Stored("lmpcpath"), game_ + "/lmpc/");
  EXPECT_EQ(Stored("dempath"), "id1");
  EXPECT_EQ(Stored("addparams"), "-a  b");
  ASSERT_NE(store_.Find("fastpre"), nullptr);
  EXPECT_EQ(*store_.Find("fastpre"), MemorySettingsStore::Value(std::int32_t{1}));
  EXPECT_EQ(store_.Names(), (std::vector<std::string>{"addparams", "dempath", "fastpre", "lmpcpath", "WinQuakePath"}));

  EXPECT_EQ(settings_.WinQuakePath, game_ + "/");
  EXPECT_EQ(settings_.previewpath, game_ + "//id1/");
  EXPECT_TRUE(settings_.fastpre);
  EXPECT_FALSE(form->isVisible());  // valid: it stays closed
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(DircfgFormTest, OkWithUnusableFoldersBringsTheDialogBack) {
  auto form = Make();
  form->showModeless();
  winqpath_->setText(Q(temp_.Path() + "nothing"));
  lmpcpath_->setText(Q(game_ + "/lmpc"));
  QTest::mouseClick(ok_, Qt::LeftButton);
  EXPECT_EQ(Stored("WinQuakePath"), temp_.Path() + "nothing/");
  EXPECT_TRUE(form->isVisible());
  EXPECT_TRUE(messages_.messages.empty());

  // Fixed and accepted: it closes.
  winqpath_->setText(Q(game_));
  QTest::mouseClick(ok_, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
}

TEST_F(DircfgFormTest, OkWithAnEmptyFolderDoesNothing) {
  auto form = Make();
  form->showModeless();
  for (QLineEdit* emptied : {lmpcpath_, winqpath_}) {
    winqpath_->setText(Q(game_));
    lmpcpath_->setText(Q(game_ + "/lmpc"));
    emptied->clear();
    QTest::mouseClick(ok_, Qt::LeftButton);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(store_.writes(), 0);
    EXPECT_FALSE(store_.KeyExists());
    EXPECT_EQ(winqpath_->text(), emptied == winqpath_ ? QString() : Q(game_));  // no separator added
    EXPECT_TRUE(messages_.messages.empty());
  }
}

TEST_F(DircfgFormTest, CancelKeepsTypedTextAndWritesNothing) {
  store_.Put("dempath", std::string("stored"));
  auto form = Make();
  form->showModeless();
  dempath_->setText("typed");
  winqpath_->setText("/typed/game");
  QTest::mouseClick(cancel_, Qt::LeftButton);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(store_.writes(), 0);
  EXPECT_EQ(Stored("dempath"), "stored");

  form->showModeless();
  EXPECT_EQ(dempath_->text(), "typed");
  EXPECT_EQ(winqpath_->text(), "/typed/game");  // no separator either
}

TEST_F(DircfgFormTest, RefusedWriteClosesReloadsAndReports) {
  store_.SetWritable(false);
  auto form = Make();
  form->showModeless();
  winqpath_->setText(Q(game_));
  lmpcpath_->setText(Q(game_ + "/lmpc"));
  QTest::mouseClick(ok_, Qt::LeftButton);
  EXPECT_EQ(messages_.messages, std::vector<std::string>{"Clipvex: Failed to set data for 'WinQuakePath'"});
  // Nothing was stored, so the reloading asks for the configuration again.
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(settings_.WinQuakePath, "");
}

TEST_F(DircfgFormTest, BrowseButtonsFillTheirBoxWithTheSelectedDirectory) {
  auto form = Make();
  form->showModeless();
  const QString picked = Q(game_ + "/lmpc");
  const QString before = lmpcpath_->text();

  QTest::mouseClick(Child<QToolButton>(*form, "SpeedButton1"), Qt::LeftButton);
  EXPECT_TRUE(dirDialog_.isVisible());
  ASSERT_TRUE(dirDialog_.selectDirectory(picked));
  QTest::mouseClick(Child<QPushButton>(dirDialog_, "ok_butt"), Qt::LeftButton);
  EXPECT_FALSE(dirDialog_.isVisible());
  EXPECT_EQ(winqpath_->text(), picked);
  EXPECT_EQ(lmpcpath_->text(), before);

  // Both pressed while the tree is open: the latter is the target. The tree
  // still shows the earlier choice.
  QTest::mouseClick(Child<QToolButton>(*form, "SpeedButton1"), Qt::LeftButton);
  QTest::mouseClick(Child<QToolButton>(*form, "SpeedButton2"), Qt::LeftButton);
  EXPECT_EQ(dirDialog_.selectedDirectory(), picked);
  ASSERT_TRUE(dirDialog_.selectDirectory(Q(game_)));
  QTest::mouseClick(Child<QPushButton>(dirDialog_, "ok_butt"), Qt::LeftButton);
  EXPECT_EQ(lmpcpath_->text(), Q(game_));
  EXPECT_EQ(winqpath_->text(), picked);

  // Cancel leaves the box.
  QTest::mouseClick(Child<QToolButton>(*form, "SpeedButton1"), Qt::LeftButton);
  ASSERT_TRUE(dirDialog_.selectDirectory(Q(temp_.Path())));
  QTest::mouseClick(Child<QPushButton>(dirDialog_, "cancel_butt"), Qt::LeftButton);
  EXPECT_FALSE(dirDialog_.isVisible());
  EXPECT_EQ(winqpath_->text(), picked);

  // The final separators come with OK.
  QTest::mouseClick(ok_, Qt::LeftButton);
  EXPECT_EQ(winqpath_->text(), picked + "/");
  EXPECT_EQ(lmpcpath_->text(), Q(game_ + "/"));
}

TEST_F(DircfgFormTest, ActivationIsReported) {
  auto form = Make();
  int activations = 0;
  QObject::connect(form.get(), &ModelessDialog::activated, [&activations] { ++activations; });
  form->showModeless();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
  EXPECT_GE(activations, 1);
  const int before = activations;
  form->hide();
  QTest::qWait(10);
  EXPECT_EQ(activations, before);
}

}  // namespace
}  // namespace clipvex
