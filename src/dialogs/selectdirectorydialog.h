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

class Tdir_dialog_form : public ModelessDialog {
  Q_OBJECT

 public:
  explicit Tdir_dialog_form(QWidget* parent = nullptr);

  // Shows the dialog without blocking, in front and active; centred on the
  // screen the first time.
  void ShowModeless();

  // The box OK fills; the latest one set counts.
  void SetTarget(QLineEdit* box) { target_ = box; }
  QLineEdit* Target() const { return target_; }

  // Selects `path` in the tree, switching the volume when it lies outside
  // the one shown. False when it is not an existing directory.
  bool SelectDirectory(const QString& path);
  // The full path of the selected directory (the volume's root when nothing
  // is selected), in the platform's notation.
  QString SelectedDirectory() const;

 private:
  void ok_buttClick();
  void cancel_buttClick();
  void DriveComboBox1Change(int index);
  void FillDrives();
  int DriveIndexFor(const QString& path) const;  // the entry holding `path`, or -1
  QString RootPath() const;

  QFileSystemModel* model_;
  QTreeView* DirectoryListBox1;
  QComboBox* DriveComboBox1;
  QPushButton* ok_butt;
  QPushButton* cancel_butt;
  QPointer<QLineEdit> target_;
};

}  // namespace clipvex
