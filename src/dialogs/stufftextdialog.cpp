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

Tstuff_form::Tstuff_form(QWidget* parent) : ModelessDialog(parent) {
  setObjectName("stuff_form");
  setWindowTitle("Stufftext");
  // A fixed border with the close box only.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  Label1 = new QLabel("Text to insert at console:", this);
  Label1->setObjectName("Label1");
  Label1->move(8, 8);
  Label1->adjustSize();

  text2insert = new QLineEdit("text2insert", this);
  text2insert->setObjectName("text2insert");
  text2insert->setGeometry(24, 32, 281, text2insert->sizeHint().height());
  Label1->setBuddy(text2insert);

  MakeOkCancel(*this, ok_butt, cancel_butt);
  ok_butt->setGeometry(144, 64, 75, 25);
  cancel_butt->setGeometry(232, 64, 75, 25);
  connect(ok_butt, &QPushButton::clicked, this, &Tstuff_form::ok_buttClick);
  connect(cancel_butt, &QPushButton::clicked, this, &Tstuff_form::cancel_buttClick);

  setFixedSize(325, 93);
}

void Tstuff_form::Setup(StuffKind kind) {
  state_.Choose(kind);
  const StuffSetup setup = SetupOf(kind);
  Label1->setText(setup.prompt);
  Label1->adjustSize();
  text2insert->setMaxLength(state_.maxLength == kNoLengthLimit ? kLineEditMaximum : state_.maxLength);
  text2insert->setText(setup.text);
  text2insert->deselect();
  text2insert->setCursorPosition(setup.caret);
  ShowInFront();
  text2insert->setFocus(Qt::OtherFocusReason);
}

void Tstuff_form::ok_buttClick() {
  const std::string line = BuildStuffLine(state_.stuff_kind, ToBytes(text2insert->text()));
  if (onInsert) onInsert(line);
  hide();
}

void Tstuff_form::cancel_buttClick() { hide(); }

}  // namespace clipvex
