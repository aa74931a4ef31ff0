#include "dialogs/colorfadedialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <deque>

#include "dialogtesthelpers.h"
#include "effects/effectstesthelpers.h"

namespace clipvex {
namespace {

using test::EditHarness;
using test::EvenDemo;
using test::LinesOf;
using test::RecordedMessages;
using Texts = std::vector<std::string>;

class ColorFormTest : public ::testing::Test {
 protected:
  ColorSwatch* st_panel() const { return test::Child<ColorSwatch>(form_, "st_panel"); }
  ColorSwatch* end_panel() const { return test::Child<ColorSwatch>(form_, "end_panel"); }
  QSlider* st_op() const { return test::Child<QSlider>(form_, "st_op"); }
  QSlider* end_op() const { return test::Child<QSlider>(form_, "end_op"); }
  QPushButton* SpeedButton1() const { return test::Child<QPushButton>(form_, "SpeedButton1"); }
  QPushButton* SpeedButton2() const { return test::Child<QPushButton>(form_, "SpeedButton2"); }
  QLineEdit* st_block() const { return test::Child<QLineEdit>(form_, "st_block"); }
  QLineEdit* end_block() const { return test::Child<QLineEdit>(form_, "end_block"); }
  QPushButton* Button1() const { return test::Child<QPushButton>(form_, "Button1"); }
  ColorFormTest() : h_(EvenDemo(20)) {
    form_.setApplyHandler([this](const ColorFadeInput& input) {
      h_.Run("Color Fade", [input](StripEdit& edit) { ColorFade(edit, input); });
    });
    previous_ = SetColorChooserHook([this](QWidget*, const QColor& initial) -> std::optional<QColor> {
      starts_.push_back(initial);
      if (answers_.empty()) return std::nullopt;
      const QColor answer = answers_.front();
      answers_.pop_front();
      if (!answer.isValid()) return std::nullopt;
      return answer;
    });
  }
  ~ColorFormTest() override { SetColorChooserHook(previous_); }

  void Click(QWidget* swatch) { QTest::mouseClick(swatch, Qt::LeftButton); }
  std::string Line(std::size_t block) { return LinesOf(h_.strip.demo, block)[3]; }

  EditHarness h_;
  ColorFadeDialog form_;
  RecordedMessages boxes_;
  std::deque<QColor> answers_;  // an invalid colour: the chooser is cancelled
  std::vector<QColor> starts_;
  ColorChooserHook previous_;
};

TEST_F(ColorFormTest, IsBuiltHiddenAsAFadeToBlack) {
  EXPECT_FALSE(form_.isVisible());
  EXPECT_EQ(form_.windowTitle(), "Color Fade");
  EXPECT_TRUE(st_panel()->isClear());
  EXPECT_EQ(st_panel()->caption(), "Clear");
  EXPECT_EQ(st_panel()->color(), QColor(Qt::white));
  EXPECT_EQ(st_panel()->toolTip(), "Color to start from");
  EXPECT_EQ(st_panel()->cursor().shape(), Qt::CrossCursor);
  EXPECT_FALSE(end_panel()->isClear());
  EXPECT_EQ(end_panel()->color(), QColor(Qt::black));
  EXPECT_EQ(end_panel()->toolTip(), "Color to end on");
  for (QSlider* opacity : {st_op(), end_op()}) {
    EXPECT_EQ(opacity->minimum(), 0);
    EXPECT_EQ(opacity->maximum(), 255);
    EXPECT_EQ(opacity->singleStep(), 32);
    EXPECT_EQ(opacity->pageStep(), 32);
    EXPECT_EQ(opacity->tickInterval(), 32);
  }
  EXPECT_EQ(st_op()->value(), 0);
  EXPECT_EQ(end_op()->value(), 255);
  EXPECT_EQ(SpeedButton1()->text(), "Clear");
  EXPECT_EQ(SpeedButton1()->toolTip(), "Set color to clear");
  EXPECT_EQ(SpeedButton2()->toolTip(), "Set color to clear");
  EXPECT_EQ(st_block()->text(), "0");
  EXPECT_EQ(end_block()->text(), "9999999");
  EXPECT_TRUE(Button1()->isDefault());
  QStringList titles;
  for (const QGroupBox* group : form_.findChildren<QGroupBox*>()) titles << group->title();
  EXPECT_EQ(titles, (QStringList{"Start", "End"}));
  QStringList labels;
  for (const QLabel* label : form_.findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Opacity", "0%", "100%", "From:", "To:"}) EXPECT_TRUE(labels.contains(text)) << text;
}

TEST_F(ColorFormTest, TheDefaultFadeOverFiveBlocks) {
  form_.showForMarks(10, 14);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  Button1()->click();
  EXPECT_FALSE(form_.isVisible());
  Texts lines;
  for (std::size_t b = 10; b <= 14; ++b) lines.push_back(Line(b));
  EXPECT_EQ(lines, (Texts{" stufftext \"v_cshift 0 0 0 0\\n\";", " stufftext \"v_cshift 0 0 0 64\\n\";",
                          " stufftext \"v_cshift 0 0 0 128\\n\";", " stufftext \"v_cshift 0 0 0 191\\n\";",
                          " stufftext \"v_cshift 0 0 0 255\\n\";"}));
}

TEST_F(ColorFormTest, PickedColoursClearButtonsAndWhatLastsBetweenShowings) {
  form_.showForMarks(6, 7);
  // Cancelled: nothing changes.
  answers_ = {QColor()};
  Click(end_panel());
  EXPECT_EQ(end_panel()->color(), QColor(Qt::black));
  // Red picked for the end, at opacity 200.
  answers_ = {QColor(255, 0, 0)};
  Click(end_panel());
  EXPECT_EQ(end_panel()->color(), QColor(255, 0, 0));
  EXPECT_EQ(end_panel()->caption(), "");
  end_op()->setValue(200);
  Button1()->click();
  EXPECT_EQ(Line(6), " stufftext \"v_cshift 255 0 0 0\\n\";");
  EXPECT_EQ(Line(7), " stufftext \"v_cshift 255 0 0 200\\n\";");

  // Shown again: the range follows the marks, the swatches stay.
  form_.showForMarks(8, 10);
  EXPECT_EQ(st_block()->text(), "8");
  EXPECT_EQ(end_panel()->color(), QColor(255, 0, 0));
  EXPECT_EQ(end_op()->value(), 200);
  // White picked for the start (the chooser starts from the colour last
  // chosen), then the end cleared: only the opacity fades.
  answers_ = {QColor(Qt::white)};
  Click(st_panel());
  EXPECT_EQ(starts_.back(), QColor(255, 0, 0));
  EXPECT_FALSE(st_panel()->isClear());
  st_op()->setValue(160);
  SpeedButton2()->click();
  EXPECT_TRUE(end_panel()->isClear());
  EXPECT_EQ(end_op()->value(), 0);
  Button1()->click();
  EXPECT_EQ(Line(8), " stufftext \"v_cshift 255 255 255 160\\n\";");
  EXPECT_EQ(Line(9), " stufftext \"v_cshift 255 255 255 80\\n\";");
  EXPECT_EQ(Line(10), " stufftext \"v_cshift 255 255 255 0\\n\";");
  SpeedButton1()->click();
  EXPECT_TRUE(st_panel()->isClear());
  EXPECT_EQ(st_op()->value(), 0);
}

TEST_F(ColorFormTest, AnErrorIsShownTheDialogStaysOpenAndNothingChanges) {
  const std::string before = test::DumpOf(h_.strip.demo);
  form_.showForMarks(7, 7);
  Button1()->click();
  EXPECT_EQ(boxes_.messages, std::vector<std::string>{"Clipvex: Invalid floating point operation"});
  EXPECT_TRUE(form_.isVisible());
  EXPECT_EQ(test::DumpOf(h_.strip.demo), before);
  form_.setDemoLocked(true);
  EXPECT_FALSE(Button1()->isEnabled());
}

}  // namespace
}  // namespace clipvex
