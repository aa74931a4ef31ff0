// The main window as the widget tests build it: a game folder with its
// demo subfolder and the real converter, the settings pointing at them,
// file dialogs answered from a queue, message boxes and questions recorded
// instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QString>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/dialogtesthelpers.h"
#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "settings/settingsstore.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "ui/editcontroller.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/filecontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/mainwindow.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"
#include "ui/toolsbar.h"

namespace clipvex::test {

// Answers the file dialogs from a queue; an empty answer is a cancel.
class QueuedChooser : public FileChooser {
 public:
  QString Choose(QWidget* parent, FileDialogKind kind) override;
  std::deque<QString> answers;
  std::vector<FileDialogKind> asked;
};

// Writes a generated demo of `blocks` blocks to `path`; the generator's
// exit status (0 when it worked).
int MakeDemo(const std::string& path, int blocks);

// The title as the window shows it: "[*]" becomes "*" while modified.
QString ShownTitle(const QWidget& window);

// A demo as dump text, the way the editor writes it.
std::string DumpOf(const TDemFile& demo);

// The header and block lines of a demo, without the duration comments; the
// time lines read " time *" (the converter keeps a time to the precision of
// the demo file, and opening retimes).
std::vector<std::string> LinesOf(const TDemFile& demo);
// The same of the demo file at `path`, opened as the editor opens it (with
// the real converter, in a folder of its own): what a save left on disk.
std::vector<std::string> SavedLines(const std::string& path);

class MainWindowFixture : public ::testing::Test {
 protected:
  // The workspace, the settings and the hooks. A question nobody expected
  // (`answers_` empty) fails the test and is cancelled.
  void SetUp() override;
  // Drops `window_`, then puts the previous hooks back.
  void TearDown() override;

  // A window on the fixture's settings and chooser, its status words
  // recorded in `words_`, shown, with its forms made.
  std::unique_ptr<MainWindow> MakeWindow();
  // A generated demo `name` of `blocks` blocks in the workspace.
  std::string Generated(const std::string& name, int blocks);
  // Opens `path` into the active strip through File > Open; no message box.
  void Open(MainWindow& window, const std::string& path);
  // Queues `path` as the next answer of the file dialogs.
  void Choose(const std::string& path) { chooser_.answers.push_back(QString::fromStdString(path)); }

  static QAction* Action(QWidget& window, const char* name) { return window.findChild<QAction*>(name); }
  static void Trigger(QWidget& window, const char* name) { Action(window, name)->trigger(); }
  static void Click(QWidget& window, const char* name);
  // The same on the fixture's own window.
  QAction* Action(const char* name) { return Action(*window_, name); }
  void Trigger(const char* name) { Trigger(*window_, name); }
  void Click(const char* name) { Click(*window_, name); }

  TempDir dir_;
  std::string game_;  // the game folder, ends with '/'
  MemorySettingsStore store_;
  QueuedChooser chooser_;
  std::vector<QString> boxes_;      // "title: text" of each message box
  std::vector<QString> questions_;  // "title: text" of each question
  std::deque<SaveAnswer> answers_;  // the answers to the questions to come
  std::vector<std::string> words_;
  // The window of the tests that keep one for the whole test (MakeWindow).
  std::unique_ptr<MainWindow> window_;

 private:
  MessageBoxHook previousBox_;
  QuestionHook previousQuestion_;
};

}  // namespace clipvex::test
