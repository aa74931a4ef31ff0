// A step of a strip's undo history as Qt's undo stack holds it: a thin
// shell around an EditStep, which does the work in plain C++, that tells
// the strip's document what changed.
#pragma once

#include <QUndoCommand>
#include <functional>
#include <memory>

#include "editing/editjournal.h"
#include "editing/editstep.h"

namespace clipvex {

class StripDocument;

class EditCommand : public QUndoCommand {
 public:
  EditCommand(StripDocument& document, EditStep step);

  // Runs the step for the first time (see EditStep::Do): whether the demo
  // changed. Raises the error of a failed edit, which has then been taken
  // back.
  bool runFirst();
  // The blocks the step's last run touched.
  BlockSpan span() const { return step_.Span(); }

  void redo() override;
  void undo() override;

  // Makes the command a text edit of `block`: consecutive text edits of the
  // same block of the same strip merge into one step.
  void setTextEdit(std::weak_ptr<Block> block);
  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

 private:
  // Runs an undo or a redo; a failure is taken back, and the command leaves
  // the history.
  void guard(const std::function<void()>& action);

  StripDocument& document_;
  EditStep step_;
  bool done_ = false;               // the first redo, from the push, has already run
  std::weak_ptr<Block> textBlock_;  // set for text edits
};

}  // namespace clipvex
