#include "dialogs/modeless.h"

#include <QDialog>
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

void MakeOkCancel(QDialog& dialog, QPushButton*& ok, QPushButton*& cancel) {
  ok = new QPushButton("OK", &dialog);
  ok->setObjectName("ok_butt");
  ok->setDefault(true);
  cancel = new QPushButton("Cancel", &dialog);
  cancel->setObjectName("cancel_butt");
  cancel->setAutoDefault(false);
}

void ReportActivation(const QEvent& event, const std::function<void()>& onActivate) {
  if (event.type() == QEvent::WindowActivate && onActivate) onActivate();
}

}  // namespace clipvex
