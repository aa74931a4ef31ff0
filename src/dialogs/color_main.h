// The Color Fade dialog: a start and an end swatch with their opacities,
// and a range of blocks. Modeless: OK applies to the active strip's demo as
// one undo step. The swatches, their clear state and the opacities last for
// the whole run of the program; From and To follow the marks at every
// showing.
#pragma once

#include <QColor>
#include <QDialog>
#include <QFrame>
#include <cstdint>
#include <functional>
#include <optional>

#include "dialogs/color.h"

class QLineEdit;
class QPushButton;
class QSlider;

namespace clipvex {

// Picks a colour, starting from `initial`; nothing when cancelled.
using ColorChooserHook = std::function<std::optional<QColor>(QWidget* parent, const QColor& initial)>;

// Replaces the colour chooser (tests answer it without a modal window); an
// empty hook restores the platform's chooser. Returns the previous hook.
ColorChooserHook SetColorChooserHook(ColorChooserHook hook);

// A colour swatch: shows its colour, or the word "Clear" when clear, and
// reports clicks.
class ColorSwatch : public QFrame {
  Q_OBJECT

 public:
  explicit ColorSwatch(QWidget* parent);

  void SetColor(const QColor& color);
  QColor Color() const { return color_; }
  // The caption: "Clear" when clear, empty once a colour was picked.
  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }
  bool Clear() const { return caption_ == "Clear"; }

 signals:
  void Clicked(ColorSwatch* swatch);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QColor color_ = Qt::white;
  QString caption_;
};

class Tcolor_form : public QDialog {
  Q_OBJECT

 public:
  explicit Tcolor_form(QWidget* parent = nullptr);

  // ColorFade1Click: a hidden dialog takes From and To from the strip's
  // marks (FormShow); then it is shown in front, centred the first time.
  void Open(std::int32_t inMark, std::int32_t outMark);
  void FormShow(std::int32_t inMark, std::int32_t outMark);

  // While screenshots are taken the demo must not change: OK is disabled.
  void SetDemoLocked(bool locked);

  // OK: applies the fade; raises the error of a fade that cannot be made
  // (the dialog then stays open and shows it).
  std::function<void(const ColorFadeInput& input)> onApply;
  // Called whenever the dialog becomes the active window.
  std::function<void()> onActivate;

  ColorFadeInput Input() const;

  ColorSwatch* st_panel = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  QSlider* st_op = nullptr;
  ColorSwatch* end_panel = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  QSlider* end_op = nullptr;
  QLineEdit* st_block = nullptr;
  QLineEdit* end_block = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  bool event(QEvent* event) override;

 private:
  void st_panelClick(ColorSwatch* swatch);
  void SpeedButton1Click();
  void SpeedButton2Click();
  void Button1Click();
  void Button2Click();

  QColor lastChosen_ = Qt::white;  // where the chooser starts
  bool centred_ = false;
};

}  // namespace clipvex
