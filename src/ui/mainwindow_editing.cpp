// The Edit, F/X and Insert commands of the main window, the undo history of
// each strip, the window title and the question before a changed demo is
// dropped. The rules themselves live in editing/.
#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QToolButton>

#include "dialogs/messages.h"
#include "document/conversion.h"
#include "document/error.h"
#include "editing/reverse.h"
#include "editing/stuff.h"
#include "ui/mainwindow_editing.h"

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

QString BareName(const std::string& path) { return QFileInfo(FromPath(path)).fileName(); }

}  // namespace

void Tclipvex_form::Editing::StripEdited(TFilmStrip* strip) {
  if (strip == window_.activeStrip) window_.Refresh_buttClick();
  window_.UpdateTitle();
  window_.EffectsBlocksChanged(strip);
}

void Tclipvex_form::Editing::EditFailed(const QString& text) { ShowMessage(&window_, "Clipvex", text); }

void Tclipvex_form::BuildUndoActions(QMenu* edit) {
  editing_ = std::make_unique<Editing>(*this);
  editing_->group = new QUndoGroup(this);
  QAction* undo = editing_->group->createUndoAction(this, "&Undo");
  undo->setObjectName("Undo1");
  undo->setShortcut(QKeySequence("Ctrl+Z"));
  undo->setShortcutContext(Qt::WindowShortcut);
  edit->addAction(undo);
  QAction* redo = editing_->group->createRedoAction(this, "&Redo");
  redo->setObjectName("Redo1");
  redo->setShortcuts({QKeySequence("Ctrl+Shift+Z"), QKeySequence("Ctrl+Y")});
  redo->setShortcutContext(Qt::WindowShortcut);
  edit->addAction(redo);
  connect(editing_->group, &QUndoGroup::cleanChanged, this, [this] { UpdateTitle(); });
}

void Tclipvex_form::SetUpEditing() {
  // Deleted blocks and old time lines of a long demo stay in the history:
  // it keeps the last steps only.
  constexpr int kUndoLimit = 100;
  editing_->master = new QUndoStack(editing_->group);
  editing_->master->setObjectName("MasterHistory");
  editing_->master->setUndoLimit(kUndoLimit);
  editing_->final = new QUndoStack(editing_->group);
  editing_->final->setObjectName("FinalHistory");
  editing_->final->setUndoLimit(kUndoLimit);
  SyncActiveHistory();
}

void Tclipvex_form::CreateEditingForms(const std::function<void()>& takeDel) {
  editing_->stuff = new Tstuff_form(this);
  editing_->stuff->onActivate = takeDel;
  editing_->stuff->onInsert = [this](const std::string& line) {
    const char* name = InsertStepName(editing_->stuff->State().stuff_kind);
    Guarded(this, [&] { RunEdit(name, [line](StripEdit& edit) { InsertText(edit, line); }); });
  };
}

Tstuff_form* Tclipvex_form::StuffDialog() const { return editing_->stuff; }
const ClipboardHolder& Tclipvex_form::Clipboard() const { return editing_->clipboard; }
QUndoStack* Tclipvex_form::UndoStack(const TFilmStrip* strip) const { return editing_->StackOf(strip); }

bool Tclipvex_form::Changed(const TFilmStrip* strip) const {
  return strip->State().HasDemo() && !editing_->StackOf(strip)->isClean();
}

void Tclipvex_form::SyncActiveHistory() {
  if (editing_ == nullptr || editing_->master == nullptr) return;
  // While a screenshot run waits no history is active, so Undo and Redo
  // stay disabled whichever strip is clicked.
  editing_->group->setActiveStack(previewBusy_ ? nullptr : editing_->StackOf(activeStrip));
  UpdateTitle();
}

void Tclipvex_form::UpdateTitle() {
  if (editing_ == nullptr || editing_->master == nullptr) return;
  const StripState& state = activeStrip->State();
  setWindowModified(false);
  if (!state.HasDemo()) {
    setWindowTitle("Clipvex");
    return;
  }
  setWindowTitle(BareName(state.fileName) + "[*] - Clipvex");
  setWindowModified(Changed(activeStrip));
}

void Tclipvex_form::StartHistory(TFilmStrip* strip) {
  editing_->StackOf(strip)->clear();
  strip->State().timesRetimed = true;
  UpdateTitle();
  // A demo closed, opened or made new: nothing may point into the old one.
  EffectsDemoReplaced(strip);
}

void Tclipvex_form::MarkSaved(TFilmStrip* strip) {
  editing_->StackOf(strip)->setClean();
  UpdateTitle();
}

bool Tclipvex_form::ConfirmDrop(TFilmStrip* strip) {
  if (!Changed(strip)) return true;
  const QString question = QString("Save changes to '%1'?").arg(BareName(strip->State().fileName));
  switch (AskSaveChanges(this, "Clipvex", question)) {
    case SaveAnswer::Cancel:
      return false;
    case SaveAnswer::Discard:
      return true;
    case SaveAnswer::Save:
      break;
  }
  // A save that fails raises its error: the command that asked stops there
  // and the demo stays open.
  SetStatus("Saving File");
  SaveDemo(strip->State().demo, strip->State().fileName, settings);
  MarkSaved(strip);
  SetStatus("Done");
  return true;
}

template <class Edit>
void Tclipvex_form::RunEdit(const char* name, Edit edit) {
  RunStep(activeStrip, name, std::move(edit), {}, true);
}

void Tclipvex_form::RunStep(TFilmStrip* strip, const std::string& name, EditStep::Function edit,
                            std::weak_ptr<Block> textBlock, bool refresh) {
  if (!HoldsEditableDemo(strip->State())) return;
  if (previewBusy_) {
    // A run renames screenshots by the block numbers it started with.
    throw ClipvexError("The demo cannot change while screenshots are being taken: wait for the run to end or press Stop.");
  }
  auto command = std::make_unique<EditCommand>(*strip, EditStep(name, std::move(edit)), *editing_);
  if (!textBlock.expired()) command->SetTextEdit(std::move(textBlock));
  const bool changed = command->Do();
  if (changed) editing_->StackOf(strip)->push(command.release());
  if (refresh) Refresh_buttClick();
  if (changed) EffectsBlocksChanged(strip);
}

void Tclipvex_form::Copy1Click() {
  if (ClipboardPtr copied = CopyBlocks(activeStrip->State(), editing_->feedback)) {
    editing_->clipboard.clip = std::move(copied);
  }
}

void Tclipvex_form::Cut1Click() {
  Copy1Click();
  RunEdit("Cut", DeleteBlocks);
}

void Tclipvex_form::Delete1Click() { RunEdit("Delete", DeleteBlocks); }

void Tclipvex_form::SelectAll1Click() {
  SelectAll(activeStrip->State());
  Refresh_buttClick();
}

void Tclipvex_form::Paste1Click() {
  const ClipboardPtr clip = editing_->clipboard.clip;
  if (clip == nullptr) return;
  RunEdit("Paste", [clip](StripEdit& edit) { PasteBlocks(edit, *clip); });
}

void Tclipvex_form::PasteonEnd1Click() {
  if (!activeStrip->State().HasDemo()) return;
  if (const ClipboardPtr clip = editing_->clipboard.clip) {
    RunEdit("Paste at End", [clip](StripEdit& edit) { PasteBlocksAtEnd(edit, *clip); });
  }
  Refresh_buttClick();
}

void Tclipvex_form::PasteNewLevel1Click() {
  const ClipboardPtr clip = editing_->clipboard.clip;
  if (clip == nullptr) return;
  RunEdit("Paste New Level", [clip](StripEdit& edit) { PasteNewLevel(edit, *clip); });
}

void Tclipvex_form::Reverse1Click() {
  const std::int32_t step = activeStrip->State().step;
  RunEdit("Reverse", [step](StripEdit& edit) { ReverseBlocks(edit, step); });
}

void Tclipvex_form::Sound1Click() { ShowStuff(StuffKind::Sound); }
void Tclipvex_form::PrintMessage1Click() { ShowStuff(StuffKind::PrintMessage); }
void Tclipvex_form::CenterPrint1Click() { ShowStuff(StuffKind::CenterPrint); }
void Tclipvex_form::ConsoleCommand1Click() { ShowStuff(StuffKind::ConsoleCommand); }

void Tclipvex_form::ShowStuff(StuffKind kind) {
  // The dialog exists once the program has made its windows (CreateForms).
  if (editing_->stuff != nullptr) editing_->stuff->Setup(kind);
}

}  // namespace clipvex
