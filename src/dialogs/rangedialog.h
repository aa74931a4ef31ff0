// What Change Speed and Color Fade have in common: an effect on a range of
// blocks of the active strip's demo, applied as one undo step. From and To
// follow the strip's marks whenever a hidden dialog is opened; OK applies
// and hides (a change that cannot be made is shown and the dialog stays);
// Cancel hides.
#pragma once

#include <cstdint>

#include "dialogs/modeless.h"

class QLineEdit;
class QPushButton;

namespace clipvex {

class RangeEffectDialog : public ModelessDialog {
  Q_OBJECT

 public:
  // A hidden dialog is reset from the strip's marks (its FormShow); then it
  // is shown in front, centred the first time.
  void showForMarks(std::int32_t inMark, std::int32_t outMark);
  // From and To the marks.
  virtual void reset(std::int32_t inMark, std::int32_t outMark);

  // While screenshots are taken the demo must not change: OK is disabled.
  void setDemoLocked(bool locked);

 protected:
  explicit RangeEffectDialog(QWidget* parent) : ModelessDialog(parent) {}

  // From and To, as the dialog made them ("st_block", "end_block").
  void setRangeBoxes(QLineEdit* from, QLineEdit* to);
  // Makes OK and Cancel ("Button1", "Button2") where the dialog's layout
  // wants them made, and connects them.
  void makeButtons();
  // What OK applies: the dialog's input handed on; throws the error of a
  // change that cannot be made.
  virtual void apply() = 0;

  QLineEdit* fromEdit() const { return from_; }
  QLineEdit* toEdit() const { return to_; }
  QPushButton* okButton() const { return ok_; }
  QPushButton* cancelButton() const { return cancel_; }

 private:
  void applyAndHide();

  QLineEdit* from_ = nullptr;
  QLineEdit* to_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace clipvex
