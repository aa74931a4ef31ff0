// The editor's main window: menus, the two tool bars, the source and final
// film strips with their scroll buttons, the preview buttons, the status
// bar and the memory panel. It owns the program-wide state the commands
// share and routes every command to the code that carries it out.
#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>

#include "document/notifier.h"
#include "document/settings.h"
#include "ui/filmstrip.h"
#include "ui/icons.h"

class QAbstractButton;
class QAction;
class QButtonGroup;
class QFrame;
class QLabel;
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

  // Window and control handlers.
  void FormActivate();
  void StatusBar1DblClick();
  void mempanelClick();
  void mempanelDblClick();
  void center_panelDblClick();
  void toolbar1VisibleChanged(bool visible);
  void SpeedButton1Click();

  // Dialog openers.
  void Directories1Click();
  void About1Click();

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

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class BoxNotifier;

  void BuildMenus();
  void BuildToolBars();
  void BuildControls(QWidget* client);
  QAction* AddCommand(QMenu* menu, const char* name, const QString& caption, void (Tclipvex_form::*handler)(),
                      const QKeySequence& shortcut = {});
  QToolButton* AddButton(QToolBar* bar, const char* name, const QString& hint, Glyph glyph,
                         void (Tclipvex_form::*handler)());
  void Bind(QAbstractButton* button, void (Tclipvex_form::*handler)());
  void Run(void (Tclipvex_form::*handler)());
  void Scroll(const QObject* sender, const char* masterName, void (*rule)(StripState&));
  void CloseStrip(TFilmStrip* strip);
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
  Tdircfg_form* dircfg_ = nullptr;
  Tdir_dialog_form* dirDialog_ = nullptr;
  Tabout_form* about_ = nullptr;
  bool toolsPlaced_ = false;
  bool closing_ = false;
  std::unique_ptr<Editing> editing_;
};

}  // namespace clipvex
