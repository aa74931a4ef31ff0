// The Color Fade dialog: a start and an end swatch with their opacities,
// and a range of blocks. Modeless: OK applies to the active strip's demo as
// one undo step. The swatches, their clear state and the opacities last for
// the whole run of the program; From and To follow the marks at every
// showing.
#pragma once

#include <QColor>
#include <QFrame>
#include <functional>
#include <optional>

#include "dialogs/rangedialog.h"
#include "effects/color.h"

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

class Tcolor_form : public RangeEffectDialog {
  Q_OBJECT

 public:
  explicit Tcolor_form(QWidget* parent = nullptr);

  // OK: applies the fade; raises the error of a fade that cannot be made
  // (the dialog then stays open and shows it).
  std::function<void(const ColorFadeInput& input)> onApply;

  ColorFadeInput Input() const;

  ColorSwatch* st_panel = nullptr;
  QPushButton* SpeedButton1 = nullptr;
  QSlider* st_op = nullptr;
  ColorSwatch* end_panel = nullptr;
  QPushButton* SpeedButton2 = nullptr;
  QSlider* end_op = nullptr;

 protected:
  void Apply() override;

 private:
  void st_panelClick(ColorSwatch* swatch);
  void SpeedButton1Click();
  void SpeedButton2Click();

  QColor lastChosen_ = Qt::white;  // where the chooser starts
};

}  // namespace clipvex
