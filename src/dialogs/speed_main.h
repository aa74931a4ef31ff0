// The Change Speed dialog ("Modify Speed"): a percentage picked with the
// track bar or typed, constant or fading, over a range of blocks. Modeless:
// OK applies to the active strip's demo as one undo step.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

#include "dialogs/speed.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;

namespace clipvex {

class Tspeed_form : public QDialog {
  Q_OBJECT

 public:
  explicit Tspeed_form(QWidget* parent = nullptr);

  // ChangeSpeed1Click: a hidden dialog is reset from the strip's marks
  // (FormShow); then it is shown in front, centred the first time.
  void Open(std::int32_t inMark, std::int32_t outMark);
  // FormShow: track bar and percentage 100, From and To the marks. The
  // Constant/Fade choice stays.
  void FormShow(std::int32_t inMark, std::int32_t outMark);

  // While screenshots are taken the demo must not change: OK is disabled.
  void SetDemoLocked(bool locked);

  // OK: applies the change; raises the error of a change that cannot be
  // made (the dialog then stays open and shows it).
  std::function<void(const SpeedInput& input)> onApply;
  // Called whenever the dialog becomes the active window.
  std::function<void()> onActivate;

  SpeedInput Input() const;

  QSlider* TrackBar1 = nullptr;
  QLineEdit* percent_edit = nullptr;
  QRadioButton* const_butt = nullptr;
  QRadioButton* fade_butt = nullptr;
  QLineEdit* st_block = nullptr;
  QLineEdit* end_block = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  bool event(QEvent* event) override;

 private:
  void TrackBar1Change(int position);
  void percent_editChange();
  void Button1Click();
  void Button2Click();

  bool trackBarGuard_ = false;  // the track bar is writing into the box
  bool boxGuard_ = false;       // the box is moving the track bar
  bool centred_ = false;
};

}  // namespace clipvex
