#include "editing/editstep.h"

namespace clipvex {

bool EditStep::Run(StripState& strip, const Settings& settings, Feedback& feedback) {
  ThumbnailFiles thumbs(settings.previewpath, strip.letter);
  StripEdit edit(strip, journal_, thumbs, feedback);
  try {
    edit_(edit);
  } catch (...) {
    SilentFeedback silent;
    journal_.Undo(strip, thumbs, silent);
    strip.inMark = inMark_;
    strip.outMark = outMark_;
    throw;
  }
  return journal_.Changed();
}

bool EditStep::Do(StripState& strip, const Settings& settings, Feedback& feedback) {
  inMark_ = strip.inMark;
  outMark_ = strip.outMark;
  return Run(strip, settings, feedback);
}

void EditStep::Undo(StripState& strip, const Settings& settings, Feedback& feedback) {
  ThumbnailFiles thumbs(settings.previewpath, strip.letter);
  journal_.Undo(strip, thumbs, feedback);
  strip.inMark = inMark_;
  strip.outMark = outMark_;
}

void EditStep::Absorb(const EditStep& newer) { edit_ = newer.edit_; }

void EditStep::Redo(StripState& strip, const Settings& settings, Feedback& feedback) {
  strip.inMark = inMark_;
  strip.outMark = outMark_;
  Run(strip, settings, feedback);
}

}  // namespace clipvex
