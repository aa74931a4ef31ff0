#include "ui/filecontroller.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileInfo>
#include <QWidget>

#include "dialogs/filechooser.h"
#include "dialogs/messages.h"
#include "document/conversion.h"
#include "document/filecommands.h"
#include "ui/commands.h"
#include "ui/conversionwait.h"
#include "ui/editorstate.h"
#include "ui/stripcontroller.h"

namespace clipvex {

FileController::FileController(EditorState& editor, StripController& strips, FileChooser& chooser, Notifier& notifier,
                               Feedback& status, QWidget* window)
    : QObject(window),
      editor_(editor),
      strips_(strips),
      chooser_(chooser),
      notifier_(notifier),
      status_(status),
      window_(window),
      new_(MakeAction(this, "New1", "&New", QKeySequence("Ctrl+N"))),
      open_(MakeAction(this, "Open1", "&Open", QKeySequence("Ctrl+O"))),
      save_(MakeAction(this, "Save1", "&Save", QKeySequence("Ctrl+S"))),
      saveAs_(MakeAction(this, "SaveAs1", "Save &As...", QKeySequence("Ctrl+Shift+S"))),
      close_(MakeAction(this, "Close1", "&Close", QKeySequence("Ctrl+W"))),
      exit_(MakeAction(this, "Exit1", "E&xit", QKeySequence("Ctrl+Q"))),
      wait_(std::make_unique<WindowConversionWait>(window)) {
  setObjectName("files");
  Connect(new_, editor_, window_, [this] { newDemo(); });
  Connect(open_, editor_, window_, [this] { openDemo(); });
  Connect(save_, editor_, window_, [this] { save(); });
  Connect(saveAs_, editor_, window_, [this] { saveAs(); });
  Connect(close_, editor_, window_, [this] { closeDemo(); });
  Connect(
      exit_, editor_, window_, [this] { exit(); }, DuringRun::Allowed);
  // What the commands allow follows the active strip's demo.
  connect(&editor_, &EditorState::activeDocumentChanged, this, &FileController::updateActions);
  connect(&editor_, &EditorState::previewBusyChanged, this, &FileController::updateActions);
  for (StripDocument* document : editor_.documents()) {
    connect(document, &StripDocument::demoReplaced, this, &FileController::updateActions);
  }
  updateActions();
}

FileController::~FileController() = default;

void FileController::setSaveButton(QAbstractButton* button) {
  saveButton_ = button;
  updateActions();
}

void FileController::updateActions() {
  const bool enabled = editor_.activeDocument().state().HasDemo() && !editor_.previewBusy();
  for (QAction* action : {save_, saveAs_, close_}) action->setEnabled(enabled);
  if (saveButton_ != nullptr) saveButton_->setEnabled(enabled);
}

bool FileController::confirmDrop(StripDocument& document) {
  if (!document.isModified()) return true;
  const QString name = QFileInfo(FromPath(document.state().fileName)).fileName();
  switch (AskSaveChanges(window_, "Clipvex", QString("Save changes to '%1'?").arg(name))) {
    case SaveAnswer::Cancel:
      return false;
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Save:
      break;
  }
  // A save that fails raises its error: the command that asked stops there
  // and the demo stays open.
  status_.Status("Saving File");
  const bool saved = saveTo(document, document.state().fileName);
  status_.Status("Done");
  return saved;
}

bool FileController::saveTo(StripDocument& document, const std::string& target) {
  if (saveCheck_ && !saveCheck_(document, target)) return false;
  SaveDemo(document.state().demo, target, editor_.settings(), *wait_);
  document.markSaved(target);
  return true;
}

void FileController::closeStrip(StripDocument& document) {
  if (!document.state().HasDemo()) return;
  status_.Status("Closing File");
  ResetStrip(document.state(), editor_.settings());
  document.startNewDemo();
  status_.Status("Done");
}

void FileController::closeDemo() {
  StripDocument& document = editor_.activeDocument();
  if (confirmDrop(document)) closeStrip(document);
}

void FileController::openDemo() {
  status_.Status("Opening File");
  const QString chosen = chooser_.Choose(window_, FileDialogKind::Open);
  StripDocument& document = editor_.activeDocument();
  if (!chosen.isEmpty() && confirmDrop(document)) openInto(document, chosen);
  status_.Status("Done");
}

void FileController::openInto(StripDocument& document, const QString& path) {
  // The chosen demo is read beside the open one, which is closed only once
  // the new one has loaded: a demo that does not open leaves the strip as
  // it was.
  TDemFile loaded;
  LoadDemo(ToPath(path), loaded, editor_.settings(), notifier_, *wait_);
  closeStrip(document);
  StripState& state = document.state();
  state.demo = std::move(loaded);
  state.fileName = ToPath(path);
  state.step = FitStep(state.demo.Blocks.size());
  document.startNewDemo();
  strips_.refresh();
}

void FileController::openFiles(const QStringList& paths) {
  const std::array<StripDocument*, 2> documents = editor_.documents();
  for (qsizetype i = 0; i < paths.size() && i < static_cast<qsizetype>(documents.size()); ++i) {
    status_.Status("Opening File");
    const QString path = QFileInfo(paths[i]).absoluteFilePath();
    if (Guarded(window_, [&] { openInto(*documents[static_cast<std::size_t>(i)], path); })) status_.Status("Done");
  }
}

void FileController::save() {
  status_.Status("Saving File");
  StripDocument& document = editor_.activeDocument();
  if (!document.state().HasDemo()) return;
  saveTo(document, document.state().fileName);
  status_.Status("Done");
}

void FileController::saveAs() {
  StripDocument& document = editor_.activeDocument();
  if (!document.state().HasDemo()) return;
  status_.Status("Saving File");
  const QString chosen = chooser_.Choose(window_, FileDialogKind::Save);
  if (!chosen.isEmpty()) saveTo(document, ToPath(chosen));
  status_.Status("Done");
}

void FileController::newDemo() {
  const QString chosen = chooser_.Choose(window_, FileDialogKind::New);
  if (chosen.isEmpty()) return;
  StripDocument& document = editor_.activeDocument();
  if (!confirmDrop(document)) return;
  closeStrip(document);
  status_.Status("Creating New File");
  MakeNewDemo(document.state().demo);
  document.state().fileName = ToPath(chosen);
  document.startNewDemo();
  strips_.refresh();
  status_.Status("Done");
}

void FileController::exit() { window_->close(); }

}  // namespace clipvex
