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

class SpeedDialog : public RangeEffectDialog {
  Q_OBJECT

 public:
  explicit SpeedDialog(QWidget* parent = nullptr);

  // The reset of Change Speed opening a hidden dialog (its FormShow): track
  // bar and percentage 100, From and To the marks. The Constant/Fade choice
  // stays.
  void reset(std::int32_t inMark, std::int32_t outMark) override;

  // What OK does with the dialog's input: applies the change, or raises the
  // error of a change that cannot be made (the dialog then stays open and
  // shows it).
  void setApplyHandler(std::function<void(const SpeedInput& input)> apply) { apply_ = std::move(apply); }

  SpeedInput input() const;

 protected:
  void apply() override;

 private:
  void trackBarMoved(int position);
  void percentTyped();

  QSlider* trackBar_;       // "TrackBar1"
  QLineEdit* percent_;      // "percent_edit"
  QRadioButton* constant_;  // "const_butt"
  QRadioButton* fade_;      // "fade_butt"
  std::function<void(const SpeedInput&)> apply_;
  bool trackBarGuard_ = false;  // the track bar is writing into the box
  bool boxGuard_ = false;       // the box is moving the track bar
};

}  // namespace clipvex
