#include "dialogs/messages.h"

#include <QFile>
#include <QMessageBox>
#include <exception>

#include "document/error.h"

namespace clipvex {
namespace {

MessageBoxHook& Hook() {
  static MessageBoxHook hook;
  return hook;
}

QuestionHook& Question() {
  static QuestionHook hook;
  return hook;
}

}  // namespace

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook) {
  MessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

void ShowMessage(QWidget* parent, const QString& title, const QString& text, MessageKind kind) {
  if (Hook()) {
    Hook()(parent, title, text);
    return;
  }
  const QMessageBox::Icon icon = kind == MessageKind::Error ? QMessageBox::Critical : QMessageBox::Information;
  QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
  box.setObjectName("messageBox");
  box.exec();
}

QuestionHook SetQuestionHook(QuestionHook hook) {
  QuestionHook previous = std::move(Question());
  Question() = std::move(hook);
  return previous;
}

SaveAnswer AskSaveChanges(QWidget* parent, const QString& title, const QString& text) {
  if (Question()) return Question()(parent, title, text);
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                  parent);
  box.setObjectName("questionBox");
  box.setDefaultButton(QMessageBox::Save);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Save:
      return SaveAnswer::Save;
    case QMessageBox::Discard:
      return SaveAnswer::Discard;
    default:
      return SaveAnswer::Cancel;
  }
}

bool AskSaveAnyway(QWidget* parent, const QString& title, const QString& text) {
  if (Question()) return Question()(parent, title, text) == SaveAnswer::Save;
  QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Save | QMessageBox::Cancel, parent);
  box.setObjectName("saveAnywayBox");
  box.setDefaultButton(QMessageBox::Cancel);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Save;
}

bool Guarded(QWidget* parent, const std::function<void()>& command) {
  QString error;
  try {
    command();
    return true;
  } catch (const CancelledError&) {
    return false;  // the user asked for it: nothing to report
  } catch (const std::bad_alloc&) {
    error = "Out of memory";
  } catch (const std::exception& e) {
    error = QString::fromUtf8(e.what());
  }
  ShowMessage(parent, "Clipvex", error);
  return false;
}

void MessageBoxNotifier::ShowError(std::string_view text) {
  ShowMessage(parent_, "Error", QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
}

QString FromBytes(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string ToBytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString FromPath(const std::string& path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string ToPath(const QString& path) {
  const QByteArray bytes = QFile::encodeName(path);
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace clipvex
