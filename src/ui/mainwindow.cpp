#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <tuple>

#include "dialogs/aboutdialog.h"
#include "dialogs/configurationdialog.h"
#include "dialogs/messages.h"
#include "dialogs/selectdirectorydialog.h"
#include "dialogs/stufftextdialog.h"
#include "preview/screenshots.h"
#include "settings/settingsstore.h"
#include "ui/checkcontroller.h"
#include "ui/clientlayout.h"
#include "ui/commands.h"
#include "ui/editcontroller.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/filecontroller.h"
#include "ui/filmstripwidget.h"
#include "ui/formwidgets.h"
#include "ui/livecontroller.h"
#include "ui/memorypanel.h"
#include "ui/previewcontroller.h"
#include "ui/stripcontroller.h"
#include "ui/toolsbar.h"

namespace clipvex {
namespace {

// The client area starts below the top dock area; the strips and buttons
// keep their places relative to each other.
constexpr int kClientTop = 28;
constexpr int Y(int formY) { return formY - kClientTop; }

}  // namespace

MainWindow::MainWindow(SettingsStore& store, FileChooser& chooser, QWidget* parent)
    : QMainWindow(parent),
      store_(store),
      status_(std::make_unique<StatusFeedback>([this](const QString& word) { setStatus(word); })),
      notifier_(std::make_unique<MessageBoxNotifier>(this)),
      editor_(new EditorState(*status_, this)),
      strips_(new StripController(*editor_, this)),
      editing_(new EditController(*editor_, *strips_, *status_, this)),
      files_(new FileController(*editor_, *strips_, chooser, *notifier_, *status_, this)),
      preview_(new PreviewController(*editor_, *strips_, *status_, this)),
      effects_(new EffectsController(*editor_, *editing_, *strips_, this)),
      checks_(new DemoCheckController(*editor_, *files_, *effects_, this)) {
  setObjectName("clipvex_form");
  setWindowTitle("Clipvex");
  setAttribute(Qt::WA_AlwaysShowToolTips);
  QFont small = font();
  small.setPointSize(8);
  setFont(small);

  auto* client = new QWidget(this);
  client->setObjectName("client");
  setCentralWidget(client);
  buildMenus();
  buildMainToolBar();
  buildControls(client);

  move(0, 0);
  setStatus("Done");
  buildStrips(client);
  strips_->setToolSource([this] { return currentTool(); });
  strips_->setViewerOpener([this](std::int64_t block, bool asText) { effects_->openViewer(block, asText); });
  preview_->disableDuringRuns({menuBar()->findChild<QMenu*>("File1"), menuBar()->findChild<QMenu*>("Edit1"),
                               menuBar()->findChild<QMenu*>("FX1"), menuBar()->findChild<QMenu*>("insert1")},
                              mainBar_,
                              {findChild<QAbstractButton*>("update_butt"), findChild<QAbstractButton*>("fullpre_butt"),
                               findChild<QAbstractButton*>("play_butt")});
  (new LiveController(*editor_, *strips_, store_, this))
      ->addToMenus(menuBar()->findChild<QMenu*>("Edit1"), menuBar()->findChild<QMenu*>("Options1"));
  connect(editor_, &EditorState::activeDocumentChanged, this, &MainWindow::updateTitle);
  for (StripDocument* document : editor_->documents()) {
    for (auto signal : {&StripDocument::demoReplaced, &StripDocument::fileNameChanged}) {
      connect(document, signal, this, &MainWindow::updateTitle);
    }
    connect(document, &StripDocument::modifiedChanged, this, &MainWindow::updateTitle);
  }
  Settings& settings = editor_->settings();
  settings.configpending = false;
  LoadSettings(settings, store_, [&settings] { settings.configpending = true; });
  ClearScreenshots(settings);
  strips_->refresh();
  adjustSize();
}

MainWindow::~MainWindow() {
  // The windows and the controllers use the editor's state, and the strips
  // show it: they all go before it.
  delete effects_;
  for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) delete dialog;
  delete takeCentralWidget();
  delete preview_;
  delete files_;
  delete editing_;
  delete strips_;
  delete editor_;
}

void MainWindow::createDialogs() {
  selectDirectory_ = new SelectDirectoryDialog(this);
  configuration_ = new ConfigurationDialog(editor_->settings(), store_, *selectDirectory_, this);
  about_ = new AboutDialog(this);
  for (ModelessDialog* dialog : std::initializer_list<ModelessDialog*>{configuration_, selectDirectory_}) {
    connect(dialog, &ModelessDialog::activated, editing_, &EditController::releaseDeleteKey);
  }
  effects_->createDialogs();
  editing_->createDialogs();
  checks_->createDialogs();
  findChild<LiveController*>()->attachViewer(effects_->blockViewer());
}

QMenu* MainWindow::addMenu(const char* name, const QString& caption) {
  QMenu* menu = menuBar()->addMenu(caption);
  menu->setObjectName(name);
  menu->setToolTipsVisible(true);
  return menu;
}

void MainWindow::buildMenus() {
  menuBar()->setObjectName("MainMenu1");
  QMenu* file = addMenu("File1", "&File");
  file->addActions(files_->fileActions());
  file->addSeparator()->setObjectName("N2");
  file->addAction(files_->exitAction());

  QMenu* edit = addMenu("Edit1", "&Edit");
  edit->addActions({editing_->undoAction(), editing_->redoAction()});
  edit->addSeparator()->setObjectName("N3");
  edit->addActions(editing_->editActions());
  edit->addSeparator()->setObjectName("N4");
  edit->addAction(effects_->findAction());

  QMenu* fx = addMenu("FX1", "F/&X");
  fx->addActions(
      {editing_->reverseAction(), effects_->speedAction(), effects_->colorFadeAction(), checks_->checkAction()});

  QMenu* options = addMenu("Options1", "&Options");
  QMenu* labels = options->addMenu("Display Labels as");
  labels->setObjectName("DisplayLabelsas1");
  labels->addActions({strips_->blockNumberAction(), strips_->timeAction()});
  QAction* directories = MakeAction(this, "Directories1", "Directories...");
  Connect(
      directories, *editor_, this, [this] { showConfiguration(); }, DuringRun::Allowed);
  options->addAction(directories);

  addMenu("insert1", "&Insert")->addActions(editing_->insertActions());

  QAction* about = MakeAction(this, "About1", "&About...");
  Connect(
      about, *editor_, this, [this] { showAbout(); }, DuringRun::Allowed);
  addMenu("Help1", "&Help")->addAction(about);
}

void MainWindow::buildMainToolBar() {
  mainBar_ = new QToolBar("Main", this);
  mainBar_->setObjectName("menubar1");
  mainBar_->setIconSize(QSize(20, 20));
  mainBar_->setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  auto add = [this](const char* name, const QString& hint, Glyph glyph, std::function<void()> command,
                    DuringRun duringRun = DuringRun::Refused) {
    QToolButton* button = MakeButton(mainBar_, name, hint, glyph);
    button->setAutoRaise(true);
    button->setFixedSize(25, 25);
    Connect(button, *editor_, this, std::move(command), duringRun);
    mainBar_->addWidget(button);
    return button;
  };
  add("new_butt", "Create a New File", Glyph::New, [this] { files_->newDemo(); });
  add("open_butt", "Open File", Glyph::Open, [this] { files_->openDemo(); });
  files_->setSaveButton(add("save_butt", "Save File", Glyph::Save, [this] { files_->save(); }));
  mainBar_->addSeparator();
  add("cut_butt", "Cut Selection", Glyph::Cut, [this] { editing_->cut(); });
  add("copy_butt", "Copy Selection", Glyph::Copy, [this] { editing_->copy(); });
  add("paste_butt", "Paste Selection", Glyph::Paste, [this] { editing_->paste(); });
  add("pasteend_butt", "Paste Selection at End", Glyph::PasteEnd, [this] { editing_->pasteAtEnd(); });
  mainBar_->addSeparator();
  // This button is the stop command of screenshot runs, whatever its hint says.
  add(
      "SpeedButton2", "Change Speed", Glyph::Stop, [this] { preview_->stop(); }, DuringRun::Allowed);
  add("SpeedButton3", "Color Fade", Glyph::ColorFade, [this] { effects_->colorFade(); });
  mainBar_->addSeparator();
  add("SpeedButton5", "Insert Sound", Glyph::Sound, [this] { editing_->insertSound(); });
  add("SpeedButton7", "Insert Print Message", Glyph::Print, [this] { editing_->insertPrintMessage(); });
  addToolBar(Qt::TopToolBarArea, mainBar_);

  toolsBar_ = new ToolsBar(*this);
  addToolBar(Qt::TopToolBarArea, toolsBar_);
  setDockNestingEnabled(false);
}

void MainWindow::buildControls(QWidget* client) {
  Connect(MakeCaptionedButton(client, "fullpre_butt", "Full Preview", "Generate Screen Shots for all frames",
                              Glyph::Preview, Qt::ToolButtonTextBesideIcon, QRect(8, Y(144), 145, 73)),
          *editor_, this, [this] { preview_->fullPreview(); });
  Connect(MakeCaptionedButton(client, "update_butt", "Update Viewable", "Generate Screen Shots for Visible Frames",
                              Glyph::Update, Qt::ToolButtonTextUnderIcon, QRect(160, Y(144), 89, 73)),
          *editor_, this, [this] { preview_->updateViewable(); });

  centerPanel_ = new QFrame(client);
  centerPanel_->setObjectName("center_panel");
  centerPanel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  centerPanel_->setGeometry(256, Y(144), 161, 73);
  centerPanel_->setToolTip("Double-click to float the Tools tool bar here");
  centerPanel_->installEventFilter(this);
  auto* centerDock = new QWidget(centerPanel_);
  centerDock->setObjectName("center_dock");
  centerDock->setGeometry(1, 1, 159, 5);

  // The scroll buttons of the source strip ("m") and of the final strip ("f").
  struct ScrollSpec {
    const char* name;
    const char* hint;
    Glyph glyph;
    int x;
    void (StripController::*scroll)(FilmStripWidget*);
  };
  const ScrollSpec scrolls[] = {
      {"RW_butt", "Scroll 9 frames left", Glyph::PageLeft, 432, &StripController::scrollPageLeft},
      {"BF_butt", "Scroll 1 frame left", Glyph::FrameLeft, 520, &StripController::scrollFrameLeft},
      {"P_butt", "Scroll 1 frame right", Glyph::FrameRight, 576, &StripController::scrollFrameRight},
      {"FF_butt", "Scroll 9 frames right", Glyph::PageRight, 664, &StripController::scrollPageRight},
  };
  for (const bool source : {true, false}) {
    for (const ScrollSpec& spec : scrolls) {
      const QByteArray name = QByteArray(source ? "m" : "f") + spec.name;
      QToolButton* button = MakeButton(client, name.constData(), spec.hint, spec.glyph);
      button->setGeometry(spec.x, Y(source ? 144 : 192), 49, 25);
      Connect(
          button, *editor_, this,
          [this, source, scroll = spec.scroll] { (strips_->*scroll)(source ? sourceStrip() : finalStrip()); },
          DuringRun::Allowed);
    }
  }

  Connect(MakeCaptionedButton(client, "play_butt", "Play Selection", "Play the Selected Blocks", Glyph::Play,
                              Qt::ToolButtonTextUnderIcon, QRect(744, Y(144), 81, 73)),
          *editor_, this, [this] { preview_->playSelection(); });
  QToolButton* stop = MakeButton(client, "SpeedButton1", "Stop trying to update", Glyph::Stop);
  stop->setGeometry(840, Y(168), 25, 25);
  Connect(
      stop, *editor_, this, [this] { preview_->stop(); }, DuringRun::Allowed);

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
  Connect(
      refresh, *editor_, this, [this] { strips_->refresh(); }, DuringRun::Allowed);

  // The memory panel lies over the right end of the strips while it shows.
  memoryPanel_ = new MemoryPanel(1017, Y(144) - 20, client);

  statusBar()->setObjectName("StatusBar1");
  statusBar()->setSizeGripEnabled(false);
  statusBar()->installEventFilter(this);
  statusWord_ = new QLabel(this);
  statusWord_->setObjectName("statusWord");
  statusWord_->setMinimumWidth(50);
  statusWord_->installEventFilter(this);
  statusBar()->addWidget(statusWord_, 1);
}

void MainWindow::buildStrips(QWidget* client) {
  std::array<StripController::StripParts, 2> parts{};
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const bool source = i == 0;
    StripDocument& document = source ? editor_->sourceDocument() : editor_->finalDocument();
    auto* strip = new FilmStripWidget(source ? "MasterPanel" : "FinalPanel", Y(source ? 32 : 220), document.state(),
                                      *strips_, client);
    auto* bar = new QScrollBar(Qt::Horizontal, client);
    bar->setObjectName(source ? "ScrollBar1" : "ScrollBar2");
    bar->setToolTip(source ? "Move along the Source Panel" : "Move along the Final Panel");
    // The keys belong to the window's strips, not to the bar.
    bar->setFocusPolicy(Qt::NoFocus);
    auto* position = new QLabel(client);
    position->setObjectName(source ? "Label10" : "Label11");
    position->setTextFormat(Qt::PlainText);
    position->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    parts[i] = {strip, bar, position};
  }
  strips_->attach(parts[0], parts[1]);
  strips_->installKeys(this);
  new ClientLayout(client, {parts[0].strip, parts[1].strip}, {parts[0].scrollBar, parts[1].scrollBar},
                   {parts[0].position, parts[1].position});
}

FilmStripWidget* MainWindow::sourceStrip() const { return strips_->sourceStrip(); }
FilmStripWidget* MainWindow::finalStrip() const { return strips_->finalStrip(); }
FilmStripWidget* MainWindow::activeStrip() const { return strips_->activeStrip(); }
Tool MainWindow::currentTool() const { return toolsBar_->currentTool(); }

QString MainWindow::statusWord() const { return statusWord_->text(); }

void MainWindow::setStatus(const QString& word) {
  statusWord_->setText(word);
  statusWord_->repaint();
  emit statusChanged(word);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::updateTitle() {
  const StripDocument& document = editor_->activeDocument();
  setWindowModified(false);
  if (!document.state().HasDemo()) {
    setWindowTitle("Clipvex");
    return;
  }
  setWindowTitle(QFileInfo(FromPath(document.state().fileName)).fileName() + "[*] - Clipvex");
  setWindowModified(document.isModified());
}

void MainWindow::showConfiguration() {
  if (configuration_ != nullptr) configuration_->showModeless();
}

void MainWindow::showAbout() {
  if (about_ != nullptr) about_->showModeless();
}

bool MainWindow::event(QEvent* event) {
  // Back from a dialog, the window takes the Del key again.
  if (event->type() == QEvent::WindowActivate) editing_->restoreDeleteKey();
  return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    if (watched == statusBar() || watched == statusWord_) {
      memoryPanel_->showFigures();
      return true;
    }
    if (watched == centerPanel_) {
      toolsBar_->floatAt(centerPanel_->mapTo(this, QPoint(0, 0)));
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!toolsPlaced_) {
    toolsPlaced_ = true;
    toolsBar_->restorePlace();
  }
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (preview_->isBusy()) {
    // A preview run is waiting: it ends first, then the window closes.
    preview_->closeWhenDone();
    event->ignore();
    return;
  }
  // A changed demo is not dropped without a question; Cancel, or a save
  // that fails, keeps the window open.
  for (StripDocument* document : editor_->documents()) {
    bool proceed = false;
    Guarded(this, [&] { proceed = files_->confirmDrop(*document); });
    if (!proceed) {
      event->ignore();
      return;
    }
  }
  // Thumbnails never outlive a run of the program.
  toolsBar_->setClosing(true);
  toolsBar_->savePlace();
  ClearScreenshots(editor_->settings());
  for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) dialog->hide();
  if (toolsBar_->isFloating()) toolsBar_->hide();
  event->accept();
}

}  // namespace clipvex
