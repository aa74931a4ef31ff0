#include "ui/editorstate.h"

#include <QUndoGroup>
#include <QUndoStack>

namespace clipvex {

EditorState::EditorState(Feedback& feedback, QObject* parent)
    : QObject(parent),
      group_(new QUndoGroup(this)),
      source_(new StripDocument('M', settings_, feedback, *group_, this)),
      final_(new StripDocument('F', settings_, feedback, *group_, this)),
      active_(source_) {
  setObjectName("editor");
  followActiveHistory();
}

StripDocument* EditorState::document(char letter) const {
  if (letter == source_->letter()) return source_;
  if (letter == final_->letter()) return final_;
  return nullptr;
}

void EditorState::setActiveDocument(StripDocument& document) {
  if (&document == active_) return;
  active_ = &document;
  followActiveHistory();
  emit activeDocumentChanged();
}

void EditorState::requestStop() {
  stopRequested_ = true;
  emit stopPressed();
}

void EditorState::setPreviewBusy(bool busy) {
  if (busy == previewBusy_) return;
  previewBusy_ = busy;
  followActiveHistory();
  emit previewBusyChanged(busy);
}

void EditorState::followActiveHistory() {
  // While a screenshot run waits no history is active, so Undo and Redo
  // stay disabled whichever strip is clicked.
  group_->setActiveStack(previewBusy_ ? nullptr : active_->undoStack());
}

}  // namespace clipvex
