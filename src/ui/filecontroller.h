// The File commands: New, Open, Save, Save As, Close and Exit, and the
// question before a changed demo is dropped. Opening and saving go through
// the converter (document/conversion.h).
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QAbstractButton;
class QWidget;

namespace clipvex {

class EditorState;
class Feedback;
class FileChooser;
class Notifier;
class StripController;
class StripDocument;
class WindowConversionWait;

class FileController : public QObject {
  Q_OBJECT

 public:
  FileController(EditorState& editor, StripController& strips, FileChooser& chooser, Notifier& notifier,
                 Feedback& status, QWidget* window);
  ~FileController() override;

  // New, Open, Save, Save As and Close, in the order of the File menu.
  QList<QAction*> fileActions() const { return {new_, open_, save_, saveAs_, close_}; }
  QAction* exitAction() const { return exit_; }
  // The tool bar's Save button follows the Save command.
  void setSaveButton(QAbstractButton* button);

  // Asks before `document`'s changed demo is dropped: true to go on (it was
  // saved, or its changes are to be thrown away), false on Cancel. A save
  // that fails raises its error.
  bool confirmDrop(StripDocument& document);

  // Save, Save As and Close (and the Save button) only while the active
  // strip holds a demo and no preview run waits.
  void updateActions();

  // Asked before a demo is saved to `target` (Save, Save As, the save of
  // the question before a drop): false stops the save. The demo check.
  using SaveCheck = std::function<bool(StripDocument& document, const std::string& target)>;
  void setSaveCheck(SaveCheck check) { saveCheck_ = std::move(check); }

  // The files named when the program started: the first into the source
  // strip, a second into the final strip. A file that does not open is
  // reported as File > Open reports it, and the next one is still opened.
  void openFiles(const QStringList& paths);

  // How opening and saving wait for the converter.
  WindowConversionWait& conversionWait() { return *wait_; }

 public slots:
  void newDemo();
  void openDemo();
  void save();
  void saveAs();
  void closeDemo();
  void exit();

 private:
  void closeStrip(StripDocument& document);
  // Opens `path` into `document`, which keeps its demo when it fails.
  void openInto(StripDocument& document, const QString& path);
  // The save check, then the save; false when the check stopped it.
  bool saveTo(StripDocument& document, const std::string& target);

  EditorState& editor_;
  StripController& strips_;
  FileChooser& chooser_;
  Notifier& notifier_;
  Feedback& status_;
  QWidget* window_;
  QAction* new_;
  QAction* open_;
  QAction* save_;
  QAction* saveAs_;
  QAction* close_;
  QAction* exit_;
  QAbstractButton* saveButton_ = nullptr;
  std::unique_ptr<WindowConversionWait> wait_;
  SaveCheck saveCheck_;
};

}  // namespace clipvex
