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
  ViewerPicture* zoomed_image() const { return test::Child<ViewerPicture>(*viewer_, "zoomed_image"); }
  QPlainTextEdit* blocktext() const { return test::Child<QPlainTextEdit>(*viewer_, "blocktext"); }
  QPushButton* prev_butt() const { return test::Child<QPushButton>(*viewer_, "prev_butt"); }
  QPushButton* next_butt() const { return test::Child<QPushButton>(*viewer_, "next_butt"); }
  QToolButton* play_butt() const { return test::Child<QToolButton>(*viewer_, "play_butt"); }
  QToolButton* stop_butt() const { return test::Child<QToolButton>(*viewer_, "stop_butt"); }
  QLabel* Label1() const { return test::Child<QLabel>(*viewer_, "Label1"); }
  QLabel* Label2() const { return test::Child<QLabel>(*viewer_, "Label2"); }
  ViewerTest() {
    host_.master = test::StripHolding(MakeDemo(30), 'M');
    host_.final = test::StripHolding(MakeDemo(20, "F"), 'F');
    viewer_ = std::make_unique<BlockViewer>(host_);
    viewer_->setPictureLoader([this](const QString& path) {
      loaded_.push_back(QFileInfo(path).fileName());
      return QImage(loaded_.size() * 10, 20, QImage::Format_RGB32);
    });
  }
  void Thumbnail(char letter, std::int64_t block) {
    test::WriteFile(ThumbnailPath(host_.settings, letter, block), "pcx");
  }
  std::string Shown() { return ToBytes(blocktext()->toPlainText()); }
  std::string TextOf(const StripState& strip, std::size_t b) const { return BlockText(*strip.demo.Blocks[b]); }

  FakeEffectsHost host_;
  std::unique_ptr<BlockViewer> viewer_;
  QStringList loaded_;
};

TEST_F(ViewerTest, IsBuiltHiddenWithItsControls) {
  EXPECT_FALSE(viewer_->isVisible());
  EXPECT_EQ(viewer_->windowTitle(), "Clipvex");
  EXPECT_EQ(viewer_->size(), QSize(435, 350));
  EXPECT_EQ(prev_butt()->text(), "<");
  EXPECT_EQ(prev_butt()->toolTip(), "Move one block left");
  EXPECT_EQ(next_butt()->text(), ">");
  EXPECT_EQ(next_butt()->toolTip(), "Move one block right");
  EXPECT_EQ(play_butt()->toolTip(), "Scroll through forwards");
  EXPECT_EQ(stop_butt()->toolTip(), "Stop scrolling");
  EXPECT_FALSE(play_butt()->isChecked());
  EXPECT_EQ(Label1()->text(), "Current Block: ");
  EXPECT_FALSE(viewer_->isTextMode());
}

TEST_F(ViewerTest, TextModeShowsStepsAndEditsTheBlock) {
  viewer_->showBlock(12, true);
  ASSERT_TRUE(QTest::qWaitForWindowActive(viewer_.get()));
  EXPECT_TRUE(viewer_->isTextMode());
  EXPECT_TRUE(zoomed_image()->isHidden());
  EXPECT_EQ(Label2()->text(), "12");
  EXPECT_EQ(Shown(), TextOf(host_.master, 12));

  // An edit goes into the block at once: one step for the block.
  QTest::keyClicks(blocktext(), "// seen ");
  EXPECT_EQ(std::string((*host_.master.demo.Blocks[12])[0]), "// seen block {");
  EXPECT_EQ(host_.StepNames(), std::vector<std::string>{"Edit Block 12"});
  next_butt()->click();
  EXPECT_EQ(Label2()->text(), "13");
  EXPECT_EQ(Shown(), TextOf(host_.master, 13));
  prev_butt()->click();
  EXPECT_EQ(Shown().substr(0, 15), "// seen block {");

  // "<" stops at 0, ">" at the last block.
  viewer_->showBlock(0, true);
  prev_butt()->click();
  EXPECT_EQ(Label2()->text(), "0");
  EXPECT_EQ(Shown(), host_.master.demo.Header);
  viewer_->showBlock(34, true);
  next_butt()->click();
  EXPECT_EQ(Label2()->text(), "34");

  // A line the text box would change (a carriage return) is shown, never
  // written back.
  host_.master.demo.Blocks[20]->Insert(3, " print \"a\rb\";");
  const std::string before = TextOf(host_.master, 20);
  viewer_->showBlock(20, true);
  EXPECT_TRUE(blocktext()->isReadOnly());
  QTest::keyClicks(blocktext(), "x");
  EXPECT_EQ(TextOf(host_.master, 20), before);
}

TEST_F(ViewerTest, ImageModeLoadsTheThumbnailOfTheActiveStripAndKeepsTheLastWhenThereIsNone) {
  host_.active = 'F';
  Thumbnail('F', 12);
  Thumbnail('M', 13);
  viewer_->showBlock(12, false);
  EXPECT_FALSE(viewer_->isTextMode());
  EXPECT_EQ(loaded_, QStringList{"F12.pcx"});
  EXPECT_EQ(zoomed_image()->image().width(), 10);
  next_butt()->click();  // F13.pcx does not exist
  EXPECT_EQ(Label2()->text(), "13");
  EXPECT_EQ(loaded_, QStringList{"F12.pcx"});
  EXPECT_EQ(zoomed_image()->image().width(), 10) << "the previous picture stays";
}

TEST_F(ViewerTest, TheScrollRunsOnWrapsToBlockFourAndEndsWhenTheViewerCloses) {
  for (std::int64_t b : {33, 34, 4, 5, 6}) Thumbnail('M', b);
  viewer_->showBlock(33, false);
  loaded_.clear();
  play_butt()->click();
  EXPECT_TRUE(viewer_->isScrolling());
  QElapsedTimer clock;
  clock.start();
  while (loaded_.size() < 4 && clock.elapsed() < 10000) QApplication::processEvents();
  stop_butt()->click();
  ASSERT_GE(loaded_.size(), 4);
  EXPECT_EQ(loaded_.mid(0, 4), (QStringList{"M33.pcx", "M34.pcx", "M4.pcx", "M5.pcx"}));
  EXPECT_FALSE(viewer_->isScrolling());
  EXPECT_FALSE(play_butt()->isChecked());
  EXPECT_TRUE(stop_butt()->isChecked());

  play_butt()->click();
  EXPECT_TRUE(viewer_->isScrolling());
  viewer_->close();
  EXPECT_FALSE(viewer_->isScrolling());
  EXPECT_FALSE(play_butt()->isChecked());
}

TEST_F(ViewerTest, ATargetThatLeftTheDemoIsNeverWritten) {
  viewer_->showBlock(10, true);
  const std::string shown = Shown();
  host_.master.inMark = 10;
  host_.master.outMark = 10;
  host_.RunEffect(host_.master, "Delete", DeleteBlocks, {});
  viewer_->stripBlocksChanged('M');
  EXPECT_TRUE(blocktext()->isReadOnly());
  EXPECT_EQ(Label2()->text(), "10 (gone)");
  EXPECT_EQ(Shown(), shown);
  host_.Undo();
  viewer_->stripBlocksChanged('M');
  EXPECT_FALSE(blocktext()->isReadOnly());
  EXPECT_EQ(Label2()->text(), "10");

  // Blocks pasted in front: the number follows the block shown.
  host_.master.inMark = 4;
  host_.master.outMark = 5;
  SilentFeedback silent;
  const ClipboardPtr clip = CopyBlocks(host_.master, silent);
  host_.master.inMark = 6;
  host_.RunEffect(host_.master, "Paste", [clip](StripEdit& e) { PasteBlocks(e, *clip); }, {});
  viewer_->stripBlocksChanged('M');
  EXPECT_EQ(Label2()->text(), "12");
  EXPECT_EQ(Shown(), TextOf(host_.master, 12));

  // The demo closed: nothing to show or write.
  host_.done.clear();
  host_.master.demo = TDemFile{};
  host_.master.fileName.clear();
  viewer_->stripDemoReplaced('M');
  EXPECT_EQ(Shown(), "");
  EXPECT_TRUE(blocktext()->isReadOnly());
  next_butt()->click();
  prev_butt()->click();
  EXPECT_EQ(Shown(), "");

  // Locked while screenshots are taken.
  host_.master = test::StripHolding(MakeDemo(30), 'M');
  viewer_->showBlock(8, true);
  EXPECT_FALSE(blocktext()->isReadOnly());
  viewer_->setDemoLocked(true);
  EXPECT_TRUE(blocktext()->isReadOnly());
}

}  // namespace
}  // namespace clipvex
