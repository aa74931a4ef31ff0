#include "dialogs/finddialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

#include "dialogtesthelpers.h"
#include "effects/effectshosttesthelpers.h"

namespace clipvex {
namespace {

using test::FakeEffectsHost;
using test::MakeDemo;
using test::RecordedMessages;

// A demo whose blocks 7, 9 and 40 print "Quad Damage".
TDemFile DemoWithHits(int blocks = 60) {
  TDemFile demo = MakeDemo(blocks);
  for (std::size_t b : {7, 9, 40}) demo.Blocks[b]->Insert(3, " print \"Quad Damage\";");
  return demo;
}

class SearchFormTest : public ::testing::Test {
 protected:
  QLineEdit* searchq() const { return test::Child<QLineEdit>(*form_, "searchq"); }
  QPushButton* find_butt() const { return test::Child<QPushButton>(*form_, "find_butt"); }
  QPushButton* findall_butt() const { return test::Child<QPushButton>(*form_, "findall_butt"); }
  QPushButton* Button1() const { return test::Child<QPushButton>(*form_, "Button1"); }
  QProgressBar* ProgressBar1() const { return test::Child<QProgressBar>(*form_, "ProgressBar1"); }
  QListWidget* ListBox1() const { return test::Child<QListWidget>(*form_, "ListBox1"); }
  QPlainTextEdit* Memo1() const { return test::Child<QPlainTextEdit>(*form_, "Memo1"); }
  SearchFormTest() {
    host_.master = test::StripHolding(DemoWithHits(), 'M', "master.dem");
    form_ = std::make_unique<FindTextDialog>(host_);
  }
  QStringList Listed() const {
    QStringList rows;
    for (int i = 0; i < ListBox1()->count(); ++i) rows << ListBox1()->item(i)->text();
    return rows;
  }
  void Query(const QString& text) {
    searchq()->clear();
    QTest::keyClicks(searchq(), text);
  }
  // Lets the window run until the search ends.
  void Finish() {
    QElapsedTimer clock;
    clock.start();
    while (form_->session().Running() && clock.elapsed() < 20000) QApplication::processEvents();
    ASSERT_FALSE(form_->session().Running());
  }
  std::string BlockTextOf(std::size_t b) { return BlockText(*host_.master.demo.Blocks[b]); }

  FakeEffectsHost host_;
  std::unique_ptr<FindTextDialog> form_;
  RecordedMessages boxes_;
};

TEST_F(SearchFormTest, IsBuiltHiddenWithItsControls) {
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->windowTitle(), "Find Text");
  EXPECT_EQ(find_butt()->text(), "Find");
  EXPECT_TRUE(find_butt()->isDefault());
  EXPECT_EQ(findall_butt()->text(), "Find All");
  EXPECT_EQ(Button1()->text(), "Close");
  EXPECT_EQ(searchq()->text(), "");
  EXPECT_EQ(ListBox1()->count(), 0);
  EXPECT_EQ(Memo1()->toPlainText(), "");
  EXPECT_EQ(ProgressBar1()->minimum(), 1);
  EXPECT_EQ(ProgressBar1()->maximum(), 64);
  EXPECT_EQ(ProgressBar1()->value(), 1);
  QStringList labels;
  for (const QLabel* label : form_->findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Text to Find:", "Single Click to view block text", "Double Click to Goto Frame in Filmstrip"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
}

TEST_F(SearchFormTest, FindFindNextAndTheEndOfTheSearch) {
  form_->showModeless();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  Query("Quad");
  QTest::keyClick(searchq(), Qt::Key_Return);
  Finish();
  EXPECT_EQ(Listed(), QStringList{"7"});
  EXPECT_EQ(find_butt()->text(), "Find Next");
  find_butt()->click();
  Finish();
  find_butt()->click();
  Finish();
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  find_butt()->click();
  Finish();
  EXPECT_FALSE(find_butt()->isEnabled());
  EXPECT_EQ(find_butt()->text(), "Find");
  // Editing the query resets it all.
  QTest::keyClick(searchq(), Qt::Key_Backspace);
  EXPECT_TRUE(find_butt()->isEnabled());
  EXPECT_EQ(ListBox1()->count(), 0);
  // Another letter case: no hit.
  Query("quad");
  find_butt()->click();
  Finish();
  EXPECT_EQ(ListBox1()->count(), 0);
  EXPECT_FALSE(find_butt()->isEnabled());
}

TEST_F(SearchFormTest, FindAllListsEveryHitInOrderAndLeavesTheBarAtItsStart) {
  form_->showModeless();
  Query("Quad");
  findall_butt()->click();
  Finish();
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  EXPECT_EQ(ProgressBar1()->value(), 1);
  EXPECT_TRUE(findall_butt()->isEnabled());
}

TEST_F(SearchFormTest, AClickShowsTheBlockAndEditsGoIntoItAsOneStepPerBlock) {
  form_->showModeless();
  Query("Quad");
  findall_butt()->click();
  Finish();
  EXPECT_TRUE(Memo1()->isReadOnly()) << "nothing to write into yet";
  form_->showResult(1);
  EXPECT_EQ(ToBytes(Memo1()->toPlainText()), BlockTextOf(9));
  EXPECT_FALSE(Memo1()->isReadOnly());

  // Typed at the end of the print line: the block changes at once, the
  // caret stays where it is.
  QTextCursor cursor(Memo1()->document()->findBlockByNumber(3));
  cursor.movePosition(QTextCursor::EndOfBlock);
  Memo1()->setTextCursor(cursor);
  const int caret = cursor.position();
  QTest::keyClicks(Memo1(), " //x");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[9])[3]), " print \"Quad Damage\"; //x");
  EXPECT_EQ(Memo1()->textCursor().position(), caret + 4);
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 9"});

  // Another block: a second step. Undone, the text box shows it again.
  form_->showResult(2);
  QTest::keyClicks(Memo1(), "!!");
  EXPECT_EQ(host_.StepNames(), (std::vector<std::string>{"Edit Block 9", "Edit Block 40"}));
  host_.Undo();
  form_->stripBlocksChanged('M');
  EXPECT_EQ(ToBytes(Memo1()->toPlainText()), BlockTextOf(40));
  EXPECT_EQ(BlockTextOf(40).find("!!"), std::string::npos);

  // While screenshots are taken the text box is read-only.
  form_->setDemoLocked(true);
  EXPECT_TRUE(Memo1()->isReadOnly());
  form_->setDemoLocked(false);
  EXPECT_FALSE(Memo1()->isReadOnly());
}

TEST_F(SearchFormTest, ADoubleClickPutsTheBlockIntoTheMiddleFrame) {
  TDemFile demo = MakeDemo(600);
  demo.Blocks[6]->Insert(3, " print \"Quad\";");
  demo.Blocks[500]->Insert(3, " print \"Quad\";");
  host_.master = test::StripHolding(std::move(demo), 'M');
  host_.active = 'F';
  form_->showModeless();
  Query("Quad");
  findall_butt()->click();
  Finish();
  EXPECT_EQ(Listed(), QStringList{}) << "the final strip, which holds no demo, was searched";
  host_.active = 'M';
  findall_butt()->click();
  Finish();
  ASSERT_EQ(Listed(), (QStringList{"6", "500"}));
  form_->goToResult(0);
  form_->goToResult(1);
  EXPECT_EQ(host_.moves, (std::vector<std::int32_t>{4, 372}));
}

TEST_F(SearchFormTest, StaleResultsAreFollowedOrDroppedNeverUsed) {
  form_->showModeless();
  Query("Quad");
  findall_butt()->click();
  Finish();
  form_->showResult(2);
  // Block 40 deleted (kept alive by the undo history): its entry shows it
  // is gone and the text box no longer writes.
  host_.master.inMark = 40;
  host_.master.outMark = 40;
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  form_->stripBlocksChanged('M');
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40 (gone)"}));
  EXPECT_TRUE(Memo1()->isReadOnly());
  // Undone: back in the list and writable.
  host_.Undo();
  form_->stripBlocksChanged('M');
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  EXPECT_FALSE(Memo1()->isReadOnly());
  // Deleted again, then clicked: the entry goes, nothing is shown.
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  form_->showResult(2);
  EXPECT_EQ(Listed(), (QStringList{"7", "9"}));
  EXPECT_EQ(Memo1()->toPlainText(), "");
  // A block pasted in front of 9: clicking its entry finds it at 10.
  host_.master.inMark = 4;
  host_.master.outMark = 4;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(host_.master, silent);
  host_.master.inMark = 8;
  host_.RunEffect(host_.master, "Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }, {});
  form_->showResult(1);
  EXPECT_EQ(Listed(), (QStringList{"7", "10"}));
  EXPECT_EQ(ToBytes(Memo1()->toPlainText()), BlockTextOf(10));
  // The demo closed: the list and the text box are emptied.
  host_.done.clear();
  host_.master.demo = TDemFile{};
  host_.master.fileName.clear();
  form_->stripDemoReplaced('M');
  EXPECT_EQ(ListBox1()->count(), 0);
  EXPECT_EQ(Memo1()->toPlainText(), "");
  form_->showResult(0);
  form_->goToResult(0);
  EXPECT_TRUE(host_.moves.empty());
}

TEST_F(SearchFormTest, ALongSearchLetsTheWindowRunAndStops) {
  TDemFile demo = MakeDemo(4000);
  demo.Blocks[3990]->Insert(3, " print \"needle\";");
  host_.master = test::StripHolding(std::move(demo), 'M');
  // Slices as short as they get: a few blocks each.
  form_->setSliceMilliseconds(0);
  form_->showModeless();
  Query("needle");
  find_butt()->click();
  EXPECT_TRUE(form_->session().Running()) << "the first slice did not reach the end";
  EXPECT_EQ(find_butt()->text(), "Stop");
  EXPECT_FALSE(ListBox1()->count());
  // The window gets its turns: the bar moves; Stop ends the search.
  QElapsedTimer clock;
  clock.start();
  while (ProgressBar1()->value() == 1 && clock.elapsed() < 10000) QApplication::processEvents();
  EXPECT_GT(ProgressBar1()->value(), 1);
  EXPECT_TRUE(form_->session().Running());
  find_butt()->click();
  EXPECT_FALSE(form_->session().Running());
  EXPECT_EQ(find_butt()->text(), "Find");
  EXPECT_EQ(ListBox1()->count(), 0);
  // Closing the dialog ends a search as well.
  findall_butt()->click();
  EXPECT_TRUE(form_->session().Running());
  Button1()->click();
  EXPECT_FALSE(form_->session().Running());
  EXPECT_TRUE(findall_butt()->isEnabled());
}

TEST_F(SearchFormTest, ABlockTheTextBoxCannotHoldByteForByteIsShownButNeverWritten) {
  TDemFile demo = MakeDemo(10);
  demo.Blocks[5]->Insert(3, " print \"zz caf\xe9 \x7f\";");  // Latin-1 survives the box
  demo.Blocks[7]->Insert(3, std::string(" print \"zz a\rb\0c\";", 19));
  host_.master = test::StripHolding(std::move(demo), 'M');
  form_->showModeless();
  Query("zz");
  findall_butt()->click();
  Finish();
  ASSERT_EQ(Listed(), (QStringList{"5", "7"}));
  form_->showResult(0);
  EXPECT_FALSE(Memo1()->isReadOnly());
  QTest::keyClicks(Memo1(), "x");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[5])[0]), "xblock {");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[5])[3]), " print \"zz caf\xe9 \x7f\";");

  const std::string before = BlockTextOf(7);
  form_->showResult(1);
  EXPECT_TRUE(Memo1()->isReadOnly());
  EXPECT_FALSE(Memo1()->toolTip().isEmpty());
  QTest::keyClicks(Memo1(), "x");
  EXPECT_EQ(BlockTextOf(7), before);
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 5"});
}

}  // namespace
}  // namespace clipvex
