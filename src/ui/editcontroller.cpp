#include "ui/editcontroller.h"

#include <QAction>
#include <QUndoGroup>
#include <QWidget>

#include "dialogs/messages.h"
#include "dialogs/stufftextdialog.h"
#include "document/error.h"
#include "editing/clipboard.h"
#include "editing/reverse.h"
#include "editing/stuff.h"
#include "ui/commands.h"
#include "ui/editorstate.h"
#include "ui/stripcontroller.h"

namespace clipvex {
namespace {

// The step names of the Insert commands, as their menu entries read.
const char* InsertStepName(StuffKind kind) {
  switch (kind) {
    case StuffKind::Sound:
      return "Sound";
    case StuffKind::PrintMessage:
      return "Print Message";
    case StuffKind::CenterPrint:
      return "Center Print";
    case StuffKind::ConsoleCommand:
      break;
  }
  return "Console Command";
}

}  // namespace

EditController::EditController(EditorState& editor, StripController& strips, Feedback& status, QWidget* window)
    : QObject(window),
      editor_(editor),
      strips_(strips),
      status_(status),
      window_(window),
      undo_(editor.undoGroup()->createUndoAction(this, "&Undo")),
      redo_(editor.undoGroup()->createRedoAction(this, "&Redo")),
      cut_(MakeAction(this, "Cut1", "Cu&t", QKeySequence("Ctrl+X"))),
      copy_(MakeAction(this, "Copy1", "&Copy", QKeySequence("Ctrl+C"))),
      paste_(MakeAction(this, "Paste1", "&Paste", QKeySequence("Ctrl+V"))),
      pasteAtEnd_(MakeAction(this, "PasteonEnd1", "Paste at &End")),
      pasteNewLevel_(MakeAction(this, "PasteNewLevel1", "Paste New &Level")),
      delete_(MakeAction(this, "Delete1", "&Delete", QKeySequence(Qt::Key_Delete))),
      selectAll_(MakeAction(this, "SelectAll1", "Select &All", QKeySequence("Ctrl+A"))),
      reverse_(MakeAction(this, "Reverse1", "Reverse")),
      sound_(MakeAction(this, "Sound1", "&Sound")),
      printMessage_(MakeAction(this, "PrintMessage1", "&Print Message")),
      centerPrint_(MakeAction(this, "CenterPrint1", "&Center Print")),
      consoleCommand_(MakeAction(this, "ConsoleCommand1", "Console Command")) {
  setObjectName("editing");
  undo_->setObjectName("Undo1");
  undo_->setShortcut(QKeySequence("Ctrl+Z"));
  undo_->setShortcutContext(Qt::WindowShortcut);
  redo_->setObjectName("Redo1");
  redo_->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
  redo_->setShortcutContext(Qt::WindowShortcut);
  // Undo and Redo act on the active strip, which then shows the change.
  for (QAction* action : {undo_, redo_}) {
    connect(action, &QAction::triggered, this, [this] { Guarded(window_, [this] { strips_.refresh(); }); });
  }
  // A failed undo or redo is shown over the strip as it stands again.
  for (StripDocument* document : editor_.documents()) {
    connect(document, &StripDocument::editFailed, this, [this, document](const QString& message) {
      if (document == &editor_.activeDocument()) Guarded(window_, [this] { strips_.refresh(); });
      ShowMessage(window_, "Clipvex", message);
    });
  }

  Connect(cut_, editor_, window_, [this] { cut(); });
  Connect(copy_, editor_, window_, [this] { copy(); });
  Connect(paste_, editor_, window_, [this] { paste(); });
  Connect(pasteAtEnd_, editor_, window_, [this] { pasteAtEnd(); });
  Connect(pasteNewLevel_, editor_, window_, [this] { pasteNewLevel(); });
  Connect(delete_, editor_, window_, [this] { deleteSelection(); });
  Connect(selectAll_, editor_, window_, [this] { selectAll(); });
  Connect(reverse_, editor_, window_, [this] { reverse(); });
  Connect(sound_, editor_, window_, [this] { insertSound(); });
  Connect(printMessage_, editor_, window_, [this] { insertPrintMessage(); });
  Connect(centerPrint_, editor_, window_, [this] { insertCenterPrint(); });
  Connect(consoleCommand_, editor_, window_, [this] { insertConsoleCommand(); });
}

void EditController::createDialogs() {
  stuff_ = new StuffTextDialog(window_);
  connect(stuff_, &StuffTextDialog::activated, this, &EditController::releaseDeleteKey);
  stuff_->setInsertHandler([this](const std::string& line) {
    const char* name = InsertStepName(stuff_->state().stuff_kind);
    Guarded(window_, [&] { runEdit(name, [line](StripEdit& edit) { InsertText(edit, line); }); });
  });
}

void EditController::releaseDeleteKey() { delete_->setShortcut(QKeySequence()); }

void EditController::restoreDeleteKey() { delete_->setShortcut(QKeySequence(Qt::Key_Delete)); }

void EditController::runStep(StripDocument& document, const std::string& name, EditStep::Function edit,
                             std::weak_ptr<Block> textBlock, bool refresh) {
  if (!HoldsEditableDemo(document.state())) return;
  if (editor_.previewBusy()) {
    // A run renames screenshots by the block numbers it started with.
    throw ClipvexError(
        "The demo cannot change while screenshots are being taken: wait for the run to end or press Stop.");
  }
  document.runStep(EditStep(name, std::move(edit)), std::move(textBlock));
  if (refresh) strips_.refresh();
}

void EditController::runEdit(const char* name, EditStep::Function edit) {
  runStep(editor_.activeDocument(), name, std::move(edit), {}, true);
}

void EditController::copy() {
  if (ClipboardPtr copied = CopyBlocks(editor_.activeDocument().state(), status_)) {
    editor_.clipboard().clip = std::move(copied);
  }
}

void EditController::cut() {
  copy();
  runEdit("Cut", DeleteBlocks);
}

void EditController::deleteSelection() { runEdit("Delete", DeleteBlocks); }

void EditController::selectAll() {
  SelectAll(editor_.activeDocument().state());
  strips_.refresh();
}

void EditController::paste() {
  const ClipboardPtr clip = editor_.clipboard().clip;
  if (clip == nullptr) return;
  runEdit("Paste", [clip](StripEdit& edit) { PasteBlocks(edit, *clip); });
}

void EditController::pasteAtEnd() {
  if (!editor_.activeDocument().state().HasDemo()) return;
  if (const ClipboardPtr clip = editor_.clipboard().clip) {
    runEdit("Paste at End", [clip](StripEdit& edit) { PasteBlocksAtEnd(edit, *clip); });
  }
  strips_.refresh();
}

void EditController::pasteNewLevel() {
  const ClipboardPtr clip = editor_.clipboard().clip;
  if (clip == nullptr) return;
  runEdit("Paste New Level", [clip](StripEdit& edit) { PasteNewLevel(edit, *clip); });
}

void EditController::reverse() {
  const std::int32_t step = editor_.activeDocument().state().step;
  runEdit("Reverse", [step](StripEdit& edit) { ReverseBlocks(edit, step); });
}

void EditController::insertSound() { showStuffText(StuffKind::Sound); }
void EditController::insertPrintMessage() { showStuffText(StuffKind::PrintMessage); }
void EditController::insertCenterPrint() { showStuffText(StuffKind::CenterPrint); }
void EditController::insertConsoleCommand() { showStuffText(StuffKind::ConsoleCommand); }

void EditController::showStuffText(StuffKind kind) {
  // The dialog exists once the program has made its windows.
  if (stuff_ != nullptr) stuff_->showFor(kind);
}

}  // namespace clipvex
