// The Configuration dialog's engine profile: the profiles to choose from,
// the profile files that were refused, and the check of the chosen one's
// program before it is used.
#include <QComboBox>
#include <QLabel>
#include <QTest>
#include <filesystem>

#include "dialogs/configurationdialog.h"
#include "dialogs/selectdirectorydialog.h"
#include "dialogtesthelpers.h"
#include "settings/engineprofile.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::Child;
using test::Q;

class ProfileBoxTest : public ::testing::Test {
 protected:
  ProfileBoxTest() {
    game_ = temp_.Path() + "quake/";
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_directories(UserProfileFolder());
    // The engine: its check ends with the exit code in the file "code".
    test::WriteScript(temp_.File("engine"), "[ \"$1\" = -check ] && [ \"$2\" = " + game_.substr(0, game_.size() - 1) +
                                                " ] && exit $(cat " + temp_.File("code") + ")\nexit 9");
    test::WriteFile(UserProfileFolder() + "mine.profile", "name = Mine\nprogram = " + temp_.File("engine") +
                                                              "\nwindow = class mine\nscreenshots = m####.png\n"
                                                              "folder = " +
                                                              temp_.File("engine-files") +
                                                              "/{game}\ncheck = -check {basedir}\n");
    test::WriteFile(UserProfileFolder() + "bad.profile", "name = Bad\nwindows = title Bad\n");
    store_.WriteString("WinQuakePath", game_);
    store_.WriteString("lmpcpath", game_);
    store_.WriteString("dempath", "id1");
    store_.WriteString("addparams", "");
    store_.WriteInteger("fastpre", 0);
  }
  ~ProfileBoxTest() override {
    std::error_code ec;
    std::filesystem::remove_all(UserProfileFolder(), ec);  // the folder serves every test of the program
  }

  test::TempDir temp_;
  std::string game_;
  test::RecordedMessages messages_;
  Settings settings_;
  MemorySettingsStore store_;
  SelectDirectoryDialog dirDialog_;
};

TEST_F(ProfileBoxTest, OffersEveryProfileNamesTheRefusedOnesAndRunsTheChosenOneBeforeUsingIt) {
  ConfigurationDialog form(settings_, store_, dirDialog_);
  auto* box = Child<QComboBox>(form, "profile_box");
  auto* note = Child<QLabel>(form, "profile_note");
  QStringList names;
  for (int i = 0; i < box->count(); ++i) names << box->itemText(i);
  EXPECT_EQ(names, (QStringList{"WinQuake", "QuakeSpasm", "Mine"}));
  EXPECT_EQ(box->currentText(), "WinQuake");
  EXPECT_EQ(note->text(), Q("Refused: " + UserProfileFolder() + "bad.profile, line 2: unknown key 'windows'"));

  // A check that fails keeps the dialog open and says why under the box.
  test::WriteFile(temp_.File("code"), "3");
  form.showModeless();
  box->setCurrentText("Mine");
  QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(note->text().contains(
      Q("'" + temp_.File("engine") + " -check " + game_.substr(0, game_.size() - 1) + "' ended with exit code 3")))
      << note->text().toStdString();
  std::string stored;
  EXPECT_EQ(store_.ReadString("profile", stored), SettingsStore::Read::Ok);
  EXPECT_EQ(stored, "Mine");

  test::WriteFile(temp_.File("code"), "0");
  QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(settings_.engine.name, "Mine");
  EXPECT_EQ(settings_.previewpath, temp_.File("engine-files/id1/"));

  // A program that is not there is named at once, before anything runs.
  std::filesystem::remove(temp_.File("engine"));
  form.showModeless();
  QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton);
  EXPECT_TRUE(form.isVisible());
  EXPECT_TRUE(note->text().startsWith(
      Q("The program '" + temp_.File("engine") + "' of the engine profile 'Mine' does not exist or cannot be run.")))
      << note->text().toStdString();
  EXPECT_TRUE(Child<QLabel>(form, "reason")->text().contains("engine profile 'Mine'"));
}

}  // namespace
}  // namespace clipvex
