// The editor's dialogs are modeless: shown without blocking, in front and
// active, while the main window stays usable.
#pragma once

#include <QDialog>

class QEvent;
class QPushButton;
class QWidget;

namespace clipvex {

// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);

// Shows `dialog` without blocking, raised and active; the first time
// (`centred` still false) it is sized to its contents and centred.
void ShowModeless(QDialog& dialog, bool& centred);

// The dialog's "OK" (the default button) and "Cancel" buttons, named
// `ok_butt` and `cancel_butt` unless other names are given.
void MakeOkCancel(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel, const char* okName = "ok_butt",
                  const char* cancelName = "cancel_butt");

// A modeless dialog of the editor: it says when it becomes the active
// window (the main window then hands its Del shortcut over) and shows
// itself in front, centred the first time.
class ModelessDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ModelessDialog(QWidget* parent = nullptr) : QDialog(parent) {}

 signals:
  // The dialog became the active window.
  void activated();

 protected:
  bool event(QEvent* event) override;
  // Shows the dialog without blocking, raised and active; the first time it
  // is sized to its contents and centred on its screen.
  void showInFront() { ShowModeless(*this, centred_); }

 private:
  bool centred_ = false;
};

}  // namespace clipvex
