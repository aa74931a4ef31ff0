#include "dialogs/selectdirectorydialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

#include "dialogs/modeless.h"

namespace clipvex {
namespace {

// Whether `path` is `root` or lies below it (both clean, absolute).
bool IsBelow(const QString& path, const QString& root) {
  if (path == root) return true;
  const QString prefix = root.endsWith('/') ? root : root + '/';
  return path.startsWith(prefix);
}

}  // namespace

Tdir_dialog_form::Tdir_dialog_form(QWidget* parent) : ModelessDialog(parent) {
  setObjectName("dir_dialog_form");
  setWindowTitle("Select Directory");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);

  DirectoryListBox1 = new QTreeView(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) DirectoryListBox1->hideColumn(column);
  DirectoryListBox1->setHeaderHidden(true);
  DirectoryListBox1->setSelectionMode(QAbstractItemView::SingleSelection);
  DirectoryListBox1->setMinimumSize(340, 340);

  MakeOkCancel(*this, ok_butt, cancel_butt);

  auto* driveLabel = new QLabel("&Drive:", this);
  driveLabel->setBuddy(DriveComboBox1);
  auto* driveRow = new QHBoxLayout;
  driveRow->addWidget(driveLabel);
  driveRow->addWidget(DriveComboBox1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_butt);
  buttons->addWidget(cancel_butt);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(DirectoryListBox1, 1);
  layout->addLayout(driveRow);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(DirectoryListBox1, DriveComboBox1);
  setTabOrder(DriveComboBox1, ok_butt);
  setTabOrder(ok_butt, cancel_butt);

  connect(ok_butt, &QPushButton::clicked, this, &Tdir_dialog_form::ok_buttClick);
  connect(cancel_butt, &QPushButton::clicked, this, &Tdir_dialog_form::cancel_buttClick);

  FillDrives();
  connect(DriveComboBox1, &QComboBox::currentIndexChanged, this, &Tdir_dialog_form::DriveComboBox1Change);
  // Start at the home folder, shown within its volume.
  const QString home = QDir::cleanPath(QDir::homePath());
  int start = -1;
  int startLength = -1;
  for (int i = 0; i < DriveComboBox1->count(); ++i) {
    const QString root = DriveComboBox1->itemData(i).toString();
    if (root != home && IsBelow(home, root) && root.size() > startLength) {
      start = i;
      startLength = static_cast<int>(root.size());
    }
  }
  if (start < 0) start = DriveComboBox1->count() > 0 ? 0 : -1;
  DriveComboBox1->setCurrentIndex(start);
  DriveComboBox1Change(start);
  SelectDirectory(home);
}

void Tdir_dialog_form::FillDrives() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString root = QDir::cleanPath(volume.rootPath());
    // Files mounted over single files are no place to browse.
    if (!QFileInfo(root).isDir() || roots.contains(root)) continue;
    roots.append(root);
  }
  roots.sort();
  const QString home = QDir::cleanPath(QDir::homePath());
  if (!roots.contains(home) && QFileInfo(home).isDir()) roots.append(home);
  if (roots.isEmpty()) roots.append(QDir::rootPath());
  for (const QString& root : roots) DriveComboBox1->addItem(QDir::toNativeSeparators(root), root);
}

int Tdir_dialog_form::DriveIndexFor(const QString& path) const {
  const int current = DriveComboBox1->currentIndex();
  if (current >= 0 && IsBelow(path, DriveComboBox1->itemData(current).toString())) return current;
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < DriveComboBox1->count(); ++i) {
    const QString root = DriveComboBox1->itemData(i).toString();
    if (IsBelow(path, root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  return best;
}

QString Tdir_dialog_form::RootPath() const {
  const int current = DriveComboBox1->currentIndex();
  return current < 0 ? QString() : DriveComboBox1->itemData(current).toString();
}

void Tdir_dialog_form::DriveComboBox1Change(int index) {
  if (index < 0) return;
  const QString root = DriveComboBox1->itemData(index).toString();
  DirectoryListBox1->setRootIndex(model_->setRootPath(root));
  DirectoryListBox1->setCurrentIndex(QModelIndex());
}

bool Tdir_dialog_form::SelectDirectory(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) return false;
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  const int drive = DriveIndexFor(clean);
  if (drive < 0) return false;
  if (drive != DriveComboBox1->currentIndex()) DriveComboBox1->setCurrentIndex(drive);
  if (clean == RootPath()) {
    DirectoryListBox1->setCurrentIndex(QModelIndex());
    return true;
  }
  const QModelIndex index = model_->index(clean);
  if (!index.isValid()) return false;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) DirectoryListBox1->expand(up);
  DirectoryListBox1->setCurrentIndex(index);
  DirectoryListBox1->scrollTo(index);
  return true;
}

QString Tdir_dialog_form::SelectedDirectory() const {
  const QModelIndex index = DirectoryListBox1->currentIndex();
  const QString path = index.isValid() ? model_->filePath(index) : RootPath();
  return QDir::toNativeSeparators(path);
}

void Tdir_dialog_form::ShowModeless() { ShowInFront(); }

void Tdir_dialog_form::ok_buttClick() {
  const QString path = SelectedDirectory();
  if (target_ && !path.isEmpty()) target_->setText(path);
  close();
}

void Tdir_dialog_form::cancel_buttClick() { close(); }

}  // namespace clipvex
