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

Tdircfg_form::Tdircfg_form(Settings& settings, SettingsStore& store, Tdir_dialog_form& dirDialog, QWidget* parent)
    : ModelessDialog(parent), settings_(settings), store_(store), dirDialog_(dirDialog) {
  setObjectName("dircfg_form");
  setWindowTitle("Configuration");
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  MakeOkCancel(*this, ok_butt, cancel_butt);

  addparams = NewBox("addparams", this);
  auto* directories = new QGroupBox("   Directories   ", this);
  winqpath = NewBox("winqpath", directories);
  lmpcpath = NewBox("lmpcpath", directories);
  dempath = NewBox("dempath", directories);
  SpeedButton1 = NewBrowseButton("SpeedButton1", directories);
  SpeedButton2 = NewBrowseButton("SpeedButton2", directories);
  fast_box = new QCheckBox("Fast Preview", this);
  fast_box->setObjectName("fast_box");

  reason_ = new QLabel(this);
  reason_->setObjectName("reason");
  reason_->setWordWrap(true);
  reason_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  reason_->setMargin(6);
  reason_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  reason_->hide();
  winqpathNote_ = NewNote("winqpath_note", directories);
  lmpcpathNote_ = NewNote("lmpcpath_note", directories);
  dempathNote_ = NewNote("dempath_note", directories);

  auto* note =
      new QLabel("Must be a subdirectory of  Quake, WinQuake will be run with -game <this directory>", directories);
  QFont noteFont = note->font();
  noteFont.setItalic(true);
  if (noteFont.pointSizeF() > 0) noteFont.setPointSizeF(noteFont.pointSizeF() * 0.85);
  note->setFont(noteFont);
  note->setWordWrap(true);

  // Wide enough for the built-in parameters.
  addparams->setMinimumWidth(addparams->fontMetrics().horizontalAdvance(kDefaultAddParams) + 24);
  auto* top = new QFormLayout;
  auto* addparamsLabel = new QLabel("Additional WinQuake Parameters", this);
  addparamsLabel->setBuddy(addparams);
  top->addRow(addparamsLabel, addparams);

  auto* grid = new QGridLayout(directories);
  const auto label = [directories](const char* text, QLineEdit* buddy) {
    auto* l = new QLabel(text, directories);
    l->setBuddy(buddy);
    return l;
  };
  grid->addWidget(label("Winquake Path", winqpath), 0, 0);
  grid->addWidget(winqpath, 0, 1);
  grid->addWidget(SpeedButton1, 0, 2);
  grid->addWidget(winqpathNote_, 1, 1, 1, 2);
  grid->addWidget(label("LMPC Path", lmpcpath), 2, 0);
  grid->addWidget(lmpcpath, 2, 1);
  grid->addWidget(SpeedButton2, 2, 2);
  grid->addWidget(lmpcpathNote_, 3, 1, 1, 2);
  grid->addWidget(label("Defualt DEM Dir", dempath), 4, 0);
  grid->addWidget(dempath, 4, 1);
  grid->addWidget(dempathNote_, 5, 1, 1, 2);
  grid->addWidget(note, 6, 1, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(fast_box);
  buttons->addStretch(1);
  buttons->addWidget(ok_butt);
  buttons->addWidget(cancel_butt);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(reason_);
  layout->addLayout(top);
  layout->addWidget(directories);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(ok_butt, cancel_butt);
  setTabOrder(cancel_butt, addparams);
  setTabOrder(addparams, winqpath);
  setTabOrder(winqpath, lmpcpath);
  setTabOrder(lmpcpath, dempath);
  setTabOrder(dempath, fast_box);

  connect(ok_butt, &QPushButton::clicked, this, &Tdircfg_form::ok_buttClick);
  connect(cancel_butt, &QPushButton::clicked, this, &Tdircfg_form::cancel_buttClick);
  connect(SpeedButton1, &QToolButton::clicked, this, &Tdircfg_form::SpeedButton1Click);
  connect(SpeedButton2, &QToolButton::clicked, this, &Tdircfg_form::SpeedButton2Click);
  // A note speaks of the text it was made for: a change, typed or browsed,
  // takes it away. The subdirectory is looked for in the game folder, so
  // that note goes with the game folder's.
  connect(winqpath, &QLineEdit::textChanged, this, [this] {
    SetNote(winqpathNote_, {});
    SetNote(dempathNote_, {});
  });
  connect(lmpcpath, &QLineEdit::textChanged, this, [this] { SetNote(lmpcpathNote_, {}); });
  connect(dempath, &QLineEdit::textChanged, this, [this] { SetNote(dempathNote_, {}); });

  DircfgValues values = DefaultDircfgValues(ToPath(QDir::homePath()));
  ReadDircfgValues(store_, values);
  SetBoxValues(values);

  if (settings_.configpending) {
    ShowModeless();
    settings_.configpending = false;
  }
}

DircfgValues Tdircfg_form::BoxValues() const {
  DircfgValues values;
  values.winqpath = ToPath(winqpath->text());
  values.lmpcpath = ToPath(lmpcpath->text());
  values.dempath = ToPath(dempath->text());
  values.addparams = ToPath(addparams->text());
  values.fast = fast_box->isChecked();
  return values;
}

void Tdircfg_form::SetBoxValues(const DircfgValues& values) {
  SetBoxText(winqpath, values.winqpath);
  SetBoxText(lmpcpath, values.lmpcpath);
  SetBoxText(dempath, values.dempath);
  SetBoxText(addparams, values.addparams);
  fast_box->setChecked(values.fast);
}

void Tdircfg_form::UpdateReason() {
  const std::string problem = ConfigurationProblem(store_);
  reason_->setText(FromPath(problem));
  reason_->setVisible(!problem.empty());
}

void Tdircfg_form::ShowNotes(const DircfgProblems& problems) {
  SetNote(winqpathNote_, problems.winqpath);
  SetNote(lmpcpathNote_, problems.lmpcpath);
  SetNote(dempathNote_, problems.dempath);
}

void Tdircfg_form::ShowModeless() {
  UpdateReason();
  ShowInFront();
}

void Tdircfg_form::ok_buttClick() {
  DircfgValues values = BoxValues();
  if (!PrepareDircfgValues(values)) return;
  SetBoxText(winqpath, values.winqpath);
  SetBoxText(lmpcpath, values.lmpcpath);

  std::string failed;
  bool usable = false;
  const bool done = Guarded(parentWidget(), [&] {
    failed = WriteDircfgValues(store_, values);
    usable = LoadSettings(settings_, store_, {});
  });
  if (usable) {
    ShowNotes({});
    close();
  } else {
    // Values that are still unusable keep the dialog open, and each box
    // that is to blame says why right under it.
    ShowNotes(CheckDircfgValues(values));
    ShowModeless();
  }
  if (done && !failed.empty()) {
    ShowMessage(isVisible() ? this : parentWidget(), "Clipvex", FromBytes("Failed to set data for '" + failed + "'"));
  }
}

void Tdircfg_form::cancel_buttClick() { close(); }

void Tdircfg_form::Browse(QLineEdit* target) {
  dirDialog_.SetTarget(target);
  dirDialog_.ShowModeless();
}

void Tdircfg_form::SpeedButton1Click() { Browse(winqpath); }

void Tdircfg_form::SpeedButton2Click() { Browse(lmpcpath); }

}  // namespace clipvex
