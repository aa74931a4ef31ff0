#include <QApplication>

#include "dialogs/qtsettingsstore.h"
#include "ui/filechooser.h"
#include "ui/mainwindow.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Clipvex");
  QApplication::setApplicationDisplayName("Clipvex");
  clipvex::QtSettingsStore store;
  clipvex::QtFileChooser chooser;
  clipvex::Tclipvex_form window(store, chooser);
  window.show();
  window.CreateForms();
  return QApplication::exec();
}
