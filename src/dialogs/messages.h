// Message boxes and the error boundary every command of the editor runs in.
// Tests install a hook so that no modal box can block them.
#pragma once

#include <QString>
#include <functional>

#include "document/notifier.h"

class QWidget;

namespace clipvex {

// Shows `text` in a message box captioned `title` over `parent`.
using MessageBoxHook = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

// Replaces how message boxes are shown; an empty hook restores the real,
// modal QMessageBox. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// What a message box tells: a failure (the critical icon) or plain news.
enum class MessageKind { Error, Information };

// Every message box of the editor so far reports a failure, so that is the
// default; the hook sees title and text alike for both kinds.
void ShowMessage(QWidget* parent, const QString& title, const QString& text, MessageKind kind = MessageKind::Error);

// The answers to the question asked before a changed demo is dropped.
enum class SaveAnswer { Save, Discard, Cancel };

// Asks `text` in a box captioned `title` with Save, Discard and Cancel.
using QuestionHook = std::function<SaveAnswer(QWidget* parent, const QString& title, const QString& text)>;

// Replaces how the question is asked; an empty hook restores the real,
// modal QMessageBox. Returns the previous hook.
QuestionHook SetQuestionHook(QuestionHook hook);

SaveAnswer AskSaveChanges(QWidget* parent, const QString& title, const QString& text);

// Asks `text` in a box captioned `title` with Save and Cancel only (the
// question hook answers it too; any answer but Save is a Cancel). True
// for Save.
bool AskSaveAnyway(QWidget* parent, const QString& title, const QString& text);

// Runs `command`; an exception it raises is shown in a box titled "Clipvex"
// with the exception's text, and the command ends where it stood (a
// CancelledError, which the user caused, ends it without a box). Returns
// whether the command finished without an error.
bool Guarded(QWidget* parent, const std::function<void()>& command);

// Problems that leave usable data ("Error parsing input file"): a box
// captioned "Error" over `parent`.
class MessageBoxNotifier : public Notifier {
 public:
  explicit MessageBoxNotifier(QWidget* parent) : parent_(parent) {}
  void ShowError(std::string_view text) override;

 private:
  QWidget* parent_;
};

// Text of the editor's own byte strings (Latin-1, every byte kept) and back.
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

// File names go through the local 8-bit encoding of the file system.
QString FromPath(const std::string& path);
std::string ToPath(const QString& path);

}  // namespace clipvex
