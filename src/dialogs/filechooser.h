// The three file dialogs of the File commands, behind an interface so that
// tests answer them instead of a modal dialog.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace clipvex {

enum class FileDialogKind { Open, Save, New };

// Title, filter and options of each dialog.
struct FileDialogSpec {
  QString objectName;  // OpenDialog1, SaveDialog1, newdialog1
  QString title;
  QStringList filters;  // Qt name filters, captions as the user sees them
  bool save = false;    // asks before overwriting; the file need not exist
};

FileDialogSpec SpecOf(FileDialogKind kind);

// The suffix a name typed without one gets under `filter`: "txt" under the
// demo text filter, "dem" under the others, so that what is written (a
// demo for ".dem", dump text for anything else) is what the name says.
QString DefaultSuffixFor(const QString& filter);

// A chosen save name completed as the filter asks: a file name without any
// suffix gets the filter's default suffix; others are returned unchanged.
QString CompleteSaveName(const QString& path, const QString& filter);

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The chosen path, or an empty text when the user cancels.
  virtual QString Choose(QWidget* parent, FileDialogKind kind) = 0;
};

// The real dialogs (modal QFileDialogs; no initial file name).
class QtFileChooser : public FileChooser {
 public:
  QString Choose(QWidget* parent, FileDialogKind kind) override;
};

}  // namespace clipvex
