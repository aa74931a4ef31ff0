#include "dialogs/speeddialog.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

constexpr int kSmallStep = 5;
constexpr int kPageStep = 25;
constexpr int kTickEvery = 25;

QLineEdit* NumberBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setMaximumWidth(box->fontMetrics().horizontalAdvance("99999999999") + 12);
  return box;
}

}  // namespace

SpeedDialog::SpeedDialog(QWidget* parent) : RangeEffectDialog(parent) {
  setObjectName("speed_form");
  setWindowTitle("Modify Speed");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  auto* caption = new QLabel("Percent of Original Speed", this);
  caption->setObjectName("Label1");
  trackBar_ = new QSlider(Qt::Horizontal, this);
  trackBar_->setObjectName("TrackBar1");
  trackBar_->setRange(kPercentMin, kPercentMax);
  trackBar_->setSingleStep(kSmallStep);
  trackBar_->setPageStep(kPageStep);
  trackBar_->setTickInterval(kTickEvery);
  trackBar_->setTickPosition(QSlider::TicksBothSides);
  trackBar_->setValue(kPercentStart);
  trackBar_->setMinimumWidth(300);

  // "0", "100" and "300" under the places of the track bar they stand for.
  auto* scale = new QWidget(this);
  auto* scaleRow = new QHBoxLayout(scale);
  scaleRow->setContentsMargins(0, 0, 0, 0);
  for (auto [name, text, stretch] :
       {std::tuple{"Label2", "0", 99}, std::tuple{"Label3", "100", 200}, std::tuple{"Label4", "300", 0}}) {
    auto* label = new QLabel(text, scale);
    label->setObjectName(name);
    scaleRow->addWidget(label);
    if (stretch > 0) scaleRow->addStretch(stretch);
  }

  percent_ = new QLineEdit("100", this);
  percent_->setObjectName("percent_edit");
  QFont large = percent_->font();
  large.setBold(true);
  large.setPointSize(std::max(14, large.pointSize() * 2));
  percent_->setFont(large);
  percent_->setAlignment(Qt::AlignRight);
  percent_->setMaximumWidth(QFontMetrics(large).horizontalAdvance("88888") + 16);
  auto* percentSign = new QLabel("%", this);
  percentSign->setObjectName("Label5");
  percentSign->setFont(large);

  auto* mode = new QGroupBox(this);
  mode->setObjectName("mode_group");
  constant_ = new QRadioButton("Constant", mode);
  constant_->setObjectName("const_butt");
  constant_->setChecked(true);
  fade_ = new QRadioButton("Fade", mode);
  fade_->setObjectName("fade_butt");
  auto* modeColumn = new QVBoxLayout(mode);
  modeColumn->addWidget(constant_);
  modeColumn->addWidget(fade_);

  QLineEdit* from = NumberBox("st_block", this);
  from->setText("0");
  QLineEdit* to = NumberBox("end_block", this);
  to->setText("9999999");
  setRangeBoxes(from, to);
  auto* fromLabel = new QLabel("From:", this);
  fromLabel->setObjectName("Label6");
  fromLabel->setBuddy(from);
  auto* toLabel = new QLabel("To:", this);
  toLabel->setObjectName("Label7");
  toLabel->setBuddy(to);

  makeButtons();

  auto* percentRow = new QHBoxLayout;
  percentRow->addStretch(1);
  percentRow->addWidget(percent_);
  percentRow->addWidget(percentSign);
  percentRow->addSpacing(16);
  percentRow->addWidget(mode);
  percentRow->addStretch(1);

  auto* range = new QGridLayout;
  range->addWidget(fromLabel, 0, 0);
  range->addWidget(from, 0, 1);
  range->addWidget(toLabel, 0, 2);
  range->addWidget(to, 0, 3);
  range->setColumnStretch(4, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(okButton());
  buttons->addWidget(cancelButton());

  auto* column = new QVBoxLayout(this);
  column->addWidget(caption);
  column->addWidget(trackBar_);
  column->addWidget(scale);
  column->addLayout(percentRow);
  column->addLayout(range);
  column->addStretch(1);
  column->addLayout(buttons);

  connect(trackBar_, &QSlider::valueChanged, this, &SpeedDialog::trackBarMoved);
  connect(percent_, &QLineEdit::textChanged, this, &SpeedDialog::percentTyped);
}

void SpeedDialog::reset(std::int32_t inMark, std::int32_t outMark) {
  trackBarGuard_ = false;
  trackBar_->setValue(kPercentStart);
  percent_->setText(QString::number(kPercentStart));
  RangeEffectDialog::reset(inMark, outMark);
}

SpeedInput SpeedDialog::input() const {
  SpeedInput input;
  input.from = ToBytes(fromEdit()->text());
  input.to = ToBytes(toEdit()->text());
  input.percent = ToBytes(percent_->text());
  input.mode = fade_->isChecked() ? SpeedMode::Fade : SpeedMode::Constant;
  return input;
}

void SpeedDialog::trackBarMoved(int position) {
  // Moved by the box: the box keeps what was typed (500 stays 500).
  if (boxGuard_) return;
  trackBarGuard_ = true;
  percent_->setText(QString::number(position));
  trackBarGuard_ = false;
}

void SpeedDialog::percentTyped() {
  if (trackBarGuard_) return;
  const std::optional<int> position = TrackBarPosition(ToBytes(percent_->text()));
  if (!position) return;
  boxGuard_ = true;
  trackBar_->setValue(*position);
  boxGuard_ = false;
}

void SpeedDialog::apply() {
  const SpeedInput typed = input();
  if (apply_) apply_(typed);
}

}  // namespace clipvex
