#include "ui/stripdocument.h"

#include <QUndoGroup>
#include <QUndoStack>
#include <algorithm>
#include <limits>

#include "ui/editcommand.h"

namespace clipvex {
namespace {

// Deleted blocks and old time lines of a long demo stay in the history: it
// keeps the last steps only.
constexpr int kUndoLimit = 100;

int ToInt(std::size_t index) { return static_cast<int>(std::min<std::size_t>(index, std::numeric_limits<int>::max())); }

}  // namespace

StripDocument::StripDocument(char letter, const Settings& settings, Feedback& feedback, QUndoGroup& group,
                             QObject* parent)
    : QObject(parent), state_(letter), settings_(settings), feedback_(feedback), stack_(new QUndoStack(&group)) {
  setObjectName(letter == 'M' ? "MasterDocument" : "FinalDocument");
  stack_->setObjectName(letter == 'M' ? "MasterHistory" : "FinalHistory");
  stack_->setUndoLimit(kUndoLimit);
  connect(stack_, &QUndoStack::cleanChanged, this, &StripDocument::updateModified);
}

bool StripDocument::isModified() const { return state_.HasDemo() && !stack_->isClean(); }

bool StripDocument::runStep(EditStep step, std::weak_ptr<Block> textBlock) {
  auto command = std::make_unique<EditCommand>(*this, std::move(step));
  if (!textBlock.expired()) command->setTextEdit(std::move(textBlock));
  if (!command->runFirst()) return false;
  const BlockSpan span = command->span();
  stack_->push(command.release());
  announceChange(span);
  return true;
}

void StripDocument::startNewDemo() {
  stack_->clear();
  state_.timesRetimed = true;
  updateModified();
  emit demoReplaced();
}

void StripDocument::markSaved(const std::string& fileName) {
  const bool renamed = fileName != state_.fileName;
  state_.fileName = fileName;
  stack_->setClean();
  updateModified();
  if (renamed) emit fileNameChanged();
}

void StripDocument::announceChange(const BlockSpan& span) {
  if (span.empty) return;
  const std::size_t end = std::max<std::size_t>(state_.demo.Blocks.size(), 1) - 1;
  emit blocksChanged(ToInt(span.first), ToInt(span.toEnd ? std::max(span.first, end) : span.last));
}

void StripDocument::announceFailure(const QString& message) { emit editFailed(message); }

void StripDocument::updateModified() {
  const bool modified = isModified();
  if (modified == modified_) return;
  modified_ = modified;
  emit modifiedChanged(modified);
}

}  // namespace clipvex
