#include "ui/mainwindow.h"

#include <QLabel>
#include <QStatusBar>

namespace clipvex {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  setWindowTitle("Clipvex");
  resize(900, 600);
  auto* status = new QLabel(this);
  status->setObjectName("statusWord");
  statusBar()->addWidget(status, 1);
}

}  // namespace clipvex
