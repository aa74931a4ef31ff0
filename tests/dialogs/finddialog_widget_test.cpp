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
  SearchFormTest() {
    host_.master = test::StripHolding(DemoWithHits(), 'M', "master.dem");
    form_ = std::make_unique<Tsearch_form>(host_);
  }
  QStringList Listed() const {
    QStringList rows;
    for (int i = 0; i < form_->ListBox1->count(); ++i) rows << form_->ListBox1->item(i)->text();
    return rows;
  }
  void Query(const QString& text) {
    form_->searchq->clear();
    QTest::keyClicks(form_->searchq, text);
  }
  // Lets the window run until the search ends.
  void Finish() {
    QElapsedTimer clock;
    clock.start();
    while (form_->Session().Running() && clock.elapsed() < 20000) QApplication::processEvents();
    ASSERT_FALSE(form_->Session().Running());
  }
  std::string BlockTextOf(std::size_t b) { return BlockText(*host_.master.demo.Blocks[b]); }

  FakeEffectsHost host_;
  std::unique_ptr<Tsearch_form> form_;
  RecordedMessages boxes_;
};

TEST_F(SearchFormTest, IsBuiltHiddenWithItsControls) {
  EXPECT_FALSE(form_->isVisible());
  EXPECT_EQ(form_->windowTitle(), "Find Text");
  EXPECT_EQ(form_->find_butt->text(), "Find");
  EXPECT_TRUE(form_->find_butt->isDefault());
  EXPECT_EQ(form_->findall_butt->text(), "Find All");
  EXPECT_EQ(form_->Button1->text(), "Close");
  EXPECT_EQ(form_->searchq->text(), "");
  EXPECT_EQ(form_->ListBox1->count(), 0);
  EXPECT_EQ(form_->Memo1->toPlainText(), "");
  EXPECT_EQ(form_->ProgressBar1->minimum(), 1);
  EXPECT_EQ(form_->ProgressBar1->maximum(), 64);
  EXPECT_EQ(form_->ProgressBar1->value(), 1);
  QStringList labels;
  for (const QLabel* label : form_->findChildren<QLabel*>()) labels << label->text();
  for (const char* text : {"Text to Find:", "Single Click to view block text", "Double Click to Goto Frame in Filmstrip"}) {
    EXPECT_TRUE(labels.contains(text)) << text;
  }
}

TEST_F(SearchFormTest, FindFindNextAndTheEndOfTheSearch) {
  form_->Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_.get()));
  Query("Quad");
  QTest::keyClick(form_->searchq, Qt::Key_Return);
  Finish();
  EXPECT_EQ(Listed(), QStringList{"7"});
  EXPECT_EQ(form_->find_butt->text(), "Find Next");
  form_->find_butt->click();
  Finish();
  form_->find_butt->click();
  Finish();
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  form_->find_butt->click();
  Finish();
  EXPECT_FALSE(form_->find_butt->isEnabled());
  EXPECT_EQ(form_->find_butt->text(), "Find");
  // Editing the query resets it all.
  QTest::keyClick(form_->searchq, Qt::Key_Backspace);
  EXPECT_TRUE(form_->find_butt->isEnabled());
  EXPECT_EQ(form_->ListBox1->count(), 0);
  // Another letter case: no hit.
  Query("quad");
  form_->find_butt->click();
  Finish();
  EXPECT_EQ(form_->ListBox1->count(), 0);
  EXPECT_FALSE(form_->find_butt->isEnabled());
}

TEST_F(SearchFormTest, FindAllListsEveryHitInOrderAndLeavesTheBarAtItsStart) {
  form_->Open();
  Query("Quad");
  form_->findall_butt->click();
  Finish();
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  EXPECT_EQ(form_->ProgressBar1->value(), 1);
  EXPECT_TRUE(form_->findall_butt->isEnabled());
}

TEST_F(SearchFormTest, AClickShowsTheBlockAndEditsGoIntoItAsOneStepPerBlock) {
  form_->Open();
  Query("Quad");
  form_->findall_butt->click();
  Finish();
  EXPECT_TRUE(form_->Memo1->isReadOnly()) << "nothing to write into yet";
  form_->ListBox1Click(1);
  EXPECT_EQ(ToBytes(form_->Memo1->toPlainText()), BlockTextOf(9));
  EXPECT_FALSE(form_->Memo1->isReadOnly());

  // Typed at the end of the print line: the block changes at once, the
  // caret stays where it is.
  QTextCursor cursor(form_->Memo1->document()->findBlockByNumber(3));
  cursor.movePosition(QTextCursor::EndOfBlock);
  form_->Memo1->setTextCursor(cursor);
  const int caret = cursor.position();
  QTest::keyClicks(form_->Memo1, " //x");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[9])[3]), " print \"Quad Damage\"; //x");
  EXPECT_EQ(form_->Memo1->textCursor().position(), caret + 4);
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 9"});

  // Another block: a second step. Undone, the text box shows it again.
  form_->ListBox1Click(2);
  QTest::keyClicks(form_->Memo1, "!!");
  EXPECT_EQ(host_.StepNames(), (std::vector<std::string>{"Edit Block 9", "Edit Block 40"}));
  host_.Undo();
  form_->BlocksChanged('M');
  EXPECT_EQ(ToBytes(form_->Memo1->toPlainText()), BlockTextOf(40));
  EXPECT_EQ(BlockTextOf(40).find("!!"), std::string::npos);

  // While screenshots are taken the text box is read-only.
  form_->SetDemoLocked(true);
  EXPECT_TRUE(form_->Memo1->isReadOnly());
  form_->SetDemoLocked(false);
  EXPECT_FALSE(form_->Memo1->isReadOnly());
}

TEST_F(SearchFormTest, ADoubleClickPutsTheBlockIntoTheMiddleFrame) {
  TDemFile demo = MakeDemo(600);
  demo.Blocks[6]->Insert(3, " print \"Quad\";");
  demo.Blocks[500]->Insert(3, " print \"Quad\";");
  host_.master = test::StripHolding(std::move(demo), 'M');
  host_.active = 'F';
  form_->Open();
  Query("Quad");
  form_->findall_butt->click();
  Finish();
  EXPECT_EQ(Listed(), QStringList{}) << "the final strip, which holds no demo, was searched";
  host_.active = 'M';
  form_->findall_butt->click();
  Finish();
  ASSERT_EQ(Listed(), (QStringList{"6", "500"}));
  form_->ListBox1DblClick(0);
  form_->ListBox1DblClick(1);
  EXPECT_EQ(host_.moves, (std::vector<std::int32_t>{4, 372}));
}

TEST_F(SearchFormTest, StaleResultsAreFollowedOrDroppedNeverUsed) {
  form_->Open();
  Query("Quad");
  form_->findall_butt->click();
  Finish();
  form_->ListBox1Click(2);
  // Block 40 deleted (kept alive by the undo history): its entry shows it
  // is gone and the text box no longer writes.
  host_.master.inMark = 40;
  host_.master.outMark = 40;
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  form_->BlocksChanged('M');
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40 (gone)"}));
  EXPECT_TRUE(form_->Memo1->isReadOnly());
  // Undone: back in the list and writable.
  host_.Undo();
  form_->BlocksChanged('M');
  EXPECT_EQ(Listed(), (QStringList{"7", "9", "40"}));
  EXPECT_FALSE(form_->Memo1->isReadOnly());
  // Deleted again, then clicked: the entry goes, nothing is shown.
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  form_->ListBox1Click(2);
  EXPECT_EQ(Listed(), (QStringList{"7", "9"}));
  EXPECT_EQ(form_->Memo1->toPlainText(), "");
  // A block pasted in front of 9: clicking its entry finds it at 10.
  host_.master.inMark = 4;
  host_.master.outMark = 4;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(host_.master, silent);
  host_.master.inMark = 8;
  host_.RunEffect(host_.master, "Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }, {});
  form_->ListBox1Click(1);
  EXPECT_EQ(Listed(), (QStringList{"7", "10"}));
  EXPECT_EQ(ToBytes(form_->Memo1->toPlainText()), BlockTextOf(10));
  // The demo closed: the list and the text box are emptied.
  host_.done.clear();
  host_.master.demo = TDemFile{};
  host_.master.fileName.clear();
  form_->DemoReplaced('M');
  EXPECT_EQ(form_->ListBox1->count(), 0);
  EXPECT_EQ(form_->Memo1->toPlainText(), "");
  form_->ListBox1Click(0);
  form_->ListBox1DblClick(0);
  EXPECT_TRUE(host_.moves.empty());
}

TEST_F(SearchFormTest, ALongSearchLetsTheWindowRunAndStops) {
  TDemFile demo = MakeDemo(4000);
  demo.Blocks[3990]->Insert(3, " print \"needle\";");
  host_.master = test::StripHolding(std::move(demo), 'M');
  // Slices as short as they get: a few blocks each.
  form_->sliceMilliseconds = 0;
  form_->Open();
  Query("needle");
  form_->find_butt->click();
  EXPECT_TRUE(form_->Session().Running()) << "the first slice did not reach the end";
  EXPECT_EQ(form_->find_butt->text(), "Stop");
  EXPECT_FALSE(form_->ListBox1->count());
  // The window gets its turns: the bar moves; Stop ends the search.
  QElapsedTimer clock;
  clock.start();
  while (form_->ProgressBar1->value() == 1 && clock.elapsed() < 10000) QApplication::processEvents();
  EXPECT_GT(form_->ProgressBar1->value(), 1);
  EXPECT_TRUE(form_->Session().Running());
  form_->find_butt->click();
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_EQ(form_->find_butt->text(), "Find");
  EXPECT_EQ(form_->ListBox1->count(), 0);
  // Closing the dialog ends a search as well.
  form_->findall_butt->click();
  EXPECT_TRUE(form_->Session().Running());
  form_->Button1->click();
  EXPECT_FALSE(form_->Session().Running());
  EXPECT_TRUE(form_->findall_butt->isEnabled());
}

TEST_F(SearchFormTest, ABlockTheTextBoxCannotHoldByteForByteIsShownButNeverWritten) {
  TDemFile demo = MakeDemo(10);
  demo.Blocks[5]->Insert(3, " print \"zz caf\xe9 \x7f\";");  // Latin-1 survives the box
  demo.Blocks[7]->Insert(3, std::string(" print \"zz a\rb\0c\";", 19));
  host_.master = test::StripHolding(std::move(demo), 'M');
  form_->Open();
  Query("zz");
  form_->findall_butt->click();
  Finish();
  ASSERT_EQ(Listed(), (QStringList{"5", "7"}));
  form_->ListBox1Click(0);
  EXPECT_FALSE(form_->Memo1->isReadOnly());
  QTest::keyClicks(form_->Memo1, "x");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[5])[0]), "xblock {");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[5])[3]), " print \"zz caf\xe9 \x7f\";");

  const std::string before = BlockTextOf(7);
  form_->ListBox1Click(1);
  EXPECT_TRUE(form_->Memo1->isReadOnly());
  EXPECT_FALSE(form_->Memo1->toolTip().isEmpty());
  QTest::keyClicks(form_->Memo1, "x");
  EXPECT_EQ(BlockTextOf(7), before);
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 5"});
}

}  // namespace
}  // namespace clipvex
