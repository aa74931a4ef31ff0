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

Tspeed_form::Tspeed_form(QWidget* parent) : RangeEffectDialog(parent) {
  setObjectName("speed_form");
  setWindowTitle("Modify Speed");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(true);

  auto* caption = new QLabel("Percent of Original Speed", this);
  caption->setObjectName("Label1");
  TrackBar1 = new QSlider(Qt::Horizontal, this);
  TrackBar1->setObjectName("TrackBar1");
  TrackBar1->setRange(kPercentMin, kPercentMax);
  TrackBar1->setSingleStep(kSmallStep);
  TrackBar1->setPageStep(kPageStep);
  TrackBar1->setTickInterval(kTickEvery);
  TrackBar1->setTickPosition(QSlider::TicksBothSides);
  TrackBar1->setValue(kPercentStart);
  TrackBar1->setMinimumWidth(300);

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

  percent_edit = new QLineEdit("100", this);
  percent_edit->setObjectName("percent_edit");
  QFont large = percent_edit->font();
  large.setBold(true);
  large.setPointSize(std::max(14, large.pointSize() * 2));
  percent_edit->setFont(large);
  percent_edit->setAlignment(Qt::AlignRight);
  percent_edit->setMaximumWidth(QFontMetrics(large).horizontalAdvance("88888") + 16);
  auto* percentSign = new QLabel("%", this);
  percentSign->setObjectName("Label5");
  percentSign->setFont(large);

  auto* mode = new QGroupBox(this);
  mode->setObjectName("mode_group");
  const_butt = new QRadioButton("Constant", mode);
  const_butt->setObjectName("const_butt");
  const_butt->setChecked(true);
  fade_butt = new QRadioButton("Fade", mode);
  fade_butt->setObjectName("fade_butt");
  auto* modeColumn = new QVBoxLayout(mode);
  modeColumn->addWidget(const_butt);
  modeColumn->addWidget(fade_butt);

  st_block = NumberBox("st_block", this);
  st_block->setText("0");
  end_block = NumberBox("end_block", this);
  end_block->setText("9999999");
  auto* fromLabel = new QLabel("From:", this);
  fromLabel->setObjectName("Label6");
  fromLabel->setBuddy(st_block);
  auto* toLabel = new QLabel("To:", this);
  toLabel->setObjectName("Label7");
  toLabel->setBuddy(end_block);

  MakeButtons();

  auto* percentRow = new QHBoxLayout;
  percentRow->addStretch(1);
  percentRow->addWidget(percent_edit);
  percentRow->addWidget(percentSign);
  percentRow->addSpacing(16);
  percentRow->addWidget(mode);
  percentRow->addStretch(1);

  auto* range = new QGridLayout;
  range->addWidget(fromLabel, 0, 0);
  range->addWidget(st_block, 0, 1);
  range->addWidget(toLabel, 0, 2);
  range->addWidget(end_block, 0, 3);
  range->setColumnStretch(4, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);

  auto* column = new QVBoxLayout(this);
  column->addWidget(caption);
  column->addWidget(TrackBar1);
  column->addWidget(scale);
  column->addLayout(percentRow);
  column->addLayout(range);
  column->addStretch(1);
  column->addLayout(buttons);

  connect(TrackBar1, &QSlider::valueChanged, this, &Tspeed_form::TrackBar1Change);
  connect(percent_edit, &QLineEdit::textChanged, this, &Tspeed_form::percent_editChange);
}

void Tspeed_form::FormShow(std::int32_t inMark, std::int32_t outMark) {
  trackBarGuard_ = false;
  TrackBar1->setValue(kPercentStart);
  percent_edit->setText(QString::number(kPercentStart));
  RangeEffectDialog::FormShow(inMark, outMark);
}

SpeedInput Tspeed_form::Input() const {
  SpeedInput input;
  input.from = ToBytes(st_block->text());
  input.to = ToBytes(end_block->text());
  input.percent = ToBytes(percent_edit->text());
  input.mode = fade_butt->isChecked() ? SpeedMode::Fade : SpeedMode::Constant;
  return input;
}

void Tspeed_form::TrackBar1Change(int position) {
  // Moved by the box: the box keeps what was typed (500 stays 500).
  if (boxGuard_) return;
  trackBarGuard_ = true;
  percent_edit->setText(QString::number(position));
  trackBarGuard_ = false;
}

void Tspeed_form::percent_editChange() {
  if (trackBarGuard_) return;
  const std::optional<int> position = TrackBarPosition(ToBytes(percent_edit->text()));
  if (!position) return;
  boxGuard_ = true;
  TrackBar1->setValue(*position);
  boxGuard_ = false;
}

void Tspeed_form::Apply() {
  const SpeedInput input = Input();
  if (onApply) onApply(input);
}

}  // namespace clipvex
