// The editor's main window: menus, the two tool bars, the source and final
// film strips with their scroll buttons, the preview buttons, the status
// bar and the memory panel. It owns the program-wide state the commands
// share and routes every command to the code that carries it out.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "document/notifier.h"
#include "editing/editstep.h"
#include "preview/playrange.h"
#include "settings/settings.h"
#include "strip/stripnav.h"
#include "ui/filmstripwidget.h"
#include "ui/icons.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
class QScrollBar;
class QTimer;
class QToolBar;
class QToolButton;
class QUndoStack;

namespace clipvex {

class FileChooser;
class SettingsStore;
class Tdircfg_form;
class Tdir_dialog_form;
class Tabout_form;
class Tstuff_form;
class Tspeed_form;
class Tcolor_form;
class Tsearch_form;
class Tetc_form;
struct ClipboardHolder;
enum class StuffKind : std::uint8_t;

class Tclipvex_form : public QMainWindow, public StripHost {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up (FormCreate): the strips, the
  // settings from `store`, the clean-up of old thumbnails, a refresh.
  Tclipvex_form(SettingsStore& store, FileChooser& chooser, QWidget* parent = nullptr);
  ~Tclipvex_form() override;

  // The windows the program creates after the main one, all hidden (the
  // Configuration dialog shows itself when the settings need it).
  void CreateForms();

  // Program-wide state.
  TFilmStrip* MasterPanel = nullptr;
  TFilmStrip* FinalPanel = nullptr;
  TFilmStrip* activeStrip = nullptr;
  int labelMode = 0;
  bool stopRequested = false;
  Settings settings;

  QString StatusWord() const;
  void SetStatus(const QString& word);  // writes the word and lets it paint

  Tdircfg_form* ConfigurationDialog() const { return dircfg_; }
  Tdir_dialog_form* DirectoryDialog() const { return dirDialog_; }
  QToolBar* ToolsBar() const { return toolbar1_; }

  // StripHost.
  bool IsActive(const TFilmStrip* strip) const override { return strip == activeStrip; }
  void MakeActive(TFilmStrip* strip) override;
  void ToggleLabelMode() override { labelMode = labelMode == 0 ? 1 : 0; }
  void Refresh() override { Run(&Tclipvex_form::Refresh_buttClick); }
  Tool CurrentTool() const override;
  void OpenViewer(std::int64_t block, bool asText) override;

  // File commands.
  void New1Click();
  void Open1Click();
  void Save1Click();
  void SaveAs1Click();
  void Close1Click();
  void Exit1Click();

  // Strip commands.
  void Refresh_buttClick();
  void mBF_buttClick(const QObject* sender);
  void mP_buttClick(const QObject* sender);
  void mRW_buttClick(const QObject* sender);
  void mFF_buttClick(const QObject* sender);
  void BlockNumber1Click();
  void Time1Click();

  // Moving along the strips: the keys move the active strip; the wheel over
  // a strip and the scroll bar under it make that strip active first, as its
  // scroll buttons do. Each refreshes.
  void NavigateActive(NavKey key);
  void WheelScroll(TFilmStrip* strip, int frames);
  void ScrollBarMoved(TFilmStrip* strip, int value);
  // The scroll bar and the position text under a strip.
  QScrollBar* ScrollBar(const TFilmStrip* strip) const;
  QLabel* PositionLabel(const TFilmStrip* strip) const;

  // Window and control handlers.
  void FormActivate();
  void StatusBar1DblClick();
  void mempanelClick();
  void mempanelDblClick();
  void center_panelDblClick();
  void toolbar1VisibleChanged(bool visible);
  void SpeedButton1Click();

  // Preview commands: screenshots of the visible frames or of the whole
  // demo, and playing the selection in the game.
  void update_buttClick();
  void fullpre_buttClick();
  void play_buttClick();

  // While a preview command runs, the File (but Exit), Edit, F/X and Insert
  // menus, the main tool bar (but its stop button) and the preview buttons
  // are disabled, and Run() turns those commands away.
  void SetPreviewBusy(bool busy);
  bool PreviewBusy() const { return previewBusy_; }
  // The game control the preview uses (made on first use for the X display).
  void SetGameControl(std::unique_ptr<GameControl> game);
  GameProcesses& Games() { return *games_; }
  PreviewTiming previewTiming;
  // How the last preview command's runs went (and where their time went).
  const PlayReport& LastPreview() const { return lastPreview_; }

  // Dialog openers.
  void Directories1Click();
  void About1Click();

  // Effects, search and the block viewer (mainwindow_effects.cpp): the
  // openers of Find Text, Change Speed and Color Fade (each only while the
  // active strip holds a demo) and the dialogs themselves, which exist once
  // the program has made its windows.
  void Find1Click();
  void ChangeSpeed1Click();
  void ColorFade1Click();
  Tsearch_form* SearchDialog() const;
  Tspeed_form* SpeedDialog() const;
  Tcolor_form* ColorDialog() const;
  Tetc_form* Viewer() const;

  // Block editing (mainwindow_editing.cpp).
  void Copy1Click();
  void Cut1Click();
  void Paste1Click();
  void PasteonEnd1Click();
  void PasteNewLevel1Click();
  void Delete1Click();
  void SelectAll1Click();
  void Reverse1Click();
  void Sound1Click();
  void PrintMessage1Click();
  void CenterPrint1Click();
  void ConsoleCommand1Click();
  Tstuff_form* StuffDialog() const;
  const ClipboardHolder& Clipboard() const;
  QUndoStack* UndoStack(const TFilmStrip* strip) const;
  // Whether the strip's demo changed since it was opened, created or saved.
  bool Changed(const TFilmStrip* strip) const;

 signals:
  void StatusChanged(const QString& word);
  void StopPressed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class BoxNotifier;
  class PreviewWindowHost;
  class PreviewBusyGuard;

  void BuildMenus();
  void BuildToolBars();
  void BuildControls(QWidget* client);
  QAction* AddCommand(QMenu* menu, const char* name, const QString& caption, void (Tclipvex_form::*handler)(),
                      const QKeySequence& shortcut = {});
  QToolButton* AddButton(QToolBar* bar, const char* name, const QString& hint, Glyph glyph,
                         void (Tclipvex_form::*handler)());
  void Bind(QAbstractButton* button, void (Tclipvex_form::*handler)());
  void Run(void (Tclipvex_form::*handler)());
  static bool AllowedWhileBusy(void (Tclipvex_form::*handler)());
  PlayReport RunPreview(TFilmStrip& strip, const PreviewRange& range, const ProgressText& progress);
  GameControl& Game();
  void Scroll(const QObject* sender, const char* masterName, void (*rule)(StripState&));
  void CloseStrip(TFilmStrip* strip);
  // The scroll bars, position texts and the keys of the strips; the layout
  // that stretches the strips with the window.
  void BuildNavigation(QWidget* client);
  void LayOutControls();
  // After a strip or the active strip changed: scroll bars, position texts,
  // the checked label mode and the File commands follow.
  void StripsChanged();
  // Save, Save As and Close (and the Save button) only while the active
  // strip holds a demo and no preview runs.
  void UpdateFileCommands();
  void RestoreToolsBar();
  void SaveToolsBar();

  // Block editing (mainwindow_editing.cpp).
  struct Editing;
  class StatusFeedback;
  void BuildUndoActions(QMenu* edit);
  void SetUpEditing();
  void CreateEditingForms(const std::function<void()>& takeDel);
  void SyncActiveHistory();
  void UpdateTitle();
  void StartHistory(TFilmStrip* strip);
  void MarkSaved(TFilmStrip* strip);
  bool ConfirmDrop(TFilmStrip* strip);
  void ShowStuff(StuffKind kind);
  template <class Edit>
  void RunEdit(const char* name, Edit edit);
  // Runs an edit of `strip`'s demo as a step of its history (see
  // EffectsHost::RunEffect); `refresh` redraws the active strip afterwards.
  void RunStep(TFilmStrip* strip, const std::string& name, EditStep::Function edit, std::weak_ptr<Block> textBlock,
               bool refresh);

  // Effects, search and the block viewer (mainwindow_effects.cpp).
  struct Effects;
  void CreateEffectForms(const std::function<void()>& takeDel);
  // What the dialogs that hold references into a demo are told: its blocks
  // changed, or it was closed or replaced; and when demos may not change.
  void EffectsBlocksChanged(const TFilmStrip* strip);
  void EffectsDemoReplaced(const TFilmStrip* strip);
  void EffectsLocked(bool locked);

  SettingsStore& store_;
  FileChooser& chooser_;
  std::unique_ptr<Notifier> notifier_;
  QLabel* statusWord_ = nullptr;
  QFrame* mempanel_ = nullptr;
  QFrame* centerPanel_ = nullptr;
  QToolBar* menubar1_ = nullptr;
  QToolBar* toolbar1_ = nullptr;
  QButtonGroup* tools_ = nullptr;
  QAction* delete1_ = nullptr;
  QAction* save1_ = nullptr;
  QAction* saveAs1_ = nullptr;
  QAction* close1_ = nullptr;
  QAction* blockNumber1_ = nullptr;
  QAction* time1_ = nullptr;
  QScrollBar* masterScroll_ = nullptr;
  QScrollBar* finalScroll_ = nullptr;
  QLabel* masterPosition_ = nullptr;
  QLabel* finalPosition_ = nullptr;
  int positionWidth_ = 0;
  // Controls that keep their form places relative to the strips: each with
  // its form geometry and whether it is anchored at the right end or under
  // the final strip.
  struct FormPlace {
    QPointer<QWidget> widget;
    QRect form;
    enum Anchor { Middle, MiddleRight, Bottom } anchor;
  };
  std::vector<FormPlace> formPlaces_;
  Tdircfg_form* dircfg_ = nullptr;
  Tdir_dialog_form* dirDialog_ = nullptr;
  Tabout_form* about_ = nullptr;
  bool toolsPlaced_ = false;
  bool closing_ = false;
  std::unique_ptr<GameControl> game_;
  std::unique_ptr<GameProcesses> games_ = std::make_unique<GameProcesses>();
  QTimer* reaper_ = nullptr;
  bool previewBusy_ = false;
  bool closeAfterRun_ = false;
  std::vector<QPointer<QObject>> disabledForRun_;
  PlayReport lastPreview_;
  std::unique_ptr<Editing> editing_;
  std::unique_ptr<Effects> effects_;
};

}  // namespace clipvex
