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
  // A hidden dialog is reset from the strip's marks (FormShow); then it is
  // shown in front, centred the first time.
  void Open(std::int32_t inMark, std::int32_t outMark);
  // From and To the marks.
  virtual void FormShow(std::int32_t inMark, std::int32_t outMark);

  // While screenshots are taken the demo must not change: OK is disabled.
  void SetDemoLocked(bool locked);

  QLineEdit* st_block = nullptr;
  QLineEdit* end_block = nullptr;
  QPushButton* Button1 = nullptr;  // OK
  QPushButton* Button2 = nullptr;  // Cancel

 protected:
  explicit RangeEffectDialog(QWidget* parent) : ModelessDialog(parent) {}

  // Makes OK and Cancel (where the dialog's layout wants them made) and
  // connects them.
  void MakeButtons();
  // What OK applies: the dialog's input handed on; throws the error of a
  // change that cannot be made.
  virtual void Apply() = 0;

 private:
  void Button1Click();
};

}  // namespace clipvex
