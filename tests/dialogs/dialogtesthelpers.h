// Shared pieces of the dialog tests: finding controls by name and recording
// message boxes instead of showing them.
#pragma once

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dialogs/messages.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace clipvex::test {

// The control named `name` (its described name) of the kind T; a test that
// asks for one the window does not have fails.
template <typename T>
T* Child(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (child == nullptr) throw std::runtime_error(std::string("no control named ") + name);
  return child;
}

// Installs a hook recording "title: text" of every message box, for the
// lifetime of the object.
class RecordedMessages {
 public:
  RecordedMessages() {
    previous_ = SetMessageBoxHook([this](QWidget*, const QString& title, const QString& text) {
      messages.push_back((title + ": " + text).toStdString());
    });
  }
  ~RecordedMessages() { SetMessageBoxHook(previous_); }
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;

  std::vector<std::string> messages;

 private:
  MessageBoxHook previous_;
};

inline QString Q(const std::string& bytes) { return QString::fromStdString(bytes); }

}  // namespace clipvex::test
