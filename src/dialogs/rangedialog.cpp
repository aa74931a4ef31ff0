#include "dialogs/rangedialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

constexpr const char* kLockedHint = "The demo cannot change while screenshots are being taken.";

}  // namespace

void RangeEffectDialog::showForMarks(std::int32_t inMark, std::int32_t outMark) {
  if (!isVisible()) reset(inMark, outMark);
  showInFront();
}

void RangeEffectDialog::reset(std::int32_t inMark, std::int32_t outMark) {
  from_->setText(QString::number(inMark));
  to_->setText(QString::number(outMark));
}

void RangeEffectDialog::setDemoLocked(bool locked) {
  ok_->setEnabled(!locked);
  ok_->setToolTip(locked ? kLockedHint : QString());
}

void RangeEffectDialog::setRangeBoxes(QLineEdit* from, QLineEdit* to) {
  from_ = from;
  to_ = to;
}

void RangeEffectDialog::makeButtons() {
  MakeOkCancel(*this, ok_, cancel_, "Button1", "Button2");
  connect(ok_, &QPushButton::clicked, this, &RangeEffectDialog::applyAndHide);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::hide);
}

void RangeEffectDialog::applyAndHide() {
  if (!ok_->isEnabled()) return;
  if (Guarded(this, [this] { apply(); })) hide();
}

}  // namespace clipvex
