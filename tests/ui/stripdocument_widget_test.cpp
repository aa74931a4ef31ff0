#include "ui/stripdocument.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QUndoGroup>
#include <QUndoStack>

#include "editing/clipboard.h"
#include "editing/editingtesthelpers.h"

namespace clipvex {
namespace {

// What the strip's document tells its listeners (the title, Find Text, the
// block viewer) as a demo is edited, undone, saved and replaced.
TEST(StripDocumentTest, EditsUndoAndNewDemosAreAnnounced) {
  test::TempDir folder;
  Settings settings;
  settings.previewpath = folder.Path();
  SilentFeedback feedback;
  QUndoGroup group;
  StripDocument document('F', settings, feedback, group);
  document.state() = test::StripHolding(test::MakeDemo(20));
  document.startNewDemo();
  QSignalSpy blocks(&document, &StripDocument::blocksChanged);
  QSignalSpy modified(&document, &StripDocument::modifiedChanged);
  QSignalSpy replaced(&document, &StripDocument::demoReplaced);
  using Span = QList<QVariant>;

  // A line of block 9: only that block.
  EXPECT_TRUE(document.runStep(EditStep("Line", [](StripEdit& e) { e.SetLine(9, 1, " camera 1 2 3;"); })));
  ASSERT_EQ(blocks.size(), 1);
  EXPECT_EQ(blocks.takeFirst(), (Span{9, 9}));
  ASSERT_EQ(modified.size(), 1);
  EXPECT_TRUE(modified.takeFirst().at(0).toBool());
  EXPECT_TRUE(document.isModified());

  // Blocks 6 and 7 taken out: everything from 6 to the (new) last block.
  document.state().inMark = 6;
  document.state().outMark = 7;
  EXPECT_TRUE(document.runStep(EditStep("Delete", DeleteBlocks)));
  const int last = document.state().Entries() - 1;
  EXPECT_EQ(blocks.takeFirst(), (Span{6, last}));

  // An undo tells the same blocks; back at the saved state the demo is
  // unchanged again.
  document.undoStack()->undo();
  EXPECT_EQ(blocks.takeFirst(), (Span{6, last + 2}));
  document.undoStack()->undo();
  EXPECT_EQ(blocks.takeFirst(), (Span{9, 9}));
  ASSERT_EQ(modified.size(), 1);
  EXPECT_FALSE(modified.takeFirst().at(0).toBool());

  // A step that changes nothing is no step and tells nothing.
  EXPECT_FALSE(document.runStep(EditStep("Nothing", [](StripEdit&) {})));
  EXPECT_TRUE(blocks.isEmpty());

  document.undoStack()->redo();
  EXPECT_TRUE(document.isModified());
  document.markSaved(document.state().fileName);
  EXPECT_FALSE(document.isModified());
  document.startNewDemo();
  EXPECT_EQ(replaced.size(), 1);
  EXPECT_EQ(document.undoStack()->count(), 0);
}

}  // namespace
}  // namespace clipvex
