#include "dialogs/speeddialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "dialogtesthelpers.h"
#include "effects/effectstesthelpers.h"

namespace clipvex {
namespace {

using test::Comments;
using test::EditHarness;
using test::EvenDemo;
using test::RecordedMessages;
using Texts = std::vector<std::string>;

class SpeedFormTest : public ::testing::Test {
 protected:
  QSlider* TrackBar1() const { return test::Child<QSlider>(form_, "TrackBar1"); }
  QLineEdit* percent_edit() const { return test::Child<QLineEdit>(form_, "percent_edit"); }
  QRadioButton* const_butt() const { return test::Child<QRadioButton>(form_, "const_butt"); }
  QRadioButton* fade_butt() const { return test::Child<QRadioButton>(form_, "fade_butt"); }
  QLineEdit* st_block() const { return test::Child<QLineEdit>(form_, "st_block"); }
  QLineEdit* end_block() const { return test::Child<QLineEdit>(form_, "end_block"); }
  QPushButton* Button1() const { return test::Child<QPushButton>(form_, "Button1"); }
  QPushButton* Button2() const { return test::Child<QPushButton>(form_, "Button2"); }
  SpeedFormTest() : h_(EvenDemo(20)) {
    form_.setApplyHandler([this](const SpeedInput& input) {
      h_.Run("Change Speed", [input](StripEdit& edit) { ChangeSpeed(edit, input); });
    });
  }
  void Type(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
  }

  EditHarness h_;
  SpeedDialog form_;
  RecordedMessages boxes_;
};

TEST_F(SpeedFormTest, IsBuiltHiddenWithEveryControlAsItStarts) {
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.windowTitle(), "Modify Speed");
  EXPECT_EQ(TrackBar1()->minimum(), 1);
  EXPECT_EQ(TrackBar1()->maximum(), 300);
  EXPECT_EQ(TrackBar1()->value(), 100);
  EXPECT_EQ(TrackBar1()->singleStep(), 5);
  EXPECT_EQ(TrackBar1()->pageStep(), 25);
  EXPECT_EQ(TrackBar1()->tickInterval(), 25);
  EXPECT_EQ(TrackBar1()->tickPosition(), QSlider::TicksBothSides);
  EXPECT_EQ(percent_edit()->text(), "100");
  EXPECT_TRUE(percent_edit()->font().bold());
  EXPECT_TRUE(const_butt()->isChecked());
  EXPECT_EQ(const_butt()->text(), "Constant");
  EXPECT_EQ(fade_butt()->text(), "Fade");
  EXPECT_EQ(st_block()->text(), "0");
  EXPECT_EQ(end_block()->text(), "9999999");
  EXPECT_EQ(Button1()->text(), "OK");
  EXPECT_TRUE(Button1()->isDefault());
  EXPECT_EQ(Button2()->text(), "Cancel");
  QStringList labels;
  for (const QLabel* label : form_.findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Percent of Original Speed", "0", "100", "300", "%", "From:", "To:"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
}

TEST_F(SpeedFormTest, ShowingResetsTheTrackBarAndTheRangeButKeepsTheMode) {
  form_.showForMarks(10, 12);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  EXPECT_EQ(st_block()->text(), "10");
  EXPECT_EQ(end_block()->text(), "12");
  fade_butt()->click();
  TrackBar1()->setValue(250);
  EXPECT_EQ(percent_edit()->text(), "250");
  // Opened again while it shows: nothing is reset.
  form_.showForMarks(4, 100000);
  EXPECT_EQ(st_block()->text(), "10");
  Button2()->click();
  EXPECT_FALSE(form_.isVisible());
  form_.showForMarks(4, 100000);
  EXPECT_EQ(TrackBar1()->value(), 100);
  EXPECT_EQ(percent_edit()->text(), "100");
  EXPECT_EQ(st_block()->text(), "4");
  EXPECT_EQ(end_block()->text(), "100000");
  EXPECT_TRUE(fade_butt()->isChecked());
}

TEST_F(SpeedFormTest, TypedPercentagesMoveTheTrackBarButNeverTheOtherWay) {
  form_.showForMarks(10, 12);
  Type(percent_edit(), "500");
  EXPECT_EQ(TrackBar1()->value(), 300);
  EXPECT_EQ(percent_edit()->text(), "500") << "500 stays in the box";
  Type(percent_edit(), "7x");
  EXPECT_EQ(TrackBar1()->value(), 7) << "the 7 moved it, the x did not";
  EXPECT_EQ(percent_edit()->text(), "7x");
  QTest::keyClick(TrackBar1(), Qt::Key_PageUp);
  EXPECT_EQ(percent_edit()->text(), "32");

  // 500 typed is what OK applies: a fifth of each duration.
  Type(percent_edit(), "500");
  Button1()->click();
  EXPECT_EQ(h_.strip.demo.Blocks[11]->Last().substr(0, 17), "// 0.010000000000");
}

TEST_F(SpeedFormTest, TheWholeSelectionStopsBeforeTheClosingBlock) {
  const std::size_t closing = h_.strip.demo.Blocks.size() - 1;
  const std::string closingComment(h_.strip.demo.Blocks[closing]->Last());
  form_.showForMarks(kMarkStart, kMarkEnd);
  Type(percent_edit(), "200");
  Button1()->click();
  EXPECT_EQ(Comments(h_.strip.demo, closing - 1, closing), (Texts{"// 0.0250000000000057", closingComment}));
}

TEST_F(SpeedFormTest, OkAppliesWhatTheBoxesSayAndClosesCancelChangesNothing) {
  form_.showForMarks(10, 12);
  Type(percent_edit(), "200");
  Button1()->click();
  EXPECT_FALSE(form_.isVisible());
  EXPECT_TRUE(boxes_.messages.empty());
  EXPECT_EQ(Comments(h_.strip.demo, 10, 12), Texts(3, "// 0.0250000000000057"));

  form_.showForMarks(15, 19);
  fade_butt()->click();
  Type(percent_edit(), "50");
  QTest::keyClick(end_block(), Qt::Key_Return);
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(Comments(h_.strip.demo, 15, 19),
            (Texts{"// 0.0500000000000114", "// 0.0625000000000142", "// 0.0750000000000171",
                   "// 0.0875000000000199", "// 0.100000000000023"}));

  const std::string before = test::DumpOf(h_.strip.demo);
  form_.showForMarks(4, 20);
  Button2()->click();
  EXPECT_EQ(test::DumpOf(h_.strip.demo), before);
}

TEST_F(SpeedFormTest, AnErrorIsShownAndTheDialogStaysOpen) {
  form_.showForMarks(10, 12);
  Type(percent_edit(), "fast");
  Button1()->click();
  EXPECT_EQ(boxes_.messages, std::vector<std::string>{"Clipvex: 'fast' is not a valid integer value"});
  EXPECT_TRUE(form_.isVisible());
  EXPECT_TRUE(h_.done.empty());
}

TEST_F(SpeedFormTest, OkIsDisabledWhileTheDemoIsLockedAndTheDelShortcutIsTaken) {
  int activations = 0;
  QObject::connect(&form_, &ModelessDialog::activated, [&] { ++activations; });
  form_.showForMarks(10, 12);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  EXPECT_GE(activations, 1);
  form_.setDemoLocked(true);
  EXPECT_FALSE(Button1()->isEnabled());
  QTest::keyClick(st_block(), Qt::Key_Return);
  EXPECT_TRUE(h_.done.empty());
  form_.setDemoLocked(false);
  EXPECT_TRUE(Button1()->isEnabled());
}

}  // namespace
}  // namespace clipvex
