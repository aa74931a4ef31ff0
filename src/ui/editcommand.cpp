#include "ui/editcommand.h"

#include <exception>
#include <new>

#include "ui/stripdocument.h"

namespace clipvex {
namespace {

// The id of text edits in the undo stack; other steps never merge.
constexpr int kTextEditId = 1;

}  // namespace

EditCommand::EditCommand(StripDocument& document, EditStep step) : document_(document), step_(std::move(step)) {
  setText(QString::fromStdString(step_.Name()));
}

bool EditCommand::runFirst() {
  const bool changed = step_.Do(document_.state(), document_.settings_, document_.feedback_);
  done_ = true;
  return changed;
}

void EditCommand::setTextEdit(std::weak_ptr<Block> block) { textBlock_ = std::move(block); }

int EditCommand::id() const { return textBlock_.expired() ? -1 : kTextEditId; }

bool EditCommand::mergeWith(const QUndoCommand* other) {
  auto* newer = dynamic_cast<const EditCommand*>(other);
  if (newer == nullptr || &newer->document_ != &document_) return false;
  const std::shared_ptr<Block> mine = textBlock_.lock();
  if (!mine || mine != newer->textBlock_.lock()) return false;
  step_.Absorb(newer->step_);
  // Typed away again: the step changes nothing and leaves the history.
  if (step_.Unchanged(document_.state())) setObsolete(true);
  return true;
}

void EditCommand::guard(const std::function<void()>& action) {
  QString error;
  try {
    action();
    return;
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  }
  // The step has taken back what it did; it leaves the history. What it
  // touched on the way is not known: the whole demo may have changed.
  setObsolete(true);
  document_.announceChange(BlockSpan{0, 0, true, false});
  document_.announceFailure(error);
}

void EditCommand::redo() {
  if (done_) {
    done_ = false;
    return;
  }
  guard([this] {
    step_.Redo(document_.state(), document_.settings_, document_.feedback_);
    document_.announceChange(step_.Span());
  });
}

void EditCommand::undo() {
  guard([this] {
    // The journal is spent by the undo: what it touched is read first.
    const BlockSpan span = step_.Span();
    step_.Undo(document_.state(), document_.settings_, document_.feedback_);
    document_.feedback_.Status("Done");
    document_.announceChange(span);
  });
}

}  // namespace clipvex
