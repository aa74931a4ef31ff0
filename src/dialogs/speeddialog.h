// The Change Speed dialog ("Modify Speed"): a percentage picked with the
// track bar or typed, constant or fading, over a range of blocks. Modeless:
// OK applies to the active strip's demo as one undo step.
#pragma once

#include <cstdint>
#include <functional>

#include "dialogs/rangedialog.h"
#include "effects/speed.h"

class QLineEdit;
class QRadioButton;
class QSlider;

namespace clipvex {

class Tspeed_form : public RangeEffectDialog {
  Q_OBJECT

 public:
  explicit Tspeed_form(QWidget* parent = nullptr);

  // FormShow (ChangeSpeed1Click opening a hidden dialog): track bar and
  // percentage 100, From and To the marks. The Constant/Fade choice stays.
  void FormShow(std::int32_t inMark, std::int32_t outMark) override;

  // OK: applies the change; raises the error of a change that cannot be
  // made (the dialog then stays open and shows it).
  std::function<void(const SpeedInput& input)> onApply;

  SpeedInput Input() const;

  QSlider* TrackBar1 = nullptr;
  QLineEdit* percent_edit = nullptr;
  QRadioButton* const_butt = nullptr;
  QRadioButton* fade_butt = nullptr;

 protected:
  void Apply() override;

 private:
  void TrackBar1Change(int position);
  void percent_editChange();

  bool trackBarGuard_ = false;  // the track bar is writing into the box
  bool boxGuard_ = false;       // the box is moving the track bar
};

}  // namespace clipvex
