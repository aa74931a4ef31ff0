#include "dialogs/colorfadedialog.h"

#include <QColorDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

constexpr int kOpacityStep = 32;
constexpr int kOpaque = 255;
constexpr const char* kClear = "Clear";

ColorChooserHook& ChooserHook() {
  static ColorChooserHook hook;
  return hook;
}

std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) {
  if (ChooserHook()) return ChooserHook()(parent, initial);
  const QColor chosen = QColorDialog::getColor(initial, parent, "Color");
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

Rgb RgbOf(const QColor& color) {
  const QColor rgb = color.toRgb();
  return {rgb.red(), rgb.green(), rgb.blue()};
}

QSlider* OpacitySlider(const char* name, int position, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setObjectName(name);
  slider->setRange(0, kOpaque);
  slider->setSingleStep(kOpacityStep);
  slider->setPageStep(kOpacityStep);
  slider->setTickInterval(kOpacityStep);
  slider->setTickPosition(QSlider::TicksBelow);
  slider->setValue(position);
  slider->setMinimumWidth(140);
  return slider;
}

// One end of the fade: swatch, its Clear button, the opacity.
QGroupBox* EndGroup(const char* title, ColorSwatch* swatch, QPushButton* clear, QSlider* opacity, QWidget* parent) {
  auto* group = new QGroupBox(title, parent);
  swatch->setParent(group);
  clear->setParent(group);
  opacity->setParent(group);
  auto* label = new QLabel("Opacity", group);
  auto* none = new QLabel("0%", group);
  auto* full = new QLabel("100%", group);
  auto* grid = new QGridLayout(group);
  grid->addWidget(swatch, 0, 0, 1, 2);
  grid->addWidget(clear, 0, 2);
  grid->addWidget(label, 1, 0, 1, 3);
  grid->addWidget(none, 2, 0);
  grid->addWidget(opacity, 2, 1);
  grid->addWidget(full, 2, 2);
  grid->setColumnStretch(1, 1);
  return group;
}

QPushButton* ClearButton(const char* name, QWidget* parent) {
  auto* button = new QPushButton(kClear, parent);
  button->setObjectName(name);
  button->setToolTip("Set color to clear");
  button->setAutoDefault(false);
  return button;
}

QLineEdit* NumberBox(const char* name, const char* text, QWidget* parent) {
  auto* box = new QLineEdit(text, parent);
  box->setObjectName(name);
  box->setFixedWidth(box->fontMetrics().horizontalAdvance("99999999999") + 12);
  return box;
}

}  // namespace

ColorChooserHook SetColorChooserHook(ColorChooserHook hook) { return std::exchange(ChooserHook(), std::move(hook)); }

ColorSwatch::ColorSwatch(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Sunken);
  setCursor(Qt::CrossCursor);
  setMinimumSize(120, 40);
}

void ColorSwatch::setColor(const QColor& color) {
  color_ = color;
  update();
}

void ColorSwatch::setCaption(const QString& caption) {
  caption_ = caption;
  update();
}

void ColorSwatch::paintEvent(QPaintEvent* event) {
  {
    QPainter painter(this);
    const QRect inside = contentsRect();
    painter.fillRect(inside, color_);
    if (!caption_.isEmpty()) {
      // Readable on any colour.
      painter.setPen(qGray(color_.rgb()) < 128 ? Qt::white : Qt::black);
      painter.drawText(inside, Qt::AlignCenter, caption_);
    }
  }
  QFrame::paintEvent(event);
}

void ColorSwatch::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked(this);
  QFrame::mouseReleaseEvent(event);
}

ColorFadeDialog::ColorFadeDialog(QWidget* parent) : RangeEffectDialog(parent) {
  setObjectName("color_form");
  setWindowTitle("Color Fade");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setAttribute(Qt::WA_AlwaysShowToolTips);

  startSwatch_ = new ColorSwatch(this);
  startSwatch_->setObjectName("st_panel");
  startSwatch_->setToolTip("Color to start from");
  startSwatch_->setColor(QColor(kFreshStart.color.r, kFreshStart.color.g, kFreshStart.color.b));
  startSwatch_->setCaption(kClear);
  QPushButton* clearStart = ClearButton("SpeedButton1", this);
  startOpacity_ = OpacitySlider("st_op", kFreshStart.opacity, this);

  endSwatch_ = new ColorSwatch(this);
  endSwatch_->setObjectName("end_panel");
  endSwatch_->setToolTip("Color to end on");
  endSwatch_->setColor(QColor(kFreshEnd.color.r, kFreshEnd.color.g, kFreshEnd.color.b));
  QPushButton* clearEnd = ClearButton("SpeedButton2", this);
  endOpacity_ = OpacitySlider("end_op", kFreshEnd.opacity, this);

  QLineEdit* from = NumberBox("st_block", "0", this);
  QLineEdit* to = NumberBox("end_block", "9999999", this);
  setRangeBoxes(from, to);
  auto* fromLabel = new QLabel("From:", this);
  fromLabel->setBuddy(from);
  auto* toLabel = new QLabel("To:", this);
  toLabel->setBuddy(to);

  makeButtons();

  auto* ends = new QHBoxLayout;
  ends->addWidget(EndGroup("Start", startSwatch_, clearStart, startOpacity_, this));
  ends->addWidget(EndGroup("End", endSwatch_, clearEnd, endOpacity_, this));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(fromLabel);
  bottom->addWidget(from);
  bottom->addSpacing(8);
  bottom->addWidget(toLabel);
  bottom->addWidget(to);
  bottom->addStretch(1);
  bottom->addWidget(okButton());
  bottom->addWidget(cancelButton());

  auto* column = new QVBoxLayout(this);
  column->addLayout(ends);
  column->addLayout(bottom);
  // A fixed size, the one its contents need.
  column->setSizeConstraint(QLayout::SetFixedSize);

  connect(startSwatch_, &ColorSwatch::clicked, this, &ColorFadeDialog::chooseColor);
  connect(endSwatch_, &ColorSwatch::clicked, this, &ColorFadeDialog::chooseColor);
  connect(clearStart, &QPushButton::clicked, this, [this] { clearSwatch(startSwatch_, startOpacity_); });
  connect(clearEnd, &QPushButton::clicked, this, [this] { clearSwatch(endSwatch_, endOpacity_); });
}

ColorFadeInput ColorFadeDialog::input() const {
  ColorFadeInput input;
  input.from = ToBytes(fromEdit()->text());
  input.to = ToBytes(toEdit()->text());
  input.start = FadeSwatch{RgbOf(startSwatch_->color()), startSwatch_->isClear(), startOpacity_->value()};
  input.end = FadeSwatch{RgbOf(endSwatch_->color()), endSwatch_->isClear(), endOpacity_->value()};
  return input;
}

void ColorFadeDialog::chooseColor(ColorSwatch* swatch) {
  const std::optional<QColor> chosen = ChooseColor(this, lastChosen_);
  if (!chosen || !chosen->isValid()) return;
  lastChosen_ = *chosen;
  swatch->setColor(*chosen);
  swatch->setCaption(QString());
}

void ColorFadeDialog::clearSwatch(ColorSwatch* swatch, QSlider* opacity) {
  swatch->setCaption(kClear);
  swatch->setColor(Qt::white);
  opacity->setValue(0);
}

void ColorFadeDialog::apply() {
  const ColorFadeInput typed = input();
  if (apply_) apply_(typed);
}

}  // namespace clipvex
