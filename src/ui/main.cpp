#include <QApplication>

#include "dialogs/filechooser.h"
#include "ui/mainwindow.h"
#include "ui/qtsettingsstore.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Clipvex");
  QApplication::setApplicationDisplayName("Clipvex");
  clipvex::QtSettingsStore store;
  clipvex::QtFileChooser chooser;
  clipvex::MainWindow window(store, chooser);
  window.show();
  window.createDialogs();
  return QApplication::exec();
}
