// A step of a strip's undo history as Qt's undo stack holds it: a thin
// shell around an EditStep, which does the work in plain C++.
#pragma once

#include <QUndoCommand>
#include <functional>
#include <memory>

#include "editing/editstep.h"

namespace clipvex {

class TFilmStrip;

// What a step needs of the window.
class EditHost {
 public:
  virtual ~EditHost() = default;
  virtual const Settings& EditSettings() const = 0;
  virtual Feedback& EditFeedback() = 0;
  // After an undo or a redo changed `strip`.
  virtual void StripEdited(TFilmStrip* strip) = 0;
  // A failed undo or redo: the text of the error.
  virtual void EditFailed(const QString& text) = 0;
};

class EditCommand : public QUndoCommand {
 public:
  EditCommand(TFilmStrip& strip, EditStep step, EditHost& host);

  // Runs the step for the first time (see EditStep::Do). Raises the error
  // of a failed edit, which has then been taken back.
  bool Do();

  void redo() override;
  void undo() override;

  // Makes the command a text edit of `block`: consecutive text edits of the
  // same block of the same strip merge into one step of the history.
  void SetTextEdit(std::weak_ptr<Block> block);
  int id() const override;
  bool mergeWith(const QUndoCommand* other) override;

 private:
  void Guard(const std::function<void()>& action);

  TFilmStrip& strip_;
  EditStep step_;
  EditHost& host_;
  bool done_ = false;  // the first redo, from the push, has already run
  std::weak_ptr<Block> textBlock_;  // set for text edits
};

}  // namespace clipvex
