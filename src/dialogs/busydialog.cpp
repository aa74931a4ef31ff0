#include "dialogs/busydialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace clipvex {

BusyDialog::BusyDialog(const QString& text, QWidget* parent) : QDialog(parent) {
  setObjectName("busy_form");
  setWindowTitle("Clipvex");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setModal(true);
  text_ = new QLabel(text, this);
  text_->setObjectName("busy_label");
  text_->setTextFormat(Qt::PlainText);
  text_->setWordWrap(true);
  text_->setMinimumWidth(460);
  auto* bar = new QProgressBar(this);
  bar->setObjectName("busy_bar");
  bar->setRange(0, 0);  // no measure of progress: the bar moves while it waits
  bar->setTextVisible(false);
  cancel_ = new QPushButton("Cancel", this);
  cancel_->setObjectName("cancel_butt");
  connect(cancel_, &QPushButton::clicked, this, &BusyDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(bar);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

void BusyDialog::setText(const QString& text) { text_->setText(text); }

QString BusyDialog::text() const { return text_->text(); }

void BusyDialog::reject() {
  QDialog::reject();
  emit cancelled();
}

}  // namespace clipvex
