#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/stufftextdialog.h"
#include "dialogtesthelpers.h"

namespace clipvex {
namespace {

class StuffFormTest : public ::testing::Test {
 protected:
  QLabel* Label1() const { return test::Child<QLabel>(form_, "Label1"); }
  QLineEdit* text2insert() const { return test::Child<QLineEdit>(form_, "text2insert"); }
  QPushButton* ok_butt() const { return test::Child<QPushButton>(form_, "ok_butt"); }
  QPushButton* cancel_butt() const { return test::Child<QPushButton>(form_, "cancel_butt"); }
  void SetUp() override {
    form_.setInsertHandler([this](const std::string& line) { inserted_.push_back(line); });
  }
  void Type(const QString& text) { QTest::keyClicks(text2insert(), text); }

  StuffTextDialog form_;
  std::vector<std::string> inserted_;
};

TEST_F(StuffFormTest, IsBuiltHiddenWithItsCaptionControlsAndPlaces) {
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.objectName(), "stuff_form");
  EXPECT_EQ(form_.windowTitle(), "Stufftext");
  EXPECT_EQ(form_.size(), QSize(325, 93));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize()) << "a fixed border";
  EXPECT_FALSE(form_.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(form_.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(form_.windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_EQ(Label1()->text(), "Text to insert at console:");
  EXPECT_EQ(Label1()->pos(), QPoint(8, 8));
  EXPECT_EQ(text2insert()->text(), "text2insert");
  EXPECT_EQ(text2insert()->geometry().topLeft(), QPoint(24, 32));
  EXPECT_EQ(text2insert()->width(), 281);
  EXPECT_EQ(ok_butt()->geometry(), QRect(144, 64, 75, 25));
  EXPECT_EQ(cancel_butt()->geometry(), QRect(232, 64, 75, 25));
  EXPECT_EQ(ok_butt()->text(), "OK");
  EXPECT_TRUE(ok_butt()->isDefault());
  EXPECT_EQ(cancel_butt()->text(), "Cancel");
  EXPECT_EQ(form_.font().pointSize(), 8);
}

TEST_F(StuffFormTest, SoundStartsWithPlayAndTheCaretAfterIt) {
  form_.showFor(StuffKind::Sound);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(form_.state().stuff_kind, StuffKind::Sound);
  EXPECT_EQ(text2insert()->text(), "play ");
  EXPECT_EQ(text2insert()->cursorPosition(), 5);
  EXPECT_FALSE(text2insert()->hasSelectedText());
  EXPECT_TRUE(text2insert()->hasFocus());
  Type("misc/secret.wav");
  QTest::keyClick(text2insert(), Qt::Key_Return);
  EXPECT_EQ(inserted_, std::vector<std::string>{R"( stufftext "play misc/secret.wav\n";)"});
  EXPECT_FALSE(form_.isVisible());

  // OK without typing more inserts "play " alone.
  form_.showFor(StuffKind::Sound);
  ok_butt()->click();
  EXPECT_EQ(inserted_.back(), R"( stufftext "play \n";)");
}

TEST_F(StuffFormTest, CenterPrintsLimitLastsThroughConsoleCommandUntilPrintMessage) {
  form_.showFor(StuffKind::CenterPrint);
  EXPECT_EQ(Label1()->text(), "Message to Print");
  EXPECT_EQ(text2insert()->text(), "");
  Type(QString(100, 'x'));
  EXPECT_EQ(text2insert()->text().size(), 80);

  form_.showFor(StuffKind::ConsoleCommand);
  EXPECT_EQ(Label1()->text(), "Text to insert at console:");
  EXPECT_EQ(text2insert()->text(), "") << "an unfinished text is replaced";
  Type(QString(90, 'y'));
  EXPECT_EQ(text2insert()->text().size(), 80);
  ok_butt()->click();
  EXPECT_EQ(inserted_.back(), " stufftext \"" + std::string(80, 'y') + "\\n\";");

  form_.showFor(StuffKind::PrintMessage);
  Type(QString(90, 'z'));
  EXPECT_EQ(text2insert()->text().size(), 90);
  ok_butt()->click();
  EXPECT_EQ(inserted_.back(), " print \"" + std::string(90, 'z') + "\\n\";");
}

TEST_F(StuffFormTest, CancelAndTheCloseBoxOnlyHideAndDelEditsTheText) {
  form_.showFor(StuffKind::PrintMessage);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  Type("abc");
  QTest::keyClick(text2insert(), Qt::Key_Home);
  QTest::keyClick(text2insert(), Qt::Key_Delete);
  EXPECT_EQ(text2insert()->text(), "bc");
  cancel_butt()->click();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(text2insert()->text(), "bc") << "hiding keeps the text";
  EXPECT_EQ(form_.state().stuff_kind, StuffKind::PrintMessage);

  form_.showFor(StuffKind::CenterPrint);
  form_.close();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_TRUE(inserted_.empty());

  int activations = 0;
  QObject::connect(&form_, &ModelessDialog::activated, [&] { ++activations; });
  form_.showFor(StuffKind::Sound);
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(&form_, &activate);
  EXPECT_GE(activations, 1);
}

}  // namespace
}  // namespace clipvex
