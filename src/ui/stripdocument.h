// A strip's demo as the window edits it: the strip's state (plain C++, see
// strip/stripstate.h) beside its undo history and whether the demo changed
// since it was opened, created or saved. What shows the demo or points into
// it (the window's title and File commands, Find Text, the block viewer)
// listens to its signals instead of being told by hand.
#pragma once

#include <QObject>
#include <QString>
#include <memory>
#include <string>

#include "editing/editjournal.h"
#include "editing/editstep.h"
#include "strip/stripstate.h"

class QUndoGroup;
class QUndoStack;

namespace clipvex {

class StripDocument : public QObject {
  Q_OBJECT

 public:
  // The strip with letter `letter` ('M' source, 'F' final). Its steps read
  // `settings` and report progress to `feedback`; its history joins `group`.
  StripDocument(char letter, const Settings& settings, Feedback& feedback, QUndoGroup& group,
                QObject* parent = nullptr);

  StripState& state() { return state_; }
  const StripState& state() const { return state_; }
  char letter() const { return state_.letter; }
  QUndoStack* undoStack() const { return stack_; }

  // Whether the strip holds a demo changed since it was opened, created or
  // saved.
  bool isModified() const;

  // Runs `step` on the demo for the first time. A step that changed the demo
  // joins the history (with `textBlock` set it is a text edit of that
  // block, which joins the text edit of the same block before it) and
  // blocksChanged() tells where. A failing step raises its error and leaves
  // the demo as it was.
  bool runStep(EditStep step, std::weak_ptr<Block> textBlock = {});

  // The strip's demo was closed, opened or made new: the history starts
  // over, its time lines are RetimeDemo's, and demoReplaced() says so.
  void startNewDemo();

  // The demo was saved as `fileName`: it counts as unchanged from here on.
  void markSaved(const std::string& fileName);

 signals:
  // Blocks `first` to `last` (indices into the demo as it stands now) may
  // have changed, moved or gone: an edit, an undo or a redo. When blocks
  // went away at the end, `last` may lie past the demo's last block.
  void blocksChanged(int first, int last);
  // The strip holds another demo, or none.
  void demoReplaced();
  void modifiedChanged(bool modified);
  void fileNameChanged();
  // An undo or a redo failed (and was taken back): the error's text.
  void editFailed(const QString& message);

 private:
  friend class EditCommand;
  // Called by the steps of the history after they changed the demo.
  void announceChange(const BlockSpan& span);
  void announceFailure(const QString& message);
  void updateModified();

  StripState state_;
  const Settings& settings_;
  Feedback& feedback_;
  QUndoStack* stack_;
  bool modified_ = false;
};

}  // namespace clipvex
