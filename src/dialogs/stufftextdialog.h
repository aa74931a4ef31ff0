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

class StuffTextDialog : public ModelessDialog {
  Q_OBJECT

 public:
  explicit StuffTextDialog(QWidget* parent = nullptr);

  // What the Insert commands do: record the command, set the prompt, the
  // text, the caret and the length limit as the command wants, and show the
  // dialog in front with the edit box focused.
  void showFor(StuffKind kind);

  const StuffState& state() const { return state_; }

  // What OK does with the line to insert, before the dialog hides.
  void setInsertHandler(std::function<void(const std::string& line)> insert) { insert_ = std::move(insert); }

 private:
  void insertAndHide();

  QLabel* prompt_;       // "Label1"
  QLineEdit* text_;      // "text2insert"
  QPushButton* ok_;      // "ok_butt"
  QPushButton* cancel_;  // "cancel_butt"
  std::function<void(const std::string&)> insert_;
  StuffState state_;
};

}  // namespace clipvex
