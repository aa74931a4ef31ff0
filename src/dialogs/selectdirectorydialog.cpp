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

SelectDirectoryDialog::SelectDirectoryDialog(QWidget* parent) : ModelessDialog(parent) {
  setObjectName("dir_dialog_form");
  setWindowTitle("Select Directory");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  volumes_ = new QComboBox(this);
  volumes_->setObjectName("DriveComboBox1");

  model_ = new QFileSystemModel(this);
  model_->setFilter(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Drives);
  model_->setReadOnly(true);

  tree_ = new QTreeView(this);
  tree_->setObjectName("DirectoryListBox1");
  tree_->setModel(model_);
  for (int column = 1; column < model_->columnCount(); ++column) tree_->hideColumn(column);
  tree_->setHeaderHidden(true);
  tree_->setSelectionMode(QAbstractItemView::SingleSelection);
  tree_->setMinimumSize(340, 340);

  MakeOkCancel(*this, ok_, cancel_);

  auto* driveLabel = new QLabel("&Drive:", this);
  driveLabel->setBuddy(volumes_);
  auto* driveRow = new QHBoxLayout;
  driveRow->addWidget(driveLabel);
  driveRow->addWidget(volumes_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(tree_, 1);
  layout->addLayout(driveRow);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(tree_, volumes_);
  setTabOrder(volumes_, ok_);
  setTabOrder(ok_, cancel_);

  connect(ok_, &QPushButton::clicked, this, &SelectDirectoryDialog::fillTargetAndClose);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::close);

  fillVolumes();
  connect(volumes_, &QComboBox::currentIndexChanged, this, &SelectDirectoryDialog::showVolume);
  // Start at the home folder, shown within its volume.
  const QString home = QDir::cleanPath(QDir::homePath());
  int start = -1;
  int startLength = -1;
  for (int i = 0; i < volumes_->count(); ++i) {
    const QString root = volumes_->itemData(i).toString();
    if (root != home && IsBelow(home, root) && root.size() > startLength) {
      start = i;
      startLength = static_cast<int>(root.size());
    }
  }
  if (start < 0) start = volumes_->count() > 0 ? 0 : -1;
  volumes_->setCurrentIndex(start);
  showVolume(start);
  selectDirectory(home);
}

void SelectDirectoryDialog::fillVolumes() {
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
  for (const QString& root : roots) volumes_->addItem(QDir::toNativeSeparators(root), root);
}

int SelectDirectoryDialog::volumeIndexFor(const QString& path) const {
  const int current = volumes_->currentIndex();
  if (current >= 0 && IsBelow(path, volumes_->itemData(current).toString())) return current;
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < volumes_->count(); ++i) {
    const QString root = volumes_->itemData(i).toString();
    if (IsBelow(path, root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  return best;
}

QString SelectDirectoryDialog::rootPath() const {
  const int current = volumes_->currentIndex();
  return current < 0 ? QString() : volumes_->itemData(current).toString();
}

void SelectDirectoryDialog::showVolume(int index) {
  if (index < 0) return;
  const QString root = volumes_->itemData(index).toString();
  tree_->setRootIndex(model_->setRootPath(root));
  tree_->setCurrentIndex(QModelIndex());
}

bool SelectDirectoryDialog::selectDirectory(const QString& path) {
  const QFileInfo info(path);
  if (path.isEmpty() || !info.isDir()) return false;
  const QString clean = QDir::cleanPath(info.absoluteFilePath());
  const int drive = volumeIndexFor(clean);
  if (drive < 0) return false;
  if (drive != volumes_->currentIndex()) volumes_->setCurrentIndex(drive);
  if (clean == rootPath()) {
    tree_->setCurrentIndex(QModelIndex());
    return true;
  }
  const QModelIndex index = model_->index(clean);
  if (!index.isValid()) return false;
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) tree_->expand(up);
  tree_->setCurrentIndex(index);
  tree_->scrollTo(index);
  return true;
}

QString SelectDirectoryDialog::selectedDirectory() const {
  const QModelIndex index = tree_->currentIndex();
  const QString path = index.isValid() ? model_->filePath(index) : rootPath();
  return QDir::toNativeSeparators(path);
}

void SelectDirectoryDialog::showModeless() { showInFront(); }

void SelectDirectoryDialog::fillTargetAndClose() {
  const QString path = selectedDirectory();
  if (target_ && !path.isEmpty()) target_->setText(path);
  close();
}

}  // namespace clipvex
