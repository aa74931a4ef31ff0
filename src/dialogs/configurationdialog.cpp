#include "dialogs/configurationdialog.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
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
#include "preview/enginecheck.h"
#include "settings/engineprofile.h"

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
  profile_ = new QComboBox(directories);
  profile_->setObjectName("profile_box");
  profile_->setToolTip("The game that plays the previews: the preview game, or a real engine described by a profile");

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
  profileNote_ = NewNote("profile_note", directories);
  profileNote_->setWordWrap(true);

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
  auto* profileLabel = new QLabel("Engine Profile", directories);
  profileLabel->setBuddy(profile_);
  grid->addWidget(profileLabel, 2, 0);
  grid->addWidget(profile_, 2, 1, Qt::AlignLeft);
  grid->addWidget(profileNote_, 3, 1, 1, 2);
  grid->addWidget(label("LMPC Path", converterFolder_), 4, 0);
  grid->addWidget(converterFolder_, 4, 1);
  grid->addWidget(browseConverter, 4, 2);
  grid->addWidget(converterFolderNote_, 5, 1, 1, 2);
  grid->addWidget(label("Defualt DEM Dir", gameDirectory_), 6, 0);
  grid->addWidget(gameDirectory_, 6, 1);
  grid->addWidget(gameDirectoryNote_, 7, 1, 1, 2);
  grid->addWidget(note, 8, 1, 1, 2);
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
  setTabOrder(gameFolder_, profile_);
  setTabOrder(profile_, converterFolder_);
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
  connect(profile_, &QComboBox::currentTextChanged, this, [this] { SetNote(profileNote_, refused_); });

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
  values.profile = ToPath(profile_->currentText());
  return values;
}

void ConfigurationDialog::setBoxValues(const DircfgValues& values) {
  SetBoxText(gameFolder_, values.winqpath);
  SetBoxText(converterFolder_, values.lmpcpath);
  SetBoxText(gameDirectory_, values.dempath);
  SetBoxText(addParams_, values.addparams);
  fastPreview_->setChecked(values.fast);
  loadProfiles(values.profile);
}

void ConfigurationDialog::loadProfiles(const std::string& selected) {
  const ProfileCatalog catalog = ProfileCatalog::Load(UserProfileFolder());
  const QSignalBlocker quiet(profile_);
  profile_->clear();
  for (const std::string& name : catalog.Names()) profile_->addItem(FromPath(name));
  const std::string wanted = selected.empty() ? std::string(kDefaultProfileName) : selected;
  int index = profile_->findText(FromPath(wanted), Qt::MatchFixedString);  // any letter case
  if (index < 0) {
    // A stored name no profile has any more: shown, so that it can be seen and changed.
    profile_->addItem(FromPath(wanted));
    index = profile_->count() - 1;
  }
  profile_->setCurrentIndex(index);
  refused_.clear();
  for (const ProfileError& error : catalog.Problems()) {
    if (!refused_.empty()) refused_ += '\n';
    refused_ += "Refused: " + error.Text();
  }
  SetNote(profileNote_, refused_);
}

std::string ConfigurationDialog::engineProblem(const DircfgValues& values) {
  const ProfileCatalog catalog = ProfileCatalog::Load(UserProfileFolder());
  const EngineProfile* profile = catalog.Find(values.profile);
  if (profile == nullptr || profile->name == kDefaultProfileName) return {};
  // The check takes a moment; the dialogs keep painting meanwhile.
  return CheckEngine(*profile, values.winqpath, values.dempath, values.addparams, [] {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    return true;
  });
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
  std::string profile = problems.profile;
  if (!refused_.empty()) profile += (profile.empty() ? "" : "\n") + refused_;
  SetNote(profileNote_, profile);
}

void ConfigurationDialog::showModeless() {
  updateReason();
  loadProfiles(ToPath(profile_->currentText()));  // profile files may have changed meanwhile
  showInFront();
}

void ConfigurationDialog::applyAndClose() {
  DircfgValues values = boxValues();
  if (!PrepareDircfgValues(values)) return;
  SetBoxText(gameFolder_, values.winqpath);
  SetBoxText(converterFolder_, values.lmpcpath);

  std::string failed;
  bool usable = false;
  std::string engine;
  const bool done = Guarded(parentWidget(), [&] {
    failed = WriteDircfgValues(store_, values);
    usable = LoadSettings(settings_, store_, {});
    // A real engine must run before it is used.
    if (usable) engine = engineProblem(values);
  });
  if (usable && engine.empty()) {
    showNotes({});
    close();
  } else {
    // Values that are still unusable keep the dialog open, and each box
    // that is to blame says why right under it.
    DircfgProblems problems = CheckDircfgValues(values);
    if (problems.profile.empty()) problems.profile = engine;
    showModeless();
    showNotes(problems);
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
