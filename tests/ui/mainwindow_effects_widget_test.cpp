// Change Speed, Color Fade, Find Text and the block viewer through the main
// window: their openers, each change one step of the strip's undo history,
// text edits one step per block, the Del shortcut, the lock while
// screenshots are taken, and references that never outlive their blocks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <QToolButton>
#include <QUndoStack>
#include <algorithm>

#include "dialogs/blockviewer.h"
#include "dialogs/colorfadedialog.h"
#include "dialogs/finddialog.h"
#include "dialogs/speeddialog.h"
#include "document/dumptext.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using test::DumpOf;
using test::ShownTitle;

class EffectsWindowTest : public test::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    window_ = MakeWindow();
  }

  // A generated demo of `blocks` blocks opened into the source strip.
  void Open(int blocks) {
    const std::string path = dir_.File("source.dem");
    ASSERT_EQ(test::MakeDemo(path, blocks), 0);
    MainWindowFixture::Open(*window_, path);
  }
  StripState& Master() { return window_->sourceStrip()->state(); }
  QUndoStack* History() { return window_->editor().sourceDocument().undoStack(); }
  void SetText(QLineEdit* box, const QString& text) {
    box->clear();
    QTest::keyClicks(box, text);
  }
  void FindAll(const QString& query) {
    FindTextDialog* search = window_->effects().findDialog();
    SetText(test::Child<QLineEdit>(*search, "searchq"), query);
    test::Child<QPushButton>(*search, "findall_butt")->click();
    QElapsedTimer clock;
    clock.start();
    while (search->session().Running() && clock.elapsed() < 20000) QApplication::processEvents();
  }
  QStringList Listed() {
    QStringList rows;
    QListWidget* list = test::Child<QListWidget>(*window_->effects().findDialog(), "ListBox1");
    for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
  }
  std::string BlockTextOf(std::size_t b) { return BlockText(*Master().demo.Blocks[b]); }
};

TEST_F(EffectsWindowTest, OpenersShowTheirDialogsOnlyWithADemo) {
  ASSERT_NE(window_->effects().speedDialog(), nullptr);
  Trigger("Find1");
  Trigger("ChangeSpeed1");
  Trigger("ColorFade1");
  window_->findChild<QToolButton*>("SpeedButton3")->click();
  EXPECT_FALSE(window_->effects().findDialog()->isVisible());
  EXPECT_FALSE(window_->effects().speedDialog()->isVisible());
  EXPECT_FALSE(window_->effects().colorFadeDialog()->isVisible());
  EXPECT_EQ(Action("Find1")->shortcut(), QKeySequence("Ctrl+F"));

  Open(100);
  Master().inMark = 12;
  Master().outMark = 20;
  Trigger("ChangeSpeed1");
  EXPECT_TRUE(window_->effects().speedDialog()->isVisible());
  EXPECT_EQ(test::Child<QLineEdit>(*window_->effects().speedDialog(), "st_block")->text(), "12");
  EXPECT_EQ(test::Child<QLineEdit>(*window_->effects().speedDialog(), "end_block")->text(), "20");
  window_->findChild<QToolButton*>("SpeedButton3")->click();
  EXPECT_TRUE(window_->effects().colorFadeDialog()->isVisible());
  EXPECT_EQ(test::Child<QLineEdit>(*window_->effects().colorFadeDialog(), "end_block")->text(), "20");
  Trigger("Find1");
  EXPECT_TRUE(window_->effects().findDialog()->isVisible());
  // The main tool bar's "Change Speed" button is the stop of screenshot runs.
  window_->effects().speedDialog()->hide();
  window_->findChild<QToolButton*>("SpeedButton2")->click();
  EXPECT_FALSE(window_->effects().speedDialog()->isVisible());
  EXPECT_TRUE(window_->editor().stopRequested());
}

TEST_F(EffectsWindowTest, ASpeedRampAndAFadeAreOneStepEachAndUndoGivesBackTheDumpText) {
  Open(200);
  const std::string opened = DumpOf(Master().demo);
  Master().inMark = 20;
  Master().outMark = 80;
  Trigger("ChangeSpeed1");
  SpeedDialog* speed = window_->effects().speedDialog();
  test::Child<QRadioButton>(*speed, "fade_butt")->click();
  SetText(test::Child<QLineEdit>(*speed, "percent_edit"), "40");
  test::Child<QPushButton>(*speed, "Button1")->click();
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(History()->count(), 1);
  EXPECT_EQ(History()->text(0), "Change Speed");
  EXPECT_EQ(ShownTitle(*window_), "source.dem* - Clipvex");
  const std::string ramped = DumpOf(Master().demo);
  EXPECT_NE(ramped, opened);

  Trigger("ColorFade1");
  ColorFadeDialog* color = window_->effects().colorFadeDialog();
  test::Child<QPushButton>(*color, "Button1")->click();
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(History()->count(), 2);
  EXPECT_EQ(History()->text(1), "Color Fade");
  EXPECT_EQ((*Master().demo.Blocks[80])[3], " stufftext \"v_cshift 0 0 0 255\\n\";");
  const std::string faded = DumpOf(Master().demo);

  Trigger("Undo1");
  EXPECT_EQ(DumpOf(Master().demo), ramped);
  Trigger("Undo1");
  EXPECT_EQ(DumpOf(Master().demo), opened);
  EXPECT_EQ(ShownTitle(*window_), "source.dem - Clipvex");
  Trigger("Redo1");
  Trigger("Redo1");
  EXPECT_EQ(DumpOf(Master().demo), faded);

  // A fade that cannot be made: the message, the dialog stays, no step.
  Master().inMark = 30;
  Master().outMark = 30;
  Trigger("ColorFade1");
  test::Child<QPushButton>(*color, "Button1")->click();
  EXPECT_EQ(boxes_, std::vector<QString>{"Clipvex: Invalid floating point operation"});
  EXPECT_TRUE(color->isVisible());
  EXPECT_EQ(History()->count(), 2);
}

TEST_F(EffectsWindowTest, TypingInFindTextIsOneStepPerBlockAndKeepsTheCaret) {
  Open(120);
  Trigger("Find1");
  FindAll("camera");
  ASSERT_GE(Listed().size(), 10);
  FindTextDialog* search = window_->effects().findDialog();
  const int row = 5;
  const std::size_t block = Listed()[row].toULongLong();
  search->showResult(row);
  QPlainTextEdit* memo = test::Child<QPlainTextEdit>(*search, "Memo1");
  QTextCursor cursor = memo->textCursor();
  cursor.movePosition(QTextCursor::End);
  memo->setTextCursor(cursor);
  const int caret = cursor.position();
  QTest::keyClicks(memo, " hi");
  EXPECT_EQ(memo->textCursor().position(), caret + 3);
  EXPECT_EQ(Master().demo.Blocks[block]->Last().substr(Master().demo.Blocks[block]->Last().size() - 3), " hi");
  EXPECT_EQ(History()->count(), 1);
  EXPECT_EQ(History()->text(0), QString("Edit Block %1").arg(block));
  EXPECT_EQ(ShownTitle(*window_), "source.dem* - Clipvex");

  // Typed away again: the step leaves the history, the demo is unchanged.
  for (int i = 0; i < 3; ++i) QTest::keyClick(memo, Qt::Key_Backspace);
  EXPECT_EQ(History()->count(), 0);
  EXPECT_EQ(ShownTitle(*window_), "source.dem - Clipvex");

  // Two blocks: two steps; undo shows the block's text as it was again.
  QTest::keyClicks(memo, "!");
  search->showResult(row + 1);
  EXPECT_NE(ToBytes(memo->toPlainText()), BlockTextOf(block));
  QTest::keyClicks(memo, "?");
  EXPECT_EQ(History()->count(), 2);
  Trigger("Undo1");
  EXPECT_EQ(ToBytes(memo->toPlainText()), BlockTextOf(Listed()[row + 1].toULongLong()));
  EXPECT_EQ(memo->toPlainText().count('?'), 0);

  // A line the file keeps (the memo ends with the duration comment, which
  // is not saved): before the block's closing brace.
  cursor = memo->textCursor();
  cursor.movePosition(QTextCursor::End);
  cursor.movePosition(QTextCursor::Up);
  cursor.movePosition(QTextCursor::StartOfLine);
  memo->setTextCursor(cursor);
  QTest::keyClicks(memo, " print \"saved\";");
  QTest::keyClick(memo, Qt::Key_Return);
  EXPECT_EQ(History()->count(), 2) << "the undone step gave way";

  // Saved over the open demo: the file reads back as the demo in memory.
  // After the save, typing makes a new step.
  Trigger("Save1");
  EXPECT_EQ(ShownTitle(*window_), "source.dem - Clipvex");
  const std::vector<std::string> saved = test::SavedLines(dir_.File("source.dem"));
  EXPECT_EQ(saved, test::LinesOf(Master().demo));
  EXPECT_NE(std::find(saved.begin(), saved.end(), " print \"saved\";"), saved.end());
  QTest::keyClicks(memo, "+");
  EXPECT_EQ(History()->count(), 3);
  EXPECT_EQ(ShownTitle(*window_), "source.dem* - Clipvex");
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(EffectsWindowTest, ResultsAndTheViewerNeverUseBlocksThatLeftTheDemo) {
  Open(120);
  Trigger("Find1");
  FindAll("camera");
  FindTextDialog* search = window_->effects().findDialog();
  const QStringList found = Listed();
  ASSERT_GE(found.size(), 20);
  window_->effects().openViewer(found[10].toLongLong(), true);
  BlockViewer* viewer = window_->effects().blockViewer();
  ASSERT_TRUE(viewer->isVisible());
  EXPECT_EQ(test::Child<QLabel>(*viewer, "Label2")->text(), found[10]);

  // The viewer's block and the tenth result deleted through the Edit menu.
  Master().inMark = found[10].toInt();
  Master().outMark = found[10].toInt();
  Trigger("Delete1");
  EXPECT_EQ(Listed()[10], found[10] + " (gone)");
  EXPECT_TRUE(test::Child<QPlainTextEdit>(*viewer, "blocktext")->isReadOnly());
  EXPECT_EQ(test::Child<QLabel>(*viewer, "Label2")->text(), found[10] + " (gone)");
  search->showResult(10);
  EXPECT_EQ(Listed().size(), found.size() - 1);
  EXPECT_EQ(test::Child<QPlainTextEdit>(*search, "Memo1")->toPlainText(), "");
  // Back with an undo: the viewer may write again.
  Trigger("Undo1");
  EXPECT_FALSE(test::Child<QPlainTextEdit>(*viewer, "blocktext")->isReadOnly());

  // Closed: no result and no viewer target is left.
  Trigger("Close1");
  EXPECT_EQ(test::Child<QListWidget>(*search, "ListBox1")->count(), 0);
  EXPECT_EQ(ToBytes(test::Child<QPlainTextEdit>(*viewer, "blocktext")->toPlainText()), "");
  search->showResult(0);
  search->goToResult(0);
  test::Child<QPushButton>(*viewer, "next_butt")->click();
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(EffectsWindowTest, TheStripOpensTheViewerAndADoubleClickMovesTheStrip) {
  Open(700);
  window_->findChild<QToolButton*>("totext_butt")->click();
  Master().firstVisible = 4;
  Master().step = 32;
  QTest::mousePress(window_->sourceStrip()->image(3), Qt::LeftButton);
  BlockViewer* viewer = window_->effects().blockViewer();
  ASSERT_TRUE(viewer->isVisible());
  EXPECT_TRUE(viewer->isTextMode());
  EXPECT_EQ(test::Child<QLabel>(*viewer, "Label2")->text(), "68");
  EXPECT_EQ(ToBytes(test::Child<QPlainTextEdit>(*viewer, "blocktext")->toPlainText()), BlockTextOf(68));
  window_->findChild<QToolButton*>("zoom_image_butt")->click();
  QTest::mousePress(window_->sourceStrip()->image(4), Qt::LeftButton);
  EXPECT_FALSE(viewer->isTextMode());
  EXPECT_EQ(test::Child<QLabel>(*viewer, "Label2")->text(), "100");

  Trigger("Find1");
  FindAll("camera");
  const QStringList found = Listed();
  const int at500 = found.indexOf("500");
  ASSERT_GE(at500, 0);
  window_->effects().findDialog()->goToResult(at500);
  EXPECT_EQ(Master().firstVisible, 372);
  EXPECT_EQ(window_->sourceStrip()->caption(5)->text(), "500");
  window_->effects().findDialog()->goToResult(found.indexOf("6"));
  EXPECT_EQ(Master().firstVisible, 4);
}

TEST_F(EffectsWindowTest, DialogsTakeTheDelShortcutAndNothingChangesDuringScreenshots) {
  Open(60);
  QAction* del = Action("Delete1");
  QEvent activate(QEvent::WindowActivate);
  for (QWidget* dialog :
       std::initializer_list<QWidget*>{window_->effects().findDialog(), window_->effects().speedDialog(),
                                       window_->effects().colorFadeDialog(), window_->effects().blockViewer()}) {
    QApplication::sendEvent(window_.get(), &activate);
    ASSERT_EQ(del->shortcut(), QKeySequence(Qt::Key_Delete));
    QApplication::sendEvent(dialog, &activate);
    EXPECT_TRUE(del->shortcut().isEmpty()) << dialog->objectName().toStdString();
  }

  Trigger("Find1");
  FindAll("camera");
  window_->effects().findDialog()->showResult(0);
  window_->effects().openViewer(10, true);
  window_->preview().setBusy(true);
  EXPECT_TRUE(test::Child<QPlainTextEdit>(*window_->effects().findDialog(), "Memo1")->isReadOnly());
  EXPECT_TRUE(test::Child<QPlainTextEdit>(*window_->effects().blockViewer(), "blocktext")->isReadOnly());
  EXPECT_FALSE(test::Child<QPushButton>(*window_->effects().speedDialog(), "Button1")->isEnabled());
  EXPECT_FALSE(test::Child<QPushButton>(*window_->effects().colorFadeDialog(), "Button1")->isEnabled());
  window_->preview().setBusy(false);
  EXPECT_FALSE(test::Child<QPlainTextEdit>(*window_->effects().findDialog(), "Memo1")->isReadOnly());
  EXPECT_FALSE(test::Child<QPlainTextEdit>(*window_->effects().blockViewer(), "blocktext")->isReadOnly());
  EXPECT_TRUE(test::Child<QPushButton>(*window_->effects().speedDialog(), "Button1")->isEnabled());
}

}  // namespace
}  // namespace clipvex
