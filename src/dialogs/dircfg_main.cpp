#include "dialogs/dircfg_main.h"

#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "dialogs/dir_dialog_main.h"
#include "dialogs/messages.h"
#include "dialogs/modeless.h"

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
    : QDialog(parent), settings_(settings), store_(store), dirDialog_(dirDialog) {
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
  grid->addWidget(label("LMPC Path", lmpcpath), 1, 0);
  grid->addWidget(lmpcpath, 1, 1);
  grid->addWidget(SpeedButton2, 1, 2);
  grid->addWidget(label("Defualt DEM Dir", dempath), 2, 0);
  grid->addWidget(dempath, 2, 1);
  grid->addWidget(note, 3, 1, 1, 2);
  grid->setColumnStretch(1, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(fast_box);
  buttons->addStretch(1);
  buttons->addWidget(ok_butt);
  buttons->addWidget(cancel_butt);

  auto* layout = new QVBoxLayout(this);
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

void Tdircfg_form::ShowModeless() { clipvex::ShowModeless(*this, centred_); }

bool Tdircfg_form::event(QEvent* event) {
  ReportActivation(*event, onActivate);
  return QDialog::event(event);
}

void Tdircfg_form::ok_buttClick() {
  DircfgValues values = BoxValues();
  if (!PrepareDircfgValues(values)) return;
  SetBoxText(winqpath, values.winqpath);
  SetBoxText(lmpcpath, values.lmpcpath);

  std::string failed;
  const bool done = Guarded(parentWidget(), [&] {
    failed = WriteDircfgValues(store_, values);
    close();
    // Values that are still unusable bring the dialog straight back.
    LoadSettings(settings_, store_, [this] { ShowModeless(); });
  });
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
