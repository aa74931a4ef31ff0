// The File commands: New, Open, Save, Save As, Close and Exit, and the
// question before a changed demo is dropped. Opening and saving go through
// the converter (document/conversion.h).
#pragma once

#include <QList>
#include <QObject>

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

class FileController : public QObject {
  Q_OBJECT

 public:
  FileController(EditorState& editor, StripController& strips, FileChooser& chooser, Notifier& notifier,
                 Feedback& status, QWidget* window);

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

 public slots:
  void newDemo();
  void openDemo();
  void save();
  void saveAs();
  void closeDemo();
  void exit();

 private:
  void closeStrip(StripDocument& document);

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
};

}  // namespace clipvex
