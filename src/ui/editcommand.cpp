#include "ui/editcommand.h"

#include <exception>
#include <new>

#include "ui/filmstrip.h"

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
