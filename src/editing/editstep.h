// One step of a strip's undo history: an edit function together with the
// inputs it keeps (the clipboard it pasted, the text it inserted, ...), the
// selection it started from and the journal of its last run. Redoing runs
// the function again on the state that undoing gave back, which is exactly
// the state it first ran on, so it does exactly what it did then.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/notifier.h"
#include "editing/editjournal.h"
#include "settings/settings.h"
#include "strip/stripstate.h"

namespace clipvex {

// Status words go nowhere (undo and redo run without them).
class SilentFeedback : public Feedback {
 public:
  void Status(std::string_view) override {}
};

class EditStep {
 public:
  using Function = std::function<void(StripEdit&)>;

  // `name` names the step in the Edit menu ("Paste", "Reverse", ...).
  EditStep(std::string name, Function edit) : name_(std::move(name)), edit_(std::move(edit)) {}

  const std::string& Name() const { return name_; }

  // Runs the edit for the first time, from the strip's current selection.
  // Returns whether the demo changed; only then is the step kept. When the
  // edit fails, everything it did is taken back (the selection too) before
  // the error is raised again.
  bool Do(StripState& strip, const Settings& settings, Feedback& feedback);

  // Gives back the demo, the selection and the thumbnails as they were
  // before the step.
  void Undo(StripState& strip, const Settings& settings, Feedback& feedback);

  // Runs the edit again from the selection it first started from.
  void Redo(StripState& strip, const Settings& settings, Feedback& feedback);

  // Takes in `newer`, a step that ran right after this one and, like it,
  // only replaced the lines of one block as a whole: this step then redoes
  // to where `newer` left the demo, while its own journal still undoes to
  // before both. Consecutive text edits of a block become one step so.
  void Absorb(const EditStep& newer);

  // The blocks the step's last run touched (see EditJournal::Span); known
  // until the step is undone.
  BlockSpan Span() const { return journal_.Span(); }

  // Whether the demo stands as it did before the step (an edit typed and
  // typed away again). Known for steps of whole-block line replacements
  // only; false for any other.
  bool Unchanged(const StripState& strip) const { return journal_.LeavesAsFound(strip.demo); }

 private:
  bool Run(StripState& strip, const Settings& settings, Feedback& feedback);

  std::string name_;
  Function edit_;
  std::int32_t inMark_ = kMarkStart;
  std::int32_t outMark_ = kMarkEnd;
  EditJournal journal_;
};

}  // namespace clipvex
