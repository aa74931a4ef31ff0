#include "dialogs/blockviewer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "dialogtesthelpers.h"
#include "effects/effectshosttesthelpers.h"

namespace clipvex {
namespace {

using test::FakeEffectsHost;
using test::MakeDemo;

// Thumbnail files hold the name of the file they stand for; the loader
// makes a picture whose width tells which file it was.
class ViewerTest : public ::testing::Test {
 protected:
  ViewerTest() {
    host_.master = test::StripHolding(MakeDemo(30), 'M');
    host_.final = test::StripHolding(MakeDemo(20, "F"), 'F');
    viewer_ = std::make_unique<Tetc_form>(host_);
    viewer_->loadPicture = [this](const QString& path) {
      loaded_.push_back(QFileInfo(path).fileName());
      return QImage(loaded_.size() * 10, 20, QImage::Format_RGB32);
    };
  }
  void Thumbnail(char letter, std::int64_t block) {
    test::WriteFile(ThumbnailPath(host_.settings, letter, block), "pcx");
  }
  std::string Shown() const { return ToBytes(viewer_->blocktext->toPlainText()); }
  std::string TextOf(const StripState& strip, std::size_t b) const { return BlockText(*strip.demo.Blocks[b]); }

  FakeEffectsHost host_;
  std::unique_ptr<Tetc_form> viewer_;
  QStringList loaded_;
};

TEST_F(ViewerTest, IsBuiltHiddenWithItsControls) {
  EXPECT_FALSE(viewer_->isVisible());
  EXPECT_EQ(viewer_->windowTitle(), "Clipvex");
  EXPECT_EQ(viewer_->size(), QSize(435, 350));
  EXPECT_EQ(viewer_->prev_butt->text(), "<");
  EXPECT_EQ(viewer_->prev_butt->toolTip(), "Move one block left");
  EXPECT_EQ(viewer_->next_butt->text(), ">");
  EXPECT_EQ(viewer_->next_butt->toolTip(), "Move one block right");
  EXPECT_EQ(viewer_->play_butt->toolTip(), "Scroll through forwards");
  EXPECT_EQ(viewer_->stop_butt->toolTip(), "Stop scrolling");
  EXPECT_FALSE(viewer_->play_butt->isChecked());
  EXPECT_EQ(viewer_->Label1->text(), "Current Block: ");
  EXPECT_FALSE(viewer_->TextMode());
}

TEST_F(ViewerTest, TextModeShowsStepsAndEditsTheBlock) {
  viewer_->Open(12, true);
  ASSERT_TRUE(QTest::qWaitForWindowActive(viewer_.get()));
  EXPECT_TRUE(viewer_->TextMode());
  EXPECT_TRUE(viewer_->zoomed_image->isHidden());
  EXPECT_EQ(viewer_->Label2->text(), "12");
  EXPECT_EQ(Shown(), TextOf(host_.master, 12));

  // An edit goes into the block at once: one step for the block.
  QTest::keyClicks(viewer_->blocktext, "// seen ");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[12])[0]), "// seen block {");
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 12"});
  viewer_->next_butt->click();
  EXPECT_EQ(viewer_->Label2->text(), "13");
  EXPECT_EQ(Shown(), TextOf(host_.master, 13));
  viewer_->prev_butt->click();
  EXPECT_EQ(Shown().substr(0, 15), "// seen block {");

  // "<" stops at 0, ">" at the last block.
  viewer_->Open(0, true);
  viewer_->prev_butt->click();
  EXPECT_EQ(viewer_->Label2->text(), "0");
  EXPECT_EQ(Shown(), host_.master.demo.Header);
  viewer_->Open(34, true);
  viewer_->next_butt->click();
  EXPECT_EQ(viewer_->Label2->text(), "34");

  // A line the text box would change (a carriage return) is shown, never
  // written back.
  host_.master.demo.Blocks[20]->Insert(3, " print \"a\rb\";");
  const std::string before = TextOf(host_.master, 20);
  viewer_->Open(20, true);
  EXPECT_TRUE(viewer_->blocktext->isReadOnly());
  QTest::keyClicks(viewer_->blocktext, "x");
  EXPECT_EQ(TextOf(host_.master, 20), before);
}

TEST_F(ViewerTest, ImageModeLoadsTheThumbnailOfTheActiveStripAndKeepsTheLastWhenThereIsNone) {
  host_.active = 'F';
  Thumbnail('F', 12);
  Thumbnail('M', 13);
  viewer_->Open(12, false);
  EXPECT_FALSE(viewer_->TextMode());
  EXPECT_EQ(loaded_, QStringList{"F12.pcx"});
  EXPECT_EQ(viewer_->zoomed_image->Image().width(), 10);
  viewer_->next_butt->click();  // F13.pcx does not exist
  EXPECT_EQ(viewer_->Label2->text(), "13");
  EXPECT_EQ(loaded_, QStringList{"F12.pcx"});
  EXPECT_EQ(viewer_->zoomed_image->Image().width(), 10) << "the previous picture stays";
}

TEST_F(ViewerTest, TheScrollRunsOnWrapsToBlockFourAndEndsWhenTheViewerCloses) {
  for (std::int64_t b : {33, 34, 4, 5, 6}) Thumbnail('M', b);
  viewer_->Open(33, false);
  loaded_.clear();
  viewer_->play_butt->click();
  EXPECT_TRUE(viewer_->Scrolling());
  QElapsedTimer clock;
  clock.start();
  while (loaded_.size() < 4 && clock.elapsed() < 10000) QApplication::processEvents();
  viewer_->stop_butt->click();
  ASSERT_GE(loaded_.size(), 4);
  EXPECT_EQ(loaded_.mid(0, 4), (QStringList{"M33.pcx", "M34.pcx", "M4.pcx", "M5.pcx"}));
  EXPECT_FALSE(viewer_->Scrolling());
  EXPECT_FALSE(viewer_->play_butt->isChecked());
  EXPECT_TRUE(viewer_->stop_butt->isChecked());

  viewer_->play_butt->click();
  EXPECT_TRUE(viewer_->Scrolling());
  viewer_->close();
  EXPECT_FALSE(viewer_->Scrolling());
  EXPECT_FALSE(viewer_->play_butt->isChecked());
}

TEST_F(ViewerTest, ATargetThatLeftTheDemoIsNeverWritten) {
  viewer_->Open(10, true);
  const std::string shown = Shown();
  host_.master.inMark = 10;
  host_.master.outMark = 10;
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  viewer_->BlocksChanged('M');
  EXPECT_TRUE(viewer_->blocktext->isReadOnly());
  EXPECT_EQ(viewer_->Label2->text(), "10 (gone)");
  EXPECT_EQ(Shown(), shown);
  host_.Undo();
  viewer_->BlocksChanged('M');
  EXPECT_FALSE(viewer_->blocktext->isReadOnly());
  EXPECT_EQ(viewer_->Label2->text(), "10");

  // Blocks pasted in front: the number follows the block shown.
  host_.master.inMark = 4;
  host_.master.outMark = 5;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(host_.master, silent);
  host_.master.inMark = 6;
  host_.RunEffect(host_.master, "Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }, {});
  viewer_->BlocksChanged('M');
  EXPECT_EQ(viewer_->Label2->text(), "12");
  EXPECT_EQ(Shown(), TextOf(host_.master, 12));

  // The demo closed: nothing to show or write.
  host_.done.clear();
  host_.master.demo = TDemFile{};
  host_.master.fileName.clear();
  viewer_->DemoReplaced('M');
  EXPECT_EQ(Shown(), "");
  EXPECT_TRUE(viewer_->blocktext->isReadOnly());
  viewer_->next_butt->click();
  viewer_->prev_butt->click();
  EXPECT_EQ(Shown(), "");

  // Locked while screenshots are taken.
  host_.master = test::StripHolding(MakeDemo(30), 'M');
  viewer_->Open(8, true);
  EXPECT_FALSE(viewer_->blocktext->isReadOnly());
  viewer_->SetDemoLocked(true);
  EXPECT_TRUE(viewer_->blocktext->isReadOnly());
}

}  // namespace
}  // namespace clipvex
