#include "dialogs/modeless.h"

#include <QEvent>
#include <QPushButton>
#include <QScreen>

namespace clipvex {

void CentreOnScreen(QWidget& window) {
  const QScreen* screen = window.screen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  const QSize size = window.frameGeometry().size();
  window.move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void ShowModeless(QDialog& dialog, bool& centred) {
  if (!centred && !dialog.isVisible()) {
    dialog.adjustSize();
    CentreOnScreen(dialog);
    centred = true;
  }
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
}

void MakeOkCancel(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel, const char* okName, const char* cancelName) {
  ok = new QPushButton("OK", &dialog);
  ok->setObjectName(okName);
  ok->setDefault(true);
  cancel = new QPushButton("Cancel", &dialog);
  cancel->setObjectName(cancelName);
  cancel->setAutoDefault(false);
}

bool ModelessDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) emit activated();
  return QDialog::event(event);
}

}  // namespace clipvex
