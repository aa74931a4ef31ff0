// A speed ramp, a slow stretch and two colour fades made through the
// window's dialogs on a stretch of a real demo, saved as .dem through the
// real converter: the time lines follow the durations (the last time is
// the sum of all of them), the saved demo holds the tint lines and the
// times, and a real engine plays it to its end.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>
#include <cmath>
#include <filesystem>

#include "dialogs/colorfadedialog.h"
#include "dialogs/speeddialog.h"
#include "document/demotime.h"
#include "document/numtext.h"
#include "document/real48.h"
#include "document/retime.h"
#include "uisupport/mainwindowfixture.h"
#include "uisupport/realengine.h"

namespace clipvex {
namespace {

using test::Lines;
using test::Verdict;

// The value of the time line among lines 1 to 3 of a block, or -1.
double TimeOf(const Lines& block) {
  for (std::size_t i = 1; i <= 3 && i < block.size(); ++i) {
    if (IsTimeLine(block[i])) return ParseTime(block[i]);
  }
  return -1;
}

std::string CshiftOf(const Lines& block) {
  for (const std::string& line : block) {
    if (line.find("v_cshift") != std::string::npos) return line;
  }
  return {};
}

class EffectsOracleTest : public test::MainWindowFixture {
 protected:
  void SetUp() override {
    CLIPVEX_NEED_FIXTURES(test::DemoFolder(), test::OracleScript());
    MainWindowFixture::SetUp();
    previousChooser_ = SetColorChooserHook([](QWidget*, const QColor&) { return QColor(255, 0, 0); });
    window_ = MakeWindow();
  }
  void TearDown() override {
    MainWindowFixture::TearDown();
    SetColorChooserHook(previousChooser_);
  }

  void Marks(std::int32_t in, std::int32_t out) {
    window_->finalStrip()->state().inMark = in;
    window_->finalStrip()->state().outMark = out;
  }
  void Speed(bool fade, const char* percent) {
    Trigger("ChangeSpeed1");
    SpeedDialog* speed = window_->effects().speedDialog();
    (fade ? test::Child<QRadioButton>(*speed, "fade_butt") : test::Child<QRadioButton>(*speed, "const_butt"))->click();
    test::Child<QLineEdit>(*speed, "percent_edit")->setText(percent);
    test::Child<QPushButton>(*speed, "Button1")->click();
    ASSERT_FALSE(speed->isVisible());
  }

  ColorChooserHook previousChooser_;
};

TEST_F(EffectsOracleTest, ASpeedRampAndFadesSurviveASaveAndPlay) {
  const std::string fixture = test::DemoFixture("p666_e1m1_smoothme.dem");
  Choose(fixture);
  Trigger("Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  window_->sourceStrip()->state().inMark = 100;
  window_->sourceStrip()->state().outMark = 699;
  Click("copy_butt");
  Click("fBF_butt");
  Choose(dir_.File("effects.dem"));
  Trigger("New1");
  Click("paste_butt");
  const TDemFile& demo = window_->finalStrip()->state().demo;
  ASSERT_EQ(demo.Blocks.size(), 605u);

  // Slow motion fading in over 20 to 200, double speed over 300 to 400.
  Marks(20, 200);
  Speed(true, "40");
  Marks(300, 400);
  Speed(false, "200");
  // A tint from clear to red over 50 to 150, then the default fade to black
  // (its start swatch cleared again) from 450 to the end.
  Marks(50, 150);
  Click("SpeedButton3");
  ColorFadeDialog* color = window_->effects().colorFadeDialog();
  QTest::mouseClick(test::Child<ColorSwatch>(*color, "end_panel"), Qt::LeftButton);
  test::Child<QSlider>(*color, "end_op")->setValue(200);
  test::Child<QPushButton>(*color, "Button1")->click();
  Marks(450, kMarkEnd);
  Click("SpeedButton3");
  test::Child<ColorSwatch>(*color, "end_panel")->setColor(Qt::black);
  test::Child<QSlider>(*color, "end_op")->setValue(255);
  test::Child<QPushButton>(*color, "Button1")->click();
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(window_->editor().finalDocument().undoStack()->count(), 5);

  // Time lines: the running sum of the durations, block by block.
  long double sum = 0;
  double last = -1;
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Block& block = *demo.Blocks[b];
    const Lines lines = block.Lines();
    const double time = TimeOf(lines);
    if (time < 0) continue;
    sum = RoundReal48(sum + DurationOf(block));
    ASSERT_NEAR(time, static_cast<double>(sum), 1e-6) << "block " << b;
    last = time;
  }
  EXPECT_NEAR(last, static_cast<double>(sum), 1e-6);
  // Block 110 lies six tenths into the red tint.
  EXPECT_EQ((*demo.Blocks[110])[3], " stufftext \"v_cshift 255 0 0 120\\n\";");

  const std::string built = dir_.File("effects on e1m1.dem");
  Choose(built);
  Trigger("SaveAs1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();

  // What the saved demo holds: every tint line, and times that read back to
  // the editor's within the precision of the demo's 32-bit floats.
  const std::vector<Lines> saved = test::BlocksOfDemo(built, dir_.Path(), test::TimeLines::kKept);
  ASSERT_EQ(saved.size(), demo.Blocks.size() - 1);
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) {
    const Lines lines = demo.Blocks[b]->Lines();
    EXPECT_EQ(CshiftOf(saved[b - 1]), CshiftOf(lines)) << "block " << b;
    const double time = TimeOf(lines);
    if (time >= 0) {
      EXPECT_NEAR(TimeOf(saved[b - 1]), time, 1e-5 * std::max(1.0, time)) << "block " << b;
    }
  }
  EXPECT_EQ(CshiftOf(saved[449]), " stufftext \"v_cshift 0 0 0 0\\n\";");
  EXPECT_EQ(CshiftOf(saved[602]), " stufftext \"v_cshift 0 0 0 255\\n\";");

  const std::string verdict = Verdict(built);
  EXPECT_EQ(verdict.rfind("PASS", 0), 0u) << verdict;
}

}  // namespace
}  // namespace clipvex
