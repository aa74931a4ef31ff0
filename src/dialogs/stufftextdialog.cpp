#include "dialogs/stufftextdialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/messages.h"
#include "dialogs/modeless.h"

namespace clipvex {
namespace {

// QLineEdit's own limit, which stands for no limit.
constexpr int kLineEditMaximum = 32767;

}  // namespace

StuffTextDialog::StuffTextDialog(QWidget* parent) : ModelessDialog(parent) {
  setObjectName("stuff_form");
  setWindowTitle("Stufftext");
  // A fixed border with the close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  prompt_ = new QLabel("Text to insert at console:", this);
  prompt_->setObjectName("Label1");
  prompt_->move(8, 8);
  prompt_->adjustSize();

  text_ = new QLineEdit("text2insert", this);
  text_->setObjectName("text2insert");
  text_->setGeometry(24, 32, 281, text_->sizeHint().height());
  prompt_->setBuddy(text_);

  MakeOkCancel(*this, ok_, cancel_);
  ok_->setGeometry(144, 64, 75, 25);
  cancel_->setGeometry(232, 64, 75, 25);
  connect(ok_, &QPushButton::clicked, this, &StuffTextDialog::insertAndHide);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::hide);

  setFixedSize(325, 93);
}

void StuffTextDialog::showFor(StuffKind kind) {
  state_.Choose(kind);
  const StuffSetup setup = SetupOf(kind);
  prompt_->setText(setup.prompt);
  prompt_->adjustSize();
  text_->setMaxLength(state_.maxLength == kNoLengthLimit ? kLineEditMaximum : state_.maxLength);
  text_->setText(setup.text);
  text_->deselect();
  text_->setCursorPosition(setup.caret);
  showInFront();
  text_->setFocus(Qt::OtherFocusReason);
}

void StuffTextDialog::insertAndHide() {
  const std::string line = BuildStuffLine(state_.stuff_kind, ToBytes(text_->text()));
  if (insert_) insert_(line);
  hide();
}

}  // namespace clipvex
