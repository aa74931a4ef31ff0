// The Select Directory dialog: a directory tree under a chosen volume. Its OK
// puts the selected folder into the box it was opened for.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QString>

#include "dialogs/modeless.h"

class QComboBox;
class QFileSystemModel;
class QPushButton;
class QTreeView;

namespace clipvex {

class SelectDirectoryDialog : public ModelessDialog {
  Q_OBJECT

 public:
  explicit SelectDirectoryDialog(QWidget* parent = nullptr);

  // Shows the dialog without blocking, in front and active; centred on the
  // screen the first time.
  void showModeless();

  // The box OK fills; the latest one set counts.
  void setTarget(QLineEdit* box) { target_ = box; }
  QLineEdit* target() const { return target_; }

  // Selects `path` in the tree, switching the volume when it lies outside
  // the one shown. False when it is not an existing directory.
  bool selectDirectory(const QString& path);
  // The full path of the selected directory (the volume's root when nothing
  // is selected), in the platform's notation.
  QString selectedDirectory() const;

 private:
  // OK: the selected directory goes into the target box.
  void fillTargetAndClose();
  void showVolume(int index);
  void fillVolumes();
  int volumeIndexFor(const QString& path) const;  // the entry holding `path`, or -1
  QString rootPath() const;

  QFileSystemModel* model_;
  QTreeView* tree_;      // "DirectoryListBox1"
  QComboBox* volumes_;   // "DriveComboBox1"
  QPushButton* ok_;      // "ok_butt"
  QPushButton* cancel_;  // "cancel_butt"
  QPointer<QLineEdit> target_;
};

}  // namespace clipvex
