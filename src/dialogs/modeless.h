// The editor's dialogs are modeless: shown without blocking, in front and
// active, while the main window stays usable.
#pragma once

#include <functional>

class QDialog;
class QEvent;
class QPushButton;
class QWidget;

namespace clipvex {

// Places a window in the middle of the screen it is on.
void CentreOnScreen(QWidget& window);

// Shows `dialog` without blocking, raised and active; the first time
// (`centred` still false) it is sized to its contents and centred.
void ShowModeless(QDialog& dialog, bool& centred);

// The dialog's "OK" (`ok_butt`, the default button) and "Cancel"
// (`cancel_butt`) buttons.
void MakeOkCancel(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel);

// For a dialog's event handler: calls `onActivate` (if set) when `event`
// says the dialog has become the active window.
void ReportActivation(const QEvent& event, const std::function<void()>& onActivate);

}  // namespace clipvex
