// The Stufftext dialog: the text one of the Insert commands puts into a
// block as a line of console text. Modeless: the strips, the marks and the
// active strip may change while it is open, and OK inserts into the block at
// the in-mark of the strip that is active when it is pressed.
#pragma once

#include <functional>
#include <string>

#include "dialogs/modeless.h"
#include "editing/stuff.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace clipvex {

class Tstuff_form : public ModelessDialog {
  Q_OBJECT

 public:
  explicit Tstuff_form(QWidget* parent = nullptr);

  // What Sound1Click, PrintMessage1Click, CenterPrint1Click and
  // ConsoleCommand1Click do: record the command, set the prompt, the text,
  // the caret and the length limit as the command wants, and show the
  // dialog in front with the edit box focused.
  void Setup(StuffKind kind);

  const StuffState& State() const { return state_; }

  // Called by OK with the line to insert, before the dialog hides.
  std::function<void(const std::string& line)> onInsert;

  QLabel* Label1 = nullptr;
  QLineEdit* text2insert = nullptr;
  QPushButton* ok_butt = nullptr;
  QPushButton* cancel_butt = nullptr;

 private:
  void ok_buttClick();
  void cancel_buttClick();

  StuffState state_;
};

}  // namespace clipvex
