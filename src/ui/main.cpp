#include <QApplication>

#include "ui/mainwindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Clipvex");
  clipvex::MainWindow window;
  window.show();
  return QApplication::exec();
}
