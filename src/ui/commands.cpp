#include "ui/commands.h"

#include <QAbstractButton>
#include <QAction>

#include "dialogs/messages.h"
#include "ui/editorstate.h"

namespace clipvex {
namespace {

std::function<void()> Guard(EditorState& editor, QWidget* window, std::function<void()> command, DuringRun duringRun) {
  return [&editor, window, command = std::move(command), duringRun] {
    if (editor.previewBusy() && duringRun == DuringRun::Refused) return;
    Guarded(window, command);
  };
}

}  // namespace

void StatusFeedback::Status(std::string_view word) {
  show_(QString::fromLatin1(word.data(), static_cast<qsizetype>(word.size())));
}

QAction* MakeAction(QObject* parent, const char* name, const QString& caption, const QKeySequence& shortcut) {
  auto* action = new QAction(caption, parent);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  return action;
}

void Connect(QAction* action, EditorState& editor, QWidget* window, std::function<void()> command,
             DuringRun duringRun) {
  QObject::connect(action, &QAction::triggered, window, Guard(editor, window, std::move(command), duringRun));
}

void Connect(QAbstractButton* button, EditorState& editor, QWidget* window, std::function<void()> command,
             DuringRun duringRun) {
  QObject::connect(button, &QAbstractButton::clicked, window, Guard(editor, window, std::move(command), duringRun));
}

}  // namespace clipvex
