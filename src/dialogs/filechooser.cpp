#include "dialogs/filechooser.h"

#include <QFileDialog>
#include <QFileInfo>

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

// The dialogs report a filter by its full text or, hiding the patterns, by
// its caption alone; both name the text suffix only for the text filter.
QString DefaultSuffixFor(const QString& filter) { return filter.contains("*.txt") ? "txt" : "dem"; }

QString CompleteSaveName(const QString& path, const QString& filter) {
  if (path.isEmpty() || path.endsWith('/') || !QFileInfo(path).suffix().isEmpty()) return path;
  return path + "." + DefaultSuffixFor(filter);
}

QString QtFileChooser::Choose(QWidget* parent, FileDialogKind kind) {
  const FileDialogSpec spec = SpecOf(kind);
  QFileDialog dialog(parent, spec.title);
  dialog.setObjectName(spec.objectName);
  dialog.setNameFilters(spec.filters);
  // The default suffix follows the filter the user picks.
  dialog.setDefaultSuffix(DefaultSuffixFor(dialog.selectedNameFilter()));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                   [&dialog](const QString& filter) { dialog.setDefaultSuffix(DefaultSuffixFor(filter)); });
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
  const QString chosen = dialog.selectedFiles().front();
  // A platform dialog may leave the suffix to us.
  return spec.save ? CompleteSaveName(chosen, dialog.selectedNameFilter()) : chosen;
}

}  // namespace clipvex
