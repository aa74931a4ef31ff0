#include "ui/mainwindow.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

#include "dialogs/aboutdialog.h"
#include "dialogs/configurationdialog.h"
#include "dialogs/messages.h"
#include "dialogs/selectdirectorydialog.h"
#include "preview/screenshots.h"
#include "settings/settingsstore.h"
#include "ui/mainwindow_editing.h"
#include "ui/mainwindow_effects.h"
#include "ui/memstatus.h"
#include "ui/qtsettingsstore.h"
#include "ui/toolbarplace.h"

namespace clipvex {

// Problems that leave usable data: a box captioned "Error".
class Tclipvex_form::BoxNotifier : public Notifier {
 public:
  explicit BoxNotifier(QWidget* parent) : parent_(parent) {}
  void ShowError(std::string_view text) override {
    ShowMessage(parent_, "Error", QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
  }

 private:
  QWidget* parent_;
};

namespace {

// The tools in the order of the Tools tool bar; the button ids of its group.
struct ToolButtonSpec {
  const char* name;
  const char* hint;
  Glyph glyph;
  Tool tool;
};
constexpr ToolButtonSpec kToolButtons[] = {
    {"arrow_butt", "Selection Tool", Glyph::Arrow, Tool::Arrow},
    {"Zoomin_butt", "Zoom in", Glyph::ZoomIn, Tool::ZoomIn},
    {"Zoomout_butt", "Zoom out", Glyph::ZoomOut, Tool::ZoomOut},
    {"zoom_image_butt", "Zoom Thumbnail", Glyph::ZoomImage, Tool::ZoomImage},
    {"totext_butt", "View as Text", Glyph::Text, Tool::ToText},
    {"in_butt", "Set the in-flag", Glyph::InFlag, Tool::In},
    {"out_butt", "Set the out-flag", Glyph::OutFlag, Tool::Out},
};

// The client area starts below the top dock area; the strips and buttons
// keep their places relative to each other.
constexpr int kClientTop = 28;
constexpr int Y(int formY) { return formY - kClientTop; }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->move(x, y);
  label->adjustSize();
  return label;
}

// Shrinks a button's font until its caption fits its width: the layout has
// fixed sizes and fonts differ between desktops.
void FitCaption(QToolButton* button) {
  QFont font = button->font();
  const int room = button->width() - 8;
  while (font.pointSizeF() > 6 && QFontMetrics(font).horizontalAdvance(button->text()) > room) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  button->setFont(font);
}

// A picture button of the window.
QToolButton* MakeButton(QWidget* parent, const char* name, const QString& hint, Glyph glyph) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setToolTip(hint);
  button->setIcon(GlyphIcon(glyph));
  return button;
}

// A large button with a caption beside or under its picture.
QToolButton* MakeCaptionedButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                                 Glyph glyph, Qt::ToolButtonStyle style, const QRect& geometry) {
  constexpr int kPicture = 32;
  QToolButton* button = MakeButton(parent, name, hint, glyph);
  button->setText(caption);
  button->setIcon(GlyphIcon(glyph, kPicture));
  button->setIconSize(QSize(kPicture, kPicture));
  button->setToolButtonStyle(style);
  button->setGeometry(geometry);
  FitCaption(button);
  return button;
}

}  // namespace

Tclipvex_form::Tclipvex_form(SettingsStore& store, FileChooser& chooser, QWidget* parent)
    : QMainWindow(parent), store_(store), chooser_(chooser), notifier_(std::make_unique<BoxNotifier>(this)) {
  setObjectName("clipvex_form");
  setWindowTitle("Clipvex");
  setAttribute(Qt::WA_AlwaysShowToolTips);
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  BuildMenus();
  BuildToolBars();
  BuildControls(client);

  // FormCreate.
  move(0, 0);
  SetStatus("Done");
  labelMode = 0;
  MasterPanel = new TFilmStrip("MasterPanel", Y(32), *this, client);
  FinalPanel = new TFilmStrip("FinalPanel", Y(220), *this, client);
  activeStrip = MasterPanel;
  SetUpEditing();
  BuildNavigation(client);
  settings.configpending = false;
  LoadSettings(settings, store_, [this] { settings.configpending = true; });
  ClearScreenshots(settings);
  Refresh_buttClick();

  adjustSize();
}

Tclipvex_form::~Tclipvex_form() = default;

void Tclipvex_form::CreateForms() {
  dirDialog_ = new Tdir_dialog_form(this);
  dircfg_ = new Tdircfg_form(settings, store_, *dirDialog_, this);
  about_ = new Tabout_form(this);
  const auto takeDel = [this] { delete1_->setShortcut(QKeySequence()); };
  dircfg_->onActivate = takeDel;
  dirDialog_->onActivate = takeDel;
  CreateEffectForms(takeDel);
  CreateEditingForms(takeDel);
}

void Tclipvex_form::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  auto menu = [bar](const char* name, const QString& caption) {
    QMenu* m = bar->addMenu(caption);
    m->setObjectName(name);
    m->setToolTipsVisible(true);
    return m;
  };
  QMenu* file = menu("File1", "&File");
  AddCommand(file, "New1", "&New", &Tclipvex_form::New1Click, QKeySequence("Ctrl+N"));
  AddCommand(file, "Open1", "&Open", &Tclipvex_form::Open1Click, QKeySequence("Ctrl+O"));
  save1_ = AddCommand(file, "Save1", "&Save", &Tclipvex_form::Save1Click, QKeySequence("Ctrl+S"));
  saveAs1_ = AddCommand(file, "SaveAs1", "Save &As...", &Tclipvex_form::SaveAs1Click, QKeySequence("Ctrl+Shift+S"));
  close1_ = AddCommand(file, "Close1", "&Close", &Tclipvex_form::Close1Click, QKeySequence("Ctrl+W"));
  file->addSeparator()->setObjectName("N2");
  AddCommand(file, "Exit1", "E&xit", &Tclipvex_form::Exit1Click, QKeySequence("Ctrl+Q"));

  QMenu* edit = menu("Edit1", "&Edit");
  BuildUndoActions(edit);
  edit->addSeparator()->setObjectName("N3");
  AddCommand(edit, "Cut1", "Cu&t", &Tclipvex_form::Cut1Click, QKeySequence("Ctrl+X"));
  AddCommand(edit, "Copy1", "&Copy", &Tclipvex_form::Copy1Click, QKeySequence("Ctrl+C"));
  AddCommand(edit, "Paste1", "&Paste", &Tclipvex_form::Paste1Click, QKeySequence("Ctrl+V"));
  AddCommand(edit, "PasteonEnd1", "Paste at &End", &Tclipvex_form::PasteonEnd1Click);
  AddCommand(edit, "PasteNewLevel1", "Paste New &Level", &Tclipvex_form::PasteNewLevel1Click);
  delete1_ = AddCommand(edit, "Delete1", "&Delete", &Tclipvex_form::Delete1Click, QKeySequence(Qt::Key_Delete));
  AddCommand(edit, "SelectAll1", "Select &All", &Tclipvex_form::SelectAll1Click, QKeySequence("Ctrl+A"));
  edit->addSeparator()->setObjectName("N4");
  AddCommand(edit, "Find1", "&Find...", &Tclipvex_form::Find1Click, QKeySequence("Ctrl+F"));

  QMenu* fx = menu("FX1", "F/&X");
  AddCommand(fx, "Reverse1", "Reverse", &Tclipvex_form::Reverse1Click);
  AddCommand(fx, "ChangeSpeed1", "Change Speed", &Tclipvex_form::ChangeSpeed1Click);
  AddCommand(fx, "ColorFade1", "Color Fade", &Tclipvex_form::ColorFade1Click);

  QMenu* options = menu("Options1", "&Options");
  QMenu* labels = options->addMenu("Display Labels as");
  labels->setObjectName("DisplayLabelsas1");
  blockNumber1_ =
      AddCommand(labels, "BlockNumber1", "Block Number", &Tclipvex_form::BlockNumber1Click, QKeySequence("Ctrl+B"));
  time1_ = AddCommand(labels, "Time1", "Time", &Tclipvex_form::Time1Click, QKeySequence("Ctrl+T"));
  // The two modes are a choice: the current one is checked.
  auto* labelModes = new QActionGroup(labels);
  for (QAction* mode : {blockNumber1_, time1_}) {
    mode->setCheckable(true);
    labelModes->addAction(mode);
  }
  blockNumber1_->setChecked(true);
  AddCommand(options, "Directories1", "Directories...", &Tclipvex_form::Directories1Click);

  QMenu* insert = menu("insert1", "&Insert");
  AddCommand(insert, "Sound1", "&Sound", &Tclipvex_form::Sound1Click);
  AddCommand(insert, "PrintMessage1", "&Print Message", &Tclipvex_form::PrintMessage1Click);
  AddCommand(insert, "CenterPrint1", "&Center Print", &Tclipvex_form::CenterPrint1Click);
  AddCommand(insert, "ConsoleCommand1", "Console Command", &Tclipvex_form::ConsoleCommand1Click);

  QMenu* help = menu("Help1", "&Help");
  AddCommand(help, "About1", "&About...", &Tclipvex_form::About1Click);
}

QAction* Tclipvex_form::AddCommand(QMenu* menu, const char* name, const QString& caption,
                                   void (Tclipvex_form::*handler)(), const QKeySequence& shortcut) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(name);
  action->setShortcut(shortcut);
  action->setShortcutContext(Qt::WindowShortcut);
  if (handler != nullptr) connect(action, &QAction::triggered, this, [this, handler] { Run(handler); });
  return action;
}

QToolButton* Tclipvex_form::AddButton(QToolBar* bar, const char* name, const QString& hint, Glyph glyph,
                                      void (Tclipvex_form::*handler)()) {
  QToolButton* button = MakeButton(bar, name, hint, glyph);
  button->setAutoRaise(true);
  button->setFixedSize(25, 25);
  Bind(button, handler);
  bar->addWidget(button);
  return button;
}

void Tclipvex_form::Bind(QAbstractButton* button, void (Tclipvex_form::*handler)()) {
  if (handler != nullptr) connect(button, &QAbstractButton::clicked, this, [this, handler] { Run(handler); });
}

void Tclipvex_form::BuildToolBars() {
  menubar1_ = new QToolBar("Main", this);
  menubar1_->setObjectName("menubar1");
  menubar1_->setIconSize(QSize(20, 20));
  menubar1_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  AddButton(menubar1_, "new_butt", "Create a New File", Glyph::New, &Tclipvex_form::New1Click);
  AddButton(menubar1_, "open_butt", "Open File", Glyph::Open, &Tclipvex_form::Open1Click);
  AddButton(menubar1_, "save_butt", "Save File", Glyph::Save, &Tclipvex_form::Save1Click);
  menubar1_->addSeparator();
  AddButton(menubar1_, "cut_butt", "Cut Selection", Glyph::Cut, &Tclipvex_form::Cut1Click);
  AddButton(menubar1_, "copy_butt", "Copy Selection", Glyph::Copy, &Tclipvex_form::Copy1Click);
  AddButton(menubar1_, "paste_butt", "Paste Selection", Glyph::Paste, &Tclipvex_form::Paste1Click);
  AddButton(menubar1_, "pasteend_butt", "Paste Selection at End", Glyph::PasteEnd, &Tclipvex_form::PasteonEnd1Click);
  menubar1_->addSeparator();
  // This button is the stop command of screenshot runs, whatever its hint says.
  AddButton(menubar1_, "SpeedButton2", "Change Speed", Glyph::Stop, &Tclipvex_form::SpeedButton1Click);
  AddButton(menubar1_, "SpeedButton3", "Color Fade", Glyph::ColorFade, &Tclipvex_form::ColorFade1Click);
  menubar1_->addSeparator();
  AddButton(menubar1_, "SpeedButton5", "Insert Sound", Glyph::Sound, &Tclipvex_form::Sound1Click);
  AddButton(menubar1_, "SpeedButton7", "Insert Print Message", Glyph::Print, &Tclipvex_form::PrintMessage1Click);
  addToolBar(Qt::TopToolBarArea, menubar1_);

  toolbar1_ = new QToolBar("Tools", this);
  toolbar1_->setObjectName("toolbar1");
  toolbar1_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  toolbar1_->setFloatable(true);
  tools_ = new QButtonGroup(this);
  tools_->setExclusive(true);
  for (std::size_t i = 0; i < std::size(kToolButtons); ++i) {
    QToolButton* button =
        AddButton(toolbar1_, kToolButtons[i].name, kToolButtons[i].hint, kToolButtons[i].glyph, nullptr);
    button->setCheckable(true);
    tools_->addButton(button, static_cast<int>(i));
  }
  tools_->button(0)->setChecked(true);
  addToolBar(Qt::TopToolBarArea, toolbar1_);
  connect(toolbar1_, &QToolBar::visibilityChanged, this, &Tclipvex_form::toolbar1VisibleChanged);
  setDockNestingEnabled(false);
}

void Tclipvex_form::BuildControls(QWidget* client) {
  Bind(MakeCaptionedButton(client, "fullpre_butt", "Full Preview", "Generate Screen Shots for all frames",
                           Glyph::Preview, Qt::ToolButtonTextBesideIcon, QRect(8, Y(144), 145, 73)),
       &Tclipvex_form::fullpre_buttClick);
  Bind(MakeCaptionedButton(client, "update_butt", "Update Viewable", "Generate Screen Shots for Visible Frames",
                           Glyph::Update, Qt::ToolButtonTextUnderIcon, QRect(160, Y(144), 89, 73)),
       &Tclipvex_form::update_buttClick);

  centerPanel_ = new QFrame(client);
  centerPanel_->setObjectName("center_panel");
  centerPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  centerPanel_->setGeometry(256, Y(144), 161, 73);
  centerPanel_->setToolTip("Double-click to float the Tools tool bar here");
  centerPanel_->installEventFilter(this);
  auto* centerDock = new QWidget(centerPanel_);
  centerDock->setObjectName("center_dock");
  centerDock->setGeometry(1, 1, 159, 5);

  struct ScrollSpec {
    const char* name;
    const char* hint;
    Glyph glyph;
    int x;
    void (Tclipvex_form::*handler)(const QObject*);
  };
  const ScrollSpec scrolls[] = {
      {"RW_butt", "Scroll 9 frames left", Glyph::PageLeft, 432, &Tclipvex_form::mRW_buttClick},
      {"BF_butt", "Scroll 1 frame left", Glyph::FrameLeft, 520, &Tclipvex_form::mBF_buttClick},
      {"P_butt", "Scroll 1 frame right", Glyph::FrameRight, 576, &Tclipvex_form::mP_buttClick},
      {"FF_butt", "Scroll 9 frames right", Glyph::PageRight, 664, &Tclipvex_form::mFF_buttClick},
  };
  for (const char* prefix : {"m", "f"}) {
    const int y = prefix[0] == 'm' ? 144 : 192;
    for (const ScrollSpec& spec : scrolls) {
      const QByteArray name = QByteArray(prefix) + spec.name;
      QToolButton* button = MakeButton(client, name.constData(), spec.hint, spec.glyph);
      button->setGeometry(spec.x, Y(y), 49, 25);
      const auto handler = spec.handler;
      connect(button, &QToolButton::clicked, this,
              [this, button, handler] { Guarded(this, [&] { (this->*handler)(button); }); });
    }
  }

  Bind(MakeCaptionedButton(client, "play_butt", "Play Selection", "Play the Selected Blocks", Glyph::Play,
                           Qt::ToolButtonTextUnderIcon, QRect(744, Y(144), 81, 73)),
       &Tclipvex_form::play_buttClick);

  QToolButton* stop = MakeButton(client, "SpeedButton1", "Stop trying to update", Glyph::Stop);
  stop->setGeometry(840, Y(168), 25, 25);
  Bind(stop, &Tclipvex_form::SpeedButton1Click);

  for (auto [name, text, y] : {std::tuple{"Label8", "Source Panel", 144}, std::tuple{"Label9", "Final Panel", 200}}) {
    QLabel* label = MakeLabel(client, name, text, 944, Y(y));
    QFont italic = label->font();
    italic.setItalic(true);
    label->setFont(italic);
    label->adjustSize();
  }

  auto* refresh = new QPushButton("Refresh", client);
  refresh->setObjectName("Refresh_butt");
  refresh->setGeometry(696, Y(344), 75, 25);
  refresh->hide();
  Bind(refresh, &Tclipvex_form::Refresh_buttClick);

  // The memory panel lies over the right end of the strips while it shows.
  mempanel_ = new QFrame(client);
  mempanel_->setObjectName("mempanel");
  mempanel_->setFrameStyle(QFrame::Panel | QFrame::Raised);
  mempanel_->setAutoFillBackground(true);
  mempanel_->installEventFilter(this);
  auto* grid = new QGridLayout(mempanel_);
  grid->setContentsMargins(12, 12, 12, 12);
  grid->setHorizontalSpacing(12);
  const char* captions[][2] = {{"Label1", "Memory Load"},
                               {"Label2", "Total Physical Mem"},
                               {"Label3", "Avail Physical Mem"},
                               {"Label4", "Avail Page File"},
                               {"Label5", "Avail Total"}};
  const char* values[] = {"memload", "physmem", "aphysmem", "apagefile", "avirtual"};
  for (int i = 0; i < 5; ++i) {
    grid->addWidget(MakeLabel(mempanel_, captions[i][0], captions[i][1], 0, 0), i, 0);
    QLabel* value = MakeLabel(mempanel_, values[i], values[i], 0, 0);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Room for byte counts of machines with terabytes of memory.
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000000000000"));
    grid->addWidget(value, i, 1);
  }
  grid->setRowStretch(5, 1);
  const QSize size = grid->sizeHint().expandedTo(QSize(201, 201));
  mempanel_->setGeometry(1017 - size.width(), Y(144) - 20, size.width(), size.height());
  mempanel_->hide();

  statusBar()->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  statusBar()->installEventFilter(this);
  statusWord_ = new QLabel(this);
  statusWord_->setObjectName("statusWord");
  statusWord_->setMinimumWidth(50);
  statusWord_->installEventFilter(this);
  statusBar()->addWidget(statusWord_, 1);
}

void Tclipvex_form::Run(void (Tclipvex_form::*handler)()) {
  if (previewBusy_ && !AllowedWhileBusy(handler)) return;
  Guarded(this, [&] { (this->*handler)(); });
}

QString Tclipvex_form::StatusWord() const { return statusWord_->text(); }

void Tclipvex_form::SetStatus(const QString& word) {
  statusWord_->setText(word);
  statusWord_->repaint();
  emit StatusChanged(word);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool Tclipvex_form::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  return QMainWindow::event(event);
}

bool Tclipvex_form::eventFilter(QObject* watched, QEvent* event) {
  const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
  if (watched == mempanel_) {
    if (doubleClick) {
      mempanelDblClick();
      return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
      mempanelClick();
      return true;
    }
  } else if ((watched == statusBar() || watched == statusWord_) && doubleClick) {
    StatusBar1DblClick();
    return true;
  } else if (watched == centerPanel_ && doubleClick) {
    center_panelDblClick();
    return true;
  } else if (watched == centralWidget() && event->type() == QEvent::Resize) {
    LayOutControls();
  }
  return QMainWindow::eventFilter(watched, event);
}

void Tclipvex_form::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!toolsPlaced_) {
    toolsPlaced_ = true;
    RestoreToolsBar();
  }
}

void Tclipvex_form::closeEvent(QCloseEvent* event) {
  if (previewBusy_) {
    // A preview run is waiting: it ends first, then the window closes.
    closeAfterRun_ = true;
    emit StopPressed();
    event->ignore();
    return;
  }
  // A changed demo is not dropped without a question; Cancel, or a save
  // that fails, keeps the window open.
  for (TFilmStrip* strip : {MasterPanel, FinalPanel}) {
    bool proceed = false;
    Guarded(this, [&] { proceed = ConfirmDrop(strip); });
    if (!proceed) {
      event->ignore();
      return;
    }
  }
  // FormClose: thumbnails never outlive a run of the program.
  closing_ = true;
  SaveToolsBar();
  ClearScreenshots(settings);
  for (QWidget* dialog : std::initializer_list<QWidget*>{dircfg_, dirDialog_, about_, StuffDialog(), SearchDialog(),
                                                         SpeedDialog(), ColorDialog(), Viewer()}) {
    if (dialog != nullptr) dialog->hide();
  }
  if (toolbar1_->isFloating()) toolbar1_->hide();
  event->accept();
}

void Tclipvex_form::RestoreToolsBar() {
  std::unique_ptr<QSettings> stored = OpenClipvexSettings();
  if (!stored) return;
  if (std::optional<ToolBarPlace> place = LoadPlace(*stored, toolbar1_->objectName())) {
    ApplyPlace(*this, *toolbar1_, *place);
  }
}

void Tclipvex_form::SaveToolsBar() {
  std::unique_ptr<QSettings> stored = OpenClipvexSettings();
  if (!stored) return;
  SavePlace(*stored, toolbar1_->objectName(), CurrentPlace(*this, *toolbar1_));
  stored->sync();
}

Tool Tclipvex_form::CurrentTool() const {
  const int id = tools_->checkedId();
  if (id < 0 || id >= static_cast<int>(std::size(kToolButtons))) return Tool::Arrow;
  return kToolButtons[id].tool;
}

void Tclipvex_form::FormActivate() {
  if (delete1_ != nullptr) delete1_->setShortcut(QKeySequence(Qt::Key_Delete));
}

void Tclipvex_form::StatusBar1DblClick() {
  mempanel_->show();
  mempanel_->raise();
  mempanelClick();
}

void Tclipvex_form::mempanelClick() {
  MemoryStatus status;
  ReadMemoryStatus(status);
  auto set = [this](const char* name, const QString& text) {
    if (auto* label = mempanel_->findChild<QLabel*>(name)) label->setText(text);
  };
  set("memload", QString::number(status.loadPercent) + "%");
  set("physmem", QString::number(status.totalPhysical));
  set("aphysmem", QString::number(status.availPhysical));
  set("apagefile", QString::number(status.availPageFile));
  set("avirtual", QString::number(status.availPhysical + status.availPageFile));
}

void Tclipvex_form::mempanelDblClick() { mempanel_->hide(); }

void Tclipvex_form::center_panelDblClick() {
  const QPoint panel = centerPanel_->mapTo(this, QPoint(0, 0));
  const QPoint origin = geometry().topLeft();
  if (!FloatToolBar(*this, *toolbar1_, origin)) return;
  // A floating bar keeps its buttons in one row, so it is as wide as they need.
  toolbar1_->resize(std::max(167, toolbar1_->sizeHint().width()), toolbar1_->sizeHint().height());
  toolbar1_->move(panel.x() + origin.x(), panel.y() + origin.y() + toolbar1_->height() / 2 - 6);
}

void Tclipvex_form::toolbar1VisibleChanged(bool visible) {
  // The Tools tool bar cannot be hidden: closing it brings it straight back.
  if (!visible && !closing_ && isVisible()) toolbar1_->show();
}

void Tclipvex_form::SpeedButton1Click() {
  stopRequested = true;
  emit StopPressed();  // a waiting run ends at once
}

void Tclipvex_form::Directories1Click() {
  if (dircfg_ != nullptr) dircfg_->ShowModeless();
}

void Tclipvex_form::About1Click() {
  if (about_ != nullptr) about_->ShowModeless();
}

}  // namespace clipvex
