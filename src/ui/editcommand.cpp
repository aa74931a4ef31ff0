#include "ui/editcommand.h"

#include <exception>
#include <new>

#include "ui/filmstripwidget.h"

namespace clipvex {

EditCommand::EditCommand(TFilmStrip& strip, EditStep step, EditHost& host)
    : strip_(strip), step_(std::move(step)), host_(host) {
  setText(QString::fromStdString(step_.Name()));
}

bool EditCommand::Do() {
  const bool changed = step_.Do(strip_.State(), host_.EditSettings(), host_.EditFeedback());
  done_ = true;
  return changed;
}

namespace {
// The id of text edits in the undo stack; other steps never merge.
constexpr int kTextEditId = 1;
}  // namespace

void EditCommand::SetTextEdit(std::weak_ptr<Block> block) { textBlock_ = std::move(block); }

int EditCommand::id() const { return textBlock_.expired() ? -1 : kTextEditId; }

bool EditCommand::mergeWith(const QUndoCommand* other) {
  auto* newer = dynamic_cast<const EditCommand*>(other);
  if (newer == nullptr || &newer->strip_ != &strip_) return false;
  const std::shared_ptr<Block> mine = textBlock_.lock();
  if (!mine || mine != newer->textBlock_.lock()) return false;
  step_.Absorb(newer->step_);
  // Typed away again: the step changes nothing and leaves the history.
  if (step_.Unchanged(strip_.State())) setObsolete(true);
  return true;
}

void EditCommand::Guard(const std::function<void()>& action) {
  QString error;
  try {
    action();
    host_.StripEdited(&strip_);
    return;
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  }
  // The step has taken back what it did; it leaves the history.
  setObsolete(true);
  host_.StripEdited(&strip_);
  host_.EditFailed(error);
}

void EditCommand::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  Guard([this] { step_.Redo(strip_.State(), host_.EditSettings(), host_.EditFeedback()); });
}

void EditCommand::undo() {
  Guard([this] {
    step_.Undo(strip_.State(), host_.EditSettings(), host_.EditFeedback());
    host_.EditFeedback().Status("Done");
  });
}

}  // namespace clipvex
