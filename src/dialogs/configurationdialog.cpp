#include "dialogs/configurationdialog.h"

#include <QCheckBox>
#include <QColor>
#include <QDir>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/messages.h"
#include "dialogs/modeless.h"
#include "dialogs/selectdirectorydialog.h"

namespace clipvex {
namespace {

QLineEdit* NewBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(name);
  box->setMinimumWidth(380);
  return box;
}

// Long texts show from their start.
void SetBoxText(QLineEdit* box, const std::string& text) {
  box->setText(FromPath(text));
  box->setCursorPosition(0);
}

// A small red note under a box, hidden while it has nothing to say.
QLabel* NewNote(const char* name, QWidget* parent) {
  auto* note = new QLabel(parent);
  note->setObjectName(name);
  QPalette palette = note->palette();
  palette.setColor(QPalette::WindowText, QColor(192, 0, 0));
  note->setPalette(palette);
  QFont font = note->font();
  if (font.pointSizeF() > 0) font.setPointSizeF(font.pointSizeF() * 0.9);
  note->setFont(font);
  note->hide();
  return note;
}

void SetNote(QLabel* note, const std::string& text) {
  note->setText(FromPath(text));
  note->setVisible(!text.empty());
}

QToolButton* NewBrowseButton(const char* name, QWidget* parent) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
  button->setToolTip("Browse...");
  button->setFocusPolicy(Qt::NoFocus);
  button->setAutoRaise(true);
  return button;
}

}  // namespace

ConfigurationDialog::ConfigurationDialog(Settings& settings, SettingsStore& store,
                                         SelectDirectoryDialog& selectDirectory, QWidget* parent)
    : ModelessDialog(parent), settings_(settings), store_(store), selectDirectory_(selectDirectory) {
  setObjectName("dircfg_form");
  setWindowTitle("Configuration");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  MakeOkCancel(*this, ok_, cancel_);

  addParams_ = NewBox("addparams", this);
  auto* directories = new QGroupBox("   Directories   ", this);
  gameFolder_ = NewBox("winqpath", directories);
  converterFolder_ = NewBox("lmpcpath", directories);
  gameDirectory_ = NewBox("dempath", directories);
  QToolButton* browseGame = NewBrowseButton("SpeedButton1", directories);
  QToolButton* browseConverter = NewBrowseButton("SpeedButton2", directories);
  fastPreview_ = new QCheckBox("Fast Preview", this);
  fastPreview_->setObjectName("fast_box");

  reason_ = new QLabel(this);
  reason_->setObjectName("reason");
  reason_->setWordWrap(true);
  reason_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  reason_->setMargin(6);
  reason_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reason_->hide();
  gameFolderNote_ = NewNote("winqpath_note", directories);
  converterFolderNote_ = NewNote("lmpcpath_note", directories);
  gameDirectoryNote_ = NewNote("dempath_note", directories);

  auto* note =
      new QLabel("Must be a subdirectory of  Quake, WinQuake will be run with -game <this directory>", directories);
  QFont noteFont = note->font();
  noteFont.setItalic(true);
  if (noteFont.pointSizeF() > 0) noteFont.setPointSizeF(noteFont.pointSizeF() * 0.85);
  note->setFont(noteFont);
  note->setWordWrap(true);

  // Wide enough for the built-in parameters.
  addParams_->setMinimumWidth(addParams_->fontMetrics().horizontalAdvance(kDefaultAddParams) + 24);
  auto* top = new QFormLayout;
  auto* addparamsLabel = new QLabel("Additional WinQuake Parameters", this);
  addparamsLabel->setBuddy(addParams_);
  top->addRow(addparamsLabel, addParams_);

  auto* grid = new QGridLayout(directories);
  const auto label = [directories](const char* text, QLineEdit* buddy) {
    auto* l = new QLabel(text, directories);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label("Winquake Path", gameFolder_), 0, 0);
  grid->addWidget(gameFolder_, 0, 1);
  grid->addWidget(browseGame, 0, 2);
  grid->addWidget(gameFolderNote_, 1, 1, 1, 2);
  grid->addWidget(label("LMPC Path", converterFolder_), 2, 0);
  grid->addWidget(converterFolder_, 2, 1);
  grid->addWidget(browseConverter, 2, 2);
  grid->addWidget(converterFolderNote_, 3, 1, 1, 2);
  grid->addWidget(label("Defualt DEM Dir", gameDirectory_), 4, 0);
  grid->addWidget(gameDirectory_, 4, 1);
  grid->addWidget(gameDirectoryNote_, 5, 1, 1, 2);
  grid->addWidget(note, 6, 1, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(fastPreview_);
  buttons->addStretch(1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(reason_);
  layout->addLayout(top);
  layout->addWidget(directories);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(ok_, cancel_);
  setTabOrder(cancel_, addParams_);
  setTabOrder(addParams_, gameFolder_);
  setTabOrder(gameFolder_, converterFolder_);
  setTabOrder(converterFolder_, gameDirectory_);
  setTabOrder(gameDirectory_, fastPreview_);

  connect(ok_, &QPushButton::clicked, this, &ConfigurationDialog::applyAndClose);
  connect(cancel_, &QPushButton::clicked, this, &QWidget::close);
  connect(browseGame, &QToolButton::clicked, this, [this] { browse(gameFolder_); });
  connect(browseConverter, &QToolButton::clicked, this, [this] { browse(converterFolder_); });
  // A note speaks of the text it was made for: a change, typed or browsed,
  // takes it away. The subdirectory is looked for in the game folder, so
  // that note goes with the game folder's.
  connect(gameFolder_, &QLineEdit::textChanged, this, [this] {
    SetNote(gameFolderNote_, {});
    SetNote(gameDirectoryNote_, {});
  });
  connect(converterFolder_, &QLineEdit::textChanged, this, [this] { SetNote(converterFolderNote_, {}); });
  connect(gameDirectory_, &QLineEdit::textChanged, this, [this] { SetNote(gameDirectoryNote_, {}); });

  DircfgValues values = DefaultDircfgValues(ToPath(QDir::homePath()));
  ReadDircfgValues(store_, values);
  setBoxValues(values);

  if (settings_.configpending) {
    showModeless();
    settings_.configpending = false;
  }
}

DircfgValues ConfigurationDialog::boxValues() const {
  DircfgValues values;
  values.winqpath = ToPath(gameFolder_->text());
  values.lmpcpath = ToPath(converterFolder_->text());
  values.dempath = ToPath(gameDirectory_->text());
  values.addparams = ToPath(addParams_->text());
  values.fast = fastPreview_->isChecked();
  return values;
}

void ConfigurationDialog::setBoxValues(const DircfgValues& values) {
  SetBoxText(gameFolder_, values.winqpath);
  SetBoxText(converterFolder_, values.lmpcpath);
  SetBoxText(gameDirectory_, values.dempath);
  SetBoxText(addParams_, values.addparams);
  fastPreview_->setChecked(values.fast);
}

void ConfigurationDialog::updateReason() {
  const std::string problem = ConfigurationProblem(store_);
  reason_->setText(FromPath(problem));
  reason_->setVisible(!problem.empty());
}

void ConfigurationDialog::showNotes(const DircfgProblems& problems) {
  SetNote(gameFolderNote_, problems.winqpath);
  SetNote(converterFolderNote_, problems.lmpcpath);
  SetNote(gameDirectoryNote_, problems.dempath);
}

void ConfigurationDialog::showModeless() {
  updateReason();
  showInFront();
}

void ConfigurationDialog::applyAndClose() {
  DircfgValues values = boxValues();
  if (!PrepareDircfgValues(values)) return;
  SetBoxText(gameFolder_, values.winqpath);
  SetBoxText(converterFolder_, values.lmpcpath);

  std::string failed;
  bool usable = false;
  const bool done = Guarded(parentWidget(), [&] {
    failed = WriteDircfgValues(store_, values);
    usable = LoadSettings(settings_, store_, {});
  });
  if (usable) {
    showNotes({});
    close();
  } else {
    // Values that are still unusable keep the dialog open, and each box
    // that is to blame says why right under it.
    showNotes(CheckDircfgValues(values));
    showModeless();
  }
  if (done && !failed.empty()) {
    ShowMessage(isVisible() ? this : parentWidget(), "Clipvex", FromBytes("Failed to set data for '" + failed + "'"));
  }
}

void ConfigurationDialog::browse(QLineEdit* target) {
  selectDirectory_.setTarget(target);
  selectDirectory_.showModeless();
}

}  // namespace clipvex
