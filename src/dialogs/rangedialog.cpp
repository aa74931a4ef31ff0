#include "dialogs/rangedialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

constexpr const char* kLockedHint = "The demo cannot change while screenshots are being taken.";

}  // namespace

void RangeEffectDialog::Open(std::int32_t inMark, std::int32_t outMark) {
  if (!isVisible()) FormShow(inMark, outMark);
  ShowInFront();
}

void RangeEffectDialog::FormShow(std::int32_t inMark, std::int32_t outMark) {
  st_block->setText(QString::number(inMark));
  end_block->setText(QString::number(outMark));
}

void RangeEffectDialog::SetDemoLocked(bool locked) {
  Button1->setEnabled(!locked);
  Button1->setToolTip(locked ? kLockedHint : QString());
}

void RangeEffectDialog::MakeButtons() {
  MakeOkCancel(*this, Button1, Button2, "Button1", "Button2");
  connect(Button1, &QPushButton::clicked, this, &RangeEffectDialog::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QWidget::hide);
}

void RangeEffectDialog::Button1Click() {
  if (!Button1->isEnabled()) return;
  if (Guarded(this, [this] { Apply(); })) hide();
}

}  // namespace clipvex
