// How the main window's commands are made and run. Each command runs inside
// Guarded: an error it raises is shown in a box titled "Clipvex" and the
// program goes on. While a preview run waits only the commands that may run
// then (stopping, leaving, redrawing, the dialogs that touch no demo) run at
// all; the others are turned away.
#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

#include "document/notifier.h"

class QAbstractButton;
class QAction;
class QObject;
class QWidget;

namespace clipvex {

class EditorState;

enum class DuringRun { Refused, Allowed };

// The commands' status words, written by `show` (the status bar's first
// panel, which paints at once).
class StatusFeedback : public Feedback {
 public:
  explicit StatusFeedback(std::function<void(const QString& word)> show) : show_(std::move(show)) {}
  void Status(std::string_view word) override;

 private:
  std::function<void(const QString&)> show_;
};

// A menu command named `name` (its described name, the object name tests
// find it by) with its caption and shortcut, for the window's menus.
QAction* MakeAction(QObject* parent, const char* name, const QString& caption, const QKeySequence& shortcut = {});

// Runs `command` whenever `action` is triggered or `button` clicked.
void Connect(QAction* action, EditorState& editor, QWidget* window, std::function<void()> command,
             DuringRun duringRun = DuringRun::Refused);
void Connect(QAbstractButton* button, EditorState& editor, QWidget* window, std::function<void()> command,
             DuringRun duringRun = DuringRun::Refused);

}  // namespace clipvex
