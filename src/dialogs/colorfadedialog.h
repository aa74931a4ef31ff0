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

  void setColor(const QColor& color);
  QColor color() const { return color_; }
  // The caption: "Clear" when clear, empty once a colour was picked.
  void setCaption(const QString& caption);
  QString caption() const { return caption_; }
  bool isClear() const { return caption_ == "Clear"; }

 signals:
  void clicked(ColorSwatch* swatch);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QColor color_ = Qt::white;
  QString caption_;
};

class ColorFadeDialog : public RangeEffectDialog {
  Q_OBJECT

 public:
  explicit ColorFadeDialog(QWidget* parent = nullptr);

  // What OK does with the dialog's input: applies the fade, or raises the
  // error of a fade that cannot be made (the dialog then stays open and
  // shows it).
  void setApplyHandler(std::function<void(const ColorFadeInput& input)> apply) { apply_ = std::move(apply); }

  ColorFadeInput input() const;

 protected:
  void apply() override;

 private:
  void chooseColor(ColorSwatch* swatch);
  // A Clear button: its swatch clear, white, and not opaque at all.
  void clearSwatch(ColorSwatch* swatch, QSlider* opacity);

  ColorSwatch* startSwatch_;  // "st_panel", with its Clear button "SpeedButton1"
  QSlider* startOpacity_;     // "st_op"
  ColorSwatch* endSwatch_;    // "end_panel", with its Clear button "SpeedButton2"
  QSlider* endOpacity_;       // "end_op"
  std::function<void(const ColorFadeInput&)> apply_;
  QColor lastChosen_ = Qt::white;  // where the chooser starts
};

}  // namespace clipvex
