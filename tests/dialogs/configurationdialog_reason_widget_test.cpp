// The Configuration dialog says why it is in front of the user, and OK with
// unusable folders keeps it open with a note under each box to blame.
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <filesystem>
#include <map>

#include "dialogs/configurationdialog.h"
#include "dialogs/selectdirectorydialog.h"
#include "dialogtesthelpers.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::Child;
using test::Q;

class DircfgReasonTest : public ::testing::Test {
 protected:
  DircfgReasonTest() {
    game_ = temp_.Path() + "quake/";
    lmpc_ = temp_.Path() + "quake/lmpc/";
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_directories(lmpc_);
  }
  void PutComplete(const std::string& game) {
    store_.Put("WinQuakePath", game);
    store_.Put("lmpcpath", lmpc_);
    store_.Put("dempath", std::string("id1"));
    store_.Put("addparams", std::string(""));
    store_.Put("fastpre", std::int32_t{0});
  }
  // Made the way the program makes it: the settings loaded first.
  std::unique_ptr<ConfigurationDialog> Make() {
    settings_.configpending = false;
    LoadSettings(settings_, store_, [this] { settings_.configpending = true; });
    auto form = std::make_unique<ConfigurationDialog>(settings_, store_, dirDialog_);
    reason_ = Child<QLabel>(*form, "reason");
    for (const char* name : {"winqpath", "lmpcpath", "dempath"}) {
      boxes_[name] = Child<QLineEdit>(*form, name);
      notes_[name] = Child<QLabel>(*form, (std::string(name) + "_note").c_str());
    }
    return form;
  }
  // The notes that show, as "box: text".
  std::vector<std::string> Notes() const {
    std::vector<std::string> shown;
    for (const auto& [name, note] : notes_) {
      if (note->isVisible()) shown.push_back(name + ": " + note->text().toStdString());
    }
    return shown;
  }
  void Ok(QDialog& form) { QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton); }

  test::TempDir temp_;
  std::string game_;
  std::string lmpc_;
  test::RecordedMessages messages_;
  Settings settings_;
  MemorySettingsStore store_;
  SelectDirectoryDialog dirDialog_;
  QLabel* reason_ = nullptr;
  std::map<std::string, QLineEdit*> boxes_;
  std::map<std::string, QLabel*> notes_;
};

TEST_F(DircfgReasonTest, OpeningAtStartSaysWhichFolderIsWrong) {
  PutComplete(temp_.Path() + "gone/");
  auto form = Make();
  ASSERT_TRUE(form->isVisible());
  EXPECT_TRUE(reason_->isVisible());
  EXPECT_EQ(reason_->text(), Q("The game folder '" + temp_.Path() + "gone/' does not exist."));
  EXPECT_TRUE(Notes().empty());  // the notes come with OK
  // The described controls are all still there.
  for (const char* name : {"ok_butt", "cancel_butt"}) EXPECT_NE(form->findChild<QPushButton*>(name), nullptr);
  EXPECT_EQ(form->minimumSize(), form->maximumSize());

  form->close();
  store_.Clear();
  auto first = Make();
  EXPECT_EQ(reason_->text(),
            "No settings are stored yet: choose the game's folder and the converter's folder, then press OK.");
}

TEST_F(DircfgReasonTest, OpenedFromTheMenuWithGoodSettingsSaysNothing) {
  PutComplete(game_);
  auto form = Make();
  EXPECT_FALSE(form->isVisible());
  form->showModeless();
  EXPECT_FALSE(reason_->isVisible());
  EXPECT_TRUE(Notes().empty());
}

TEST_F(DircfgReasonTest, OkWithUnusableFoldersStaysOpenWithNotesUnderTheBoxes) {
  PutComplete(game_);
  auto form = Make();
  form->showModeless();
  int hides = 0;
  QObject::connect(form.get(), &QDialog::finished, [&hides] { ++hides; });
  boxes_["winqpath"]->setText(Q(temp_.Path() + "nothing"));
  Ok(*form);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(hides, 0) << "it stays open instead of closing and opening again";
  EXPECT_EQ(Notes(), std::vector<std::string>{"winqpath: This folder does not exist."});
  // What is stored is what was written, and the top line says why it is unusable.
  EXPECT_EQ(reason_->text(), Q("The game folder '" + temp_.Path() + "nothing/' does not exist."));
  EXPECT_TRUE(messages_.messages.empty());

  // Typing in the box takes its note away; so does a folder picked with
  // the browse button.
  QTest::keyClick(boxes_["winqpath"], Qt::Key_End);
  QTest::keyClick(boxes_["winqpath"], Qt::Key_Backspace);
  EXPECT_TRUE(Notes().empty());
  boxes_["lmpcpath"]->setText(Q(temp_.Path() + "gone too"));
  Ok(*form);
  EXPECT_EQ(Notes(), (std::vector<std::string>{"lmpcpath: This folder does not exist.",
                                               "winqpath: This folder does not exist."}));
  QTest::mouseClick(Child<QToolButton>(*form, "SpeedButton2"), Qt::LeftButton);
  ASSERT_TRUE(dirDialog_.selectDirectory(Q(lmpc_)));
  QTest::mouseClick(Child<QPushButton>(dirDialog_, "ok_butt"), Qt::LeftButton);
  EXPECT_EQ(Notes(), std::vector<std::string>{"winqpath: This folder does not exist."});

  // A good game folder without the subdirectory: the note moves to it.
  boxes_["winqpath"]->setText(Q(game_));
  boxes_["dempath"]->setText("mymod");
  Ok(*form);
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(Notes(), std::vector<std::string>{"dempath: The game folder has no subdirectory of this name."});
  EXPECT_EQ(reason_->text(), "The game folder has no subdirectory 'mymod'.");

  // Mended: OK closes, and the notes are gone the next time.
  boxes_["dempath"]->setText("id1");
  Ok(*form);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(settings_.dempath, "id1");
  form->showModeless();
  EXPECT_TRUE(Notes().empty());
  EXPECT_FALSE(reason_->isVisible());
}

}  // namespace
}  // namespace clipvex
