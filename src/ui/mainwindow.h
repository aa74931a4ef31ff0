// The editor's main window.
#pragma once

#include <QMainWindow>

namespace clipvex {

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(QWidget* parent = nullptr);
};

}  // namespace clipvex
