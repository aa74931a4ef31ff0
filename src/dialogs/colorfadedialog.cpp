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

void ColorSwatch::SetColor(const QColor& color) {
  color_ = color;
  update();
}

void ColorSwatch::SetCaption(const QString& caption) {
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
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit Clicked(this);
  QFrame::mouseReleaseEvent(event);
}

Tcolor_form::Tcolor_form(QWidget* parent) : RangeEffectDialog(parent) {
  setObjectName("color_form");
  setWindowTitle("Color Fade");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setAttribute(Qt::WA_AlwaysShowToolTips);

  st_panel = new ColorSwatch(this);
  st_panel->setObjectName("st_panel");
  st_panel->setToolTip("Color to start from");
  st_panel->SetColor(QColor(kFreshStart.color.r, kFreshStart.color.g, kFreshStart.color.b));
  st_panel->SetCaption(kClear);
  SpeedButton1 = new QPushButton(kClear, this);
  SpeedButton1->setObjectName("SpeedButton1");
  SpeedButton1->setToolTip("Set color to clear");
  SpeedButton1->setAutoDefault(false);
  st_op = OpacitySlider("st_op", kFreshStart.opacity, this);

  end_panel = new ColorSwatch(this);
  end_panel->setObjectName("end_panel");
  end_panel->setToolTip("Color to end on");
  end_panel->SetColor(QColor(kFreshEnd.color.r, kFreshEnd.color.g, kFreshEnd.color.b));
  SpeedButton2 = new QPushButton(kClear, this);
  SpeedButton2->setObjectName("SpeedButton2");
  SpeedButton2->setToolTip("Set color to clear");
  SpeedButton2->setAutoDefault(false);
  end_op = OpacitySlider("end_op", kFreshEnd.opacity, this);

  st_block = NumberBox("st_block", "0", this);
  end_block = NumberBox("end_block", "9999999", this);
  auto* fromLabel = new QLabel("From:", this);
  fromLabel->setBuddy(st_block);
  auto* toLabel = new QLabel("To:", this);
  toLabel->setBuddy(end_block);

  MakeButtons();

  auto* ends = new QHBoxLayout;
  ends->addWidget(EndGroup("Start", st_panel, SpeedButton1, st_op, this));
  ends->addWidget(EndGroup("End", end_panel, SpeedButton2, end_op, this));

  auto* bottom = new QHBoxLayout;
  bottom->addWidget(fromLabel);
  bottom->addWidget(st_block);
  bottom->addSpacing(8);
  bottom->addWidget(toLabel);
  bottom->addWidget(end_block);
  bottom->addStretch(1);
  bottom->addWidget(Button1);
  bottom->addWidget(Button2);

  auto* column = new QVBoxLayout(this);
  column->addLayout(ends);
  column->addLayout(bottom);
  // A fixed size, the one its contents need.
  column->setSizeConstraint(QLayout::SetFixedSize);

  connect(st_panel, &ColorSwatch::Clicked, this, &Tcolor_form::st_panelClick);
  connect(end_panel, &ColorSwatch::Clicked, this, &Tcolor_form::st_panelClick);
  connect(SpeedButton1, &QPushButton::clicked, this, &Tcolor_form::SpeedButton1Click);
  connect(SpeedButton2, &QPushButton::clicked, this, &Tcolor_form::SpeedButton2Click);
}

ColorFadeInput Tcolor_form::Input() const {
  ColorFadeInput input;
  input.from = ToBytes(st_block->text());
  input.to = ToBytes(end_block->text());
  input.start = FadeSwatch{RgbOf(st_panel->Color()), st_panel->Clear(), st_op->value()};
  input.end = FadeSwatch{RgbOf(end_panel->Color()), end_panel->Clear(), end_op->value()};
  return input;
}

void Tcolor_form::st_panelClick(ColorSwatch* swatch) {
  const std::optional<QColor> chosen = ChooseColor(this, lastChosen_);
  if (!chosen || !chosen->isValid()) return;
  lastChosen_ = *chosen;
  swatch->SetColor(*chosen);
  swatch->SetCaption(QString());
}

void Tcolor_form::SpeedButton1Click() {
  st_panel->SetCaption(kClear);
  st_panel->SetColor(Qt::white);
  st_op->setValue(0);
}

void Tcolor_form::SpeedButton2Click() {
  end_panel->SetCaption(kClear);
  end_panel->SetColor(Qt::white);
  end_op->setValue(0);
}

void Tcolor_form::Apply() {
  const ColorFadeInput input = Input();
  if (onApply) onApply(input);
}

}  // namespace clipvex
