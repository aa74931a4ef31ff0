#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "dialogs/filechooser.h"
#include "ui/filecontroller.h"
#include "ui/mainwindow.h"
#include "ui/qtsettingsstore.h"

namespace {

// Help and version are answered without a window system, so that they work
// on a terminal without a display.
bool AsksOnlyForText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    for (const char* option : {"-h", "--help", "--help-all", "-?", "-v", "--version"}) {
      if (std::strcmp(argv[i], option) == 0) return true;
    }
  }
  return false;
}

// The files named on the command line (at most two: the source strip's and
// the final strip's). Help, version and a wrong command line end the program.
QStringList FilesToOpen(const QCoreApplication& app) {
  QCommandLineParser parser;
  parser.setApplicationDescription("Clipvex edits Quake demo recordings (.dem) as film strips.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("FILE", "A demo (.dem) or its dump text (.txt) to open in the source strip.",
                               "[FILE.dem|FILE.txt]");
  parser.addPositionalArgument("SECOND", "A second one, opened in the final strip.", "[SECOND]");
  parser.process(app);
  const QStringList files = parser.positionalArguments();
  if (files.size() > 2) {
    std::fprintf(stderr, "clipvex: at most two files can be opened, one per strip (got %lld)\n\n",
                 static_cast<long long>(files.size()));
    parser.showHelp(2);
  }
  return files;
}

void NameTheProgram() {
  QCoreApplication::setApplicationName("Clipvex");
  QCoreApplication::setApplicationVersion(CLIPVEX_VERSION);
}

}  // namespace

int main(int argc, char** argv) {
  if (AsksOnlyForText(argc, argv)) {
    QCoreApplication core(argc, argv);
    NameTheProgram();
    FilesToOpen(core);  // prints and ends the program
    return 0;
  }
  QApplication app(argc, argv);
  NameTheProgram();
  QApplication::setApplicationDisplayName("Clipvex");
  const QStringList files = FilesToOpen(app);

  clipvex::QtSettingsStore store;
  clipvex::QtFileChooser chooser;
  clipvex::MainWindow window(store, chooser);
  window.show();
  window.createDialogs();
  // Once the window stands: a file that does not open is reported over it,
  // and the window stays.
  if (!files.isEmpty()) QTimer::singleShot(0, &window, [&window, files] { window.files().openFiles(files); });
  return QApplication::exec();
}
