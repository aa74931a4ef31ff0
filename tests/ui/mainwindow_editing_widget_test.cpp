// The Edit, F/X and Insert commands through the main window: bindings,
// status words, the undo history of each strip, the window title and the
// question before a changed demo is dropped.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUndoStack>

#include "dialogs/stufftextdialog.h"
#include "editing/clipboard.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using test::DumpOf;
using test::FileExists;
using test::ShownTitle;
using Words = std::vector<std::string>;

class EditingWindowTest : public test::MainWindowFixture {
 protected:
  // A new demo `name` in the final strip.
  void NewFinal(MainWindow& window, const std::string& name) {
    window.findChild<QToolButton*>("fBF_butt")->click();
    chooser_.answers = {QString::fromStdString(dir_.File(name))};
    Trigger(window, "New1");
  }
};

TEST_F(EditingWindowTest, CopyAndPasteIntoANewDemoWithUndoRedoAndTheTitle) {
  const std::string demo = Generated("source.dem", 300);
  auto window = MakeWindow();
  EXPECT_EQ(ShownTitle(*window), "Clipvex");
  Open(*window, demo);
  StripState& master = window->sourceStrip()->state();
  EXPECT_EQ(ShownTitle(*window), "source.dem - Clipvex");
  master.inMark = 10;
  master.outMark = 19;
  words_.clear();
  Click(*window, "copy_butt");
  EXPECT_EQ(words_, (Words{"Copying Blocks", "Done"}));
  ASSERT_TRUE(window->editor().clipboard().Present());
  EXPECT_EQ(window->editor().clipboard().clip->CopiedBlocks(), 10u);

  NewFinal(*window, "built.dem");
  EXPECT_EQ(ShownTitle(*window), "built.dem - Clipvex");
  QAction* undo = Action(*window, "Undo1");
  QAction* redo = Action(*window, "Redo1");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  words_.clear();
  Trigger(*window, "Paste1");
  EXPECT_EQ(words_, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  const StripState& final = window->finalStrip()->state();
  ASSERT_EQ(final.Entries(), 15);
  const std::vector<std::string> pastedLines = final.demo.Blocks[4]->Lines();
  const std::vector<std::string> copiedLines = master.demo.Blocks[10]->Lines();
  ASSERT_EQ(pastedLines.size(), copiedLines.size());
  for (std::size_t i = 0; i < pastedLines.size(); ++i) {
    if (copiedLines[i].rfind(" time", 0) != 0) {
      EXPECT_EQ(pastedLines[i], copiedLines[i]) << i;
    }
  }
  EXPECT_EQ(ShownTitle(*window), "built.dem* - Clipvex");
  EXPECT_TRUE(window->editor().finalDocument().isModified());
  EXPECT_FALSE(window->editor().sourceDocument().isModified());
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), "&Undo Paste");
  EXPECT_EQ(window->finalStrip()->caption(1)->text(), "4");

  const std::string pasted = DumpOf(final.demo);
  Click(*window, "pasteend_butt");
  EXPECT_EQ(final.Entries(), 25);
  EXPECT_EQ(undo->text(), "&Undo Paste at End");

  // Ctrl+Z twice, Ctrl+Y, Ctrl+Shift+Z.
  QApplication::setActiveWindow(window.get());
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(DumpOf(final.demo), pasted);
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(final.Entries(), 5);
  EXPECT_EQ(ShownTitle(*window), "built.dem - Clipvex") << "back where it was opened: unchanged";
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(redo->text(), "&Redo Paste");
  QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
  EXPECT_EQ(DumpOf(final.demo), pasted);
  QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(final.Entries(), 25);
  EXPECT_EQ(ShownTitle(*window), "built.dem* - Clipvex");

  // The history follows the active strip.
  Click(*window, "mBF_butt");
  EXPECT_EQ(ShownTitle(*window), "source.dem - Clipvex");
  EXPECT_FALSE(undo->isEnabled());
  Click(*window, "fBF_butt");
  EXPECT_TRUE(undo->isEnabled());
  EXPECT_EQ(undo->text(), "&Undo Paste at End");

  // Saving makes the demo unchanged; undoing past the save changes it again.
  chooser_.answers = {QString::fromStdString(dir_.File("built.txt"))};
  Trigger(*window, "SaveAs1");
  EXPECT_EQ(ShownTitle(*window), "built.txt - Clipvex");
  undo->trigger();
  EXPECT_EQ(ShownTitle(*window), "built.txt* - Clipvex");
  EXPECT_TRUE(questions_.empty());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(EditingWindowTest, CutDeleteReverseAndPasteNewLevelAreStepsWithTheirNames) {
  const std::string demo = Generated("source.dem", 200);
  auto window = MakeWindow();
  Open(*window, demo);
  StripState& master = window->sourceStrip()->state();
  const std::string opened = DumpOf(master.demo);
  const std::int32_t entries = master.Entries();
  QAction* undo = Action(*window, "Undo1");

  master.inMark = 20;
  master.outMark = 29;
  words_.clear();
  Click(*window, "cut_butt");
  EXPECT_EQ(words_, (Words{"Copying Blocks", "Done", "Deleting Blocks", "Done"}));
  EXPECT_EQ(master.Entries(), entries - 10);
  EXPECT_EQ(master.inMark, kMarkStart);
  EXPECT_EQ(undo->text(), "&Undo Cut");

  master.step = 1;
  master.inMark = 30;
  master.outMark = 40;
  words_.clear();
  Trigger(*window, "Reverse1");
  EXPECT_EQ(words_, (Words{"Reversing Blocks", "Done"}));
  EXPECT_EQ(undo->text(), "&Undo Reverse");
  // Redone after a zoom, it reverses what it reversed at its own zoom.
  const std::string reversed = DumpOf(master.demo);
  undo->trigger();
  master.step = 8;
  Trigger(*window, "Redo1");
  EXPECT_EQ(DumpOf(master.demo), reversed);
  master.step = 1;

  master.inMark = 50;
  master.outMark = 49;
  Trigger(*window, "Delete1");
  EXPECT_EQ(undo->text(), "&Undo Reverse") << "a Delete that removes nothing is no step";
  master.inMark = 50;
  master.outMark = 52;
  Trigger(*window, "Delete1");
  EXPECT_EQ(undo->text(), "&Undo Delete");

  words_.clear();
  Trigger(*window, "PasteNewLevel1");
  EXPECT_EQ(words_, (Words{"Pasting Blocks", "Retiming File", "Done"}));
  EXPECT_EQ(master.Entries(), entries - 10 - 3 + 13);
  EXPECT_EQ(undo->text(), "&Undo Paste New Level");

  master.inMark = 7;
  master.outMark = 9;
  Trigger(*window, "SelectAll1");
  EXPECT_EQ(master.inMark, kMarkStart);
  EXPECT_EQ(master.outMark, kMarkEnd);
  EXPECT_EQ(undo->text(), "&Undo Paste New Level") << "Select All is no step";

  for (int i = 0; i < 4; ++i) undo->trigger();
  EXPECT_EQ(DumpOf(master.demo), opened);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(window->editor().sourceDocument().isModified());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(EditingWindowTest, TheQuestionBeforeAChangedDemoIsDropped) {
  const std::string demo = Generated("source.dem", 100);
  auto window = MakeWindow();
  Open(*window, demo);
  Click(*window, "copy_butt");
  NewFinal(*window, "built.txt");
  Trigger(*window, "Paste1");
  const StripState& final = window->finalStrip()->state();
  const std::string changed = DumpOf(final.demo);

  // Close, Cancel: everything stays, and the history still undoes exactly.
  answers_ = {SaveAnswer::Cancel};
  Trigger(*window, "Close1");
  EXPECT_EQ(questions_, std::vector<QString>{"Clipvex: Save changes to 'built.txt'?"});
  EXPECT_TRUE(final.HasDemo());
  EXPECT_EQ(DumpOf(final.demo), changed);
  Trigger(*window, "Undo1");
  EXPECT_EQ(final.Entries(), 5);
  Trigger(*window, "Redo1");
  EXPECT_EQ(DumpOf(final.demo), changed);

  // New and Open ask after their dialog; Cancel keeps the demo.
  answers_ = {SaveAnswer::Cancel, SaveAnswer::Cancel};
  chooser_.answers = {QString::fromStdString(dir_.File("other.dem"))};
  Trigger(*window, "New1");
  chooser_.answers = {QString::fromStdString(demo)};
  Trigger(*window, "Open1");
  EXPECT_EQ(questions_.size(), 3u);
  EXPECT_EQ(DumpOf(final.demo), changed);
  EXPECT_EQ(final.fileName, dir_.File("built.txt"));

  // Save that fails keeps the demo open.
  window->finalStrip()->state().fileName = dir_.File("no such folder/built.txt");
  answers_ = {SaveAnswer::Save};
  Trigger(*window, "Close1");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_TRUE(final.HasDemo());
  window->finalStrip()->state().fileName = dir_.File("built.txt");

  // Save writes the demo, then New goes on.
  answers_ = {SaveAnswer::Save};
  chooser_.answers = {QString::fromStdString(dir_.File("next.dem"))};
  Trigger(*window, "New1");
  EXPECT_EQ(test::ReadFile(dir_.File("built.txt")), changed);
  EXPECT_EQ(final.fileName, dir_.File("next.dem"));
  EXPECT_EQ(final.Entries(), 5);
  EXPECT_FALSE(Action(*window, "Undo1")->isEnabled()) << "a new demo starts a new history";

  // Discard drops the changes.
  Trigger(*window, "Paste1");
  answers_ = {SaveAnswer::Discard};
  Trigger(*window, "Close1");
  EXPECT_FALSE(final.HasDemo());
  EXPECT_FALSE(FileExists(dir_.File("next.dem")));
  EXPECT_EQ(ShownTitle(*window), "Clipvex");

  // Closing the window: Cancel keeps it open, Discard lets it close.
  NewFinal(*window, "last.dem");
  Trigger(*window, "Paste1");
  answers_ = {SaveAnswer::Cancel};
  EXPECT_FALSE(window->close());
  EXPECT_TRUE(window->isVisible());
  answers_ = {SaveAnswer::Discard};
  EXPECT_TRUE(window->close());
  EXPECT_FALSE(window->isVisible());
  EXPECT_TRUE(answers_.empty());
  EXPECT_EQ(boxes_.size(), 1u);
}

TEST_F(EditingWindowTest, TheClipboardOutlivesClosingBothStrips) {
  const std::string demo = Generated("source.dem", 100);
  auto window = MakeWindow();
  Open(*window, demo);
  window->sourceStrip()->state().inMark = 8;
  window->sourceStrip()->state().outMark = 9;
  Trigger(*window, "Copy1");
  Trigger(*window, "Close1");
  NewFinal(*window, "a.dem");
  Trigger(*window, "Close1");
  EXPECT_FALSE(window->sourceStrip()->state().HasDemo());
  EXPECT_FALSE(window->finalStrip()->state().HasDemo());
  ASSERT_TRUE(window->editor().clipboard().Present());
  NewFinal(*window, "b.dem");
  Trigger(*window, "Paste1");
  EXPECT_EQ(window->finalStrip()->state().Entries(), 7);

  // Without a demo, the commands do nothing and show nothing.
  Click(*window, "mBF_butt");
  words_.clear();
  for (const char* name : {"Copy1", "Cut1", "Paste1", "PasteonEnd1", "PasteNewLevel1", "Delete1", "Reverse1"}) {
    Trigger(*window, name);
  }
  EXPECT_TRUE(words_.empty());
  EXPECT_FALSE(Action(*window, "Undo1")->isEnabled());
  EXPECT_TRUE(questions_.empty());
}

TEST_F(EditingWindowTest, InsertCommandsUseTheStufftextDialogOnTheStripActiveAtOk) {
  const std::string demo = Generated("source.dem", 100);
  auto window = MakeWindow();
  Open(*window, demo);
  StuffTextDialog* stuff = window->editing().stuffTextDialog();
  ASSERT_NE(stuff, nullptr);
  EXPECT_FALSE(stuff->isVisible());

  Trigger(*window, "CenterPrint1");
  EXPECT_TRUE(stuff->isVisible());
  EXPECT_EQ(test::Child<QLabel>(*stuff, "Label1")->text(), "Message to Print");
  Trigger(*window, "ConsoleCommand1");
  EXPECT_EQ(test::Child<QLabel>(*stuff, "Label1")->text(), "Text to insert at console:");
  EXPECT_EQ(test::Child<QLineEdit>(*stuff, "text2insert")->maxLength(), 80) << "Center Print's limit lasts";
  test::Child<QLineEdit>(*stuff, "text2insert")->setText("echo hello");

  // The final strip becomes active while the dialog is open, and its
  // in-mark moves to block 5: OK inserts there.
  window->sourceStrip()->state().inMark = 5;
  window->sourceStrip()->state().outMark = 6;
  Trigger(*window, "Copy1");
  NewFinal(*window, "built.dem");
  Trigger(*window, "Paste1");
  ASSERT_EQ(window->finalStrip()->state().Entries(), 7);
  window->finalStrip()->state().inMark = 5;
  test::Child<QPushButton>(*stuff, "ok_butt")->click();
  EXPECT_FALSE(stuff->isVisible());
  const Block& block = *window->finalStrip()->state().demo.Blocks[5];
  EXPECT_EQ(block[3], " stufftext \"echo hello\\n\";");
  EXPECT_EQ(Action(*window, "Undo1")->text(), "&Undo Console Command");
  Trigger(*window, "Undo1");
  EXPECT_NE(block[3], " stufftext \"echo hello\\n\";");

  // The tool bar buttons open the dialog for Sound and Print Message.
  Click(*window, "SpeedButton5");
  EXPECT_EQ(test::Child<QLineEdit>(*stuff, "text2insert")->text(), "play ");
  Click(*window, "SpeedButton7");
  EXPECT_EQ(test::Child<QLabel>(*stuff, "Label1")->text(), "Message to Print");
  EXPECT_EQ(test::Child<QLineEdit>(*stuff, "text2insert")->maxLength(), 32767);

  // While the dialog is the active window, Del belongs to its edit box.
  QAction* del = Action(*window, "Delete1");
  QEvent stuffActivated(QEvent::WindowActivate);
  QApplication::sendEvent(stuff, &stuffActivated);
  EXPECT_TRUE(del->shortcut().isEmpty());
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(window.get(), &activate);
  EXPECT_EQ(del->shortcut(), QKeySequence(Qt::Key_Delete));
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace clipvex
