// The Edit, F/X Reverse and Insert commands: Undo and Redo of the active
// strip's history, the block clipboard's Cut, Copy and the three Pastes,
// Delete, Select All, Reverse, and the Stufftext dialog behind the Insert
// commands. Every change of a demo runs here as a step of its strip's
// history. The rules live in editing/.
#pragma once

#include <QList>
#include <QObject>
#include <memory>
#include <string>

#include "editing/editstep.h"

class QAction;
class QWidget;

namespace clipvex {

class EditorState;
class StripController;
class StripDocument;
class StuffTextDialog;
enum class StuffKind : std::uint8_t;

class EditController : public QObject {
  Q_OBJECT

 public:
  EditController(EditorState& editor, StripController& strips, Feedback& status, QWidget* window);

  QAction* undoAction() const { return undo_; }
  QAction* redoAction() const { return redo_; }
  // Cut, Copy, Paste, Paste at End, Paste New Level, Delete and Select All,
  // in the order of the Edit menu.
  QList<QAction*> editActions() const {
    return {cut_, copy_, paste_, pasteAtEnd_, pasteNewLevel_, delete_, selectAll_};
  }
  QAction* reverseAction() const { return reverse_; }
  // Sound, Print Message, Center Print and Console Command.
  QList<QAction*> insertActions() const { return {sound_, printMessage_, centerPrint_, consoleCommand_}; }

  // Makes the Stufftext dialog (hidden).
  void createDialogs();
  StuffTextDialog* stuffTextDialog() const { return stuff_; }

  // A dialog that becomes the active window takes the Del key for its text
  // boxes; the main window takes it back when it is activated again.
  void releaseDeleteKey();
  void restoreDeleteKey();

  // Runs `edit` on `document`'s demo as a step of its history named `name`
  // (see StripDocument::runStep); `refresh` redraws the active strip
  // afterwards. While a preview run waits it raises an error saying why.
  void runStep(StripDocument& document, const std::string& name, EditStep::Function edit,
               std::weak_ptr<Block> textBlock, bool refresh);

 public slots:
  void cut();
  void copy();
  void paste();
  void pasteAtEnd();
  void pasteNewLevel();
  void deleteSelection();
  void selectAll();
  void reverse();
  void insertSound();
  void insertPrintMessage();
  void insertCenterPrint();
  void insertConsoleCommand();

 private:
  void runEdit(const char* name, EditStep::Function edit);
  void showStuffText(StuffKind kind);

  EditorState& editor_;
  StripController& strips_;
  Feedback& status_;
  QWidget* window_;
  QAction* undo_;
  QAction* redo_;
  QAction* cut_;
  QAction* copy_;
  QAction* paste_;
  QAction* pasteAtEnd_;
  QAction* pasteNewLevel_;
  QAction* delete_;
  QAction* selectAll_;
  QAction* reverse_;
  QAction* sound_;
  QAction* printMessage_;
  QAction* centerPrint_;
  QAction* consoleCommand_;
  StuffTextDialog* stuff_ = nullptr;
};

}  // namespace clipvex
