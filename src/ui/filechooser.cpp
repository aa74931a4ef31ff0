#include "ui/filechooser.h"

#include <QFileDialog>

namespace clipvex {
namespace {

// A filter shown as `caption` that matches `patterns`; the dialogs hide the
// pattern part, so the user reads the caption alone.
QString Filter(const QString& caption, const QString& patterns) { return caption + " (" + patterns + ")"; }

const QString kDemoFilter = Filter("Quake Demo Files (*.dem)", "*.dem");
const QString kTextFilter = Filter("Quake Demo Text Files (*.txt,*.out)", "*.out *.txt");
const QString kAllFilter = Filter("All Files (*.*)", "*");

}  // namespace

FileDialogSpec SpecOf(FileDialogKind kind) {
  switch (kind) {
    case FileDialogKind::Open:
      return {"OpenDialog1", "Open Demo File", {kDemoFilter, kTextFilter, kAllFilter}, false};
    case FileDialogKind::Save:
      return {"SaveDialog1", "Save Demo File", {kDemoFilter, kTextFilter, kAllFilter}, true};
    case FileDialogKind::New:
      break;
  }
  return {"newdialog1", "New Demo File", {kDemoFilter, kAllFilter}, true};
}

QString QtFileChooser::Choose(QWidget* parent, FileDialogKind kind) {
  const FileDialogSpec spec = SpecOf(kind);
  QFileDialog dialog(parent, spec.title);
  dialog.setObjectName(spec.objectName);
  dialog.setNameFilters(spec.filters);
  dialog.setDefaultSuffix("dem");
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setOption(QFileDialog::ReadOnly, false);
  if (spec.save) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

}  // namespace clipvex
