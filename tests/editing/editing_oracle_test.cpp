// A demo built the way a user builds one, through the window and the real
// converter: a stretch of a real demo pasted into a new demo, more pasted
// at its end, part of it reversed, a centerprint and a console command
// inserted, saved as .dem. Its dump must hold the blocks in the expected
// order with the inserted lines, and a real engine must play it to its end.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <filesystem>

#include "dialogs/stufftextdialog.h"
#include "document/dumptext.h"
#include "uisupport/mainwindowfixture.h"
#include "uisupport/realengine.h"

namespace clipvex {
namespace {

using test::Lines;
using test::TimeLines;
using test::Verdict;

// The editor's closing block as the converter writes it back.
const Lines kClosingBlock = {"block {", " camera 0 0 0;", " disconnect;", "}"};

// The blocks the converter finds in a demo file; time lines read " time *"
// (the editor rewrites them).
std::vector<Lines> BlocksOfDemo(const std::string& demo, const std::string& work) {
  return test::BlocksOfDemo(demo, work, TimeLines::kMasked);
}

// Inserts `line` where the editor puts inserted text: as line 3.
void InsertAsTheEditorDoes(Lines& block, const std::string& line) { block.insert(block.begin() + 3, line); }

class EditingOracleTest : public test::MainWindowFixture {
 protected:
  void SetUp() override {
    CLIPVEX_NEED_FIXTURES(test::DemoFolder(), test::OracleScript());
    MainWindowFixture::SetUp();
    window_ = MakeWindow();
  }

  void Marks(FilmStripWidget* strip, std::int32_t in, std::int32_t out) {
    strip->state().inMark = in;
    strip->state().outMark = out;
  }
  void Insert(const char* command, const QString& text) {
    Trigger(command);
    StuffTextDialog* stuff = window_->editing().stuffTextDialog();
    test::Child<QLineEdit>(*stuff, "text2insert")->clear();
    QTest::keyClicks(test::Child<QLineEdit>(*stuff, "text2insert"), text);
    test::Child<QPushButton>(*stuff, "ok_butt")->click();
  }
};

TEST_F(EditingOracleTest, ABuiltDemoHoldsItsBlocksInOrderAndPlays) {
  const std::string fixture = test::DemoFixture("p15_e4m2_id101.dem");
  const std::vector<Lines> source = BlocksOfDemo(fixture, dir_.Path());
  ASSERT_GT(source.size(), 800u);

  // Source strip: copy blocks 300 to 499.
  Choose(fixture);
  Trigger("Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  Marks(window_->sourceStrip(), 300, 499);
  Click("copy_butt");

  // Final strip: a new demo, the stretch pasted into it.
  Click("fBF_butt");
  Choose(dir_.File("built.dem"));
  Trigger("New1");
  Click("paste_butt");

  // Blocks 600 to 699 of the source pasted at the end.
  Click("mBF_butt");
  Marks(window_->sourceStrip(), 600, 699);
  Trigger("Copy1");
  Click("fBF_butt");
  Marks(window_->finalStrip(), 4, kMarkEnd);
  Trigger("PasteonEnd1");

  // Blocks 54 to 103 of the final demo reversed, one block per frame.
  window_->finalStrip()->state().step = 1;
  Marks(window_->finalStrip(), 54, 103);
  Trigger("Reverse1");

  // A centerprint into block 4 and a console command into block 10.
  Marks(window_->finalStrip(), 4, kMarkEnd);
  Insert("CenterPrint1", "Welcome to the Tower");
  Marks(window_->finalStrip(), 10, kMarkEnd);
  Insert("ConsoleCommand1", "echo \"edited with Clipvex\"");

  const std::string built = dir_.File("built from e4m2.dem");
  Choose(built);
  Trigger("SaveAs1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_FALSE(window_->editor().finalDocument().isModified());

  // The blocks of the demo dump from 1 on are the block list entries from
  // 1 on; leading block 3 got the console reset line when it was read.
  std::vector<Lines> expected(source.begin(), source.begin() + 3);
  InsertAsTheEditorDoes(expected[2], std::string(kConsoleResetLine));
  expected.insert(expected.end(), source.begin() + 299, source.begin() + 499);
  expected.insert(expected.end(), source.begin() + 599, source.begin() + 699);
  std::reverse(expected.begin() + 53, expected.begin() + 103);
  InsertAsTheEditorDoes(expected[3], " centerprint \"Welcome to the Tower\\n\";");
  InsertAsTheEditorDoes(expected[9], " stufftext \"echo \\\"edited with Clipvex\\\"\\n\";");
  expected.push_back(kClosingBlock);

  const std::vector<Lines> saved = BlocksOfDemo(built, dir_.Path());
  ASSERT_EQ(saved.size(), expected.size());
  for (std::size_t b = 0; b < saved.size(); ++b) ASSERT_EQ(saved[b], expected[b]) << "block " << b + 1;

  const std::string verdict = Verdict(built);
  EXPECT_EQ(verdict.rfind("PASS", 0), 0u) << verdict;
}

TEST_F(EditingOracleTest, TwoLevelsJoinedByPasteNewLevelPlay) {
  const std::string first = test::DemoFixture("p15_e4m2_id101.dem");
  const std::string second = test::DemoFixture("p15_ctf8_mp109.dem");
  const std::vector<Lines> one = BlocksOfDemo(first, dir_.Path());
  const std::vector<Lines> two = BlocksOfDemo(second, dir_.Path());

  // The whole first demo into a new final demo.
  Choose(first);
  Trigger("Open1");
  Trigger("Copy1");
  Click("fBF_butt");
  Choose(dir_.File("joined.dem"));
  Trigger("New1");
  Trigger("Paste1");

  // Blocks 4 to 600 of the second demo as a new level.
  Click("mBF_butt");
  Choose(second);
  Trigger("Open1");
  Marks(window_->sourceStrip(), 4, 600);
  Trigger("Copy1");
  Click("fBF_butt");
  Trigger("PasteNewLevel1");

  const std::string joined = dir_.File("joined.dem");
  Trigger("Save1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();

  std::vector<Lines> expected(one.begin(), one.end() - 1);
  InsertAsTheEditorDoes(expected[2], std::string(kConsoleResetLine));
  expected.insert(expected.end(), two.begin(), two.begin() + 3);
  InsertAsTheEditorDoes(expected.back(), std::string(kConsoleResetLine));
  expected.insert(expected.end(), two.begin() + 3, two.begin() + 600);
  expected.push_back(kClosingBlock);
  const std::vector<Lines> saved = BlocksOfDemo(joined, dir_.Path());
  ASSERT_EQ(saved.size(), expected.size());
  for (std::size_t b = 0; b < saved.size(); ++b) ASSERT_EQ(saved[b], expected[b]) << "block " << b + 1;

  const std::string verdict = Verdict(joined);
  EXPECT_EQ(verdict.rfind("PASS", 0), 0u) << verdict;
}

}  // namespace
}  // namespace clipvex
