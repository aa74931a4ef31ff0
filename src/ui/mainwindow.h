// The editor's main window: menus, the two tool bars, the source and final
// film strips with their scroll buttons, the preview buttons, the status
// bar and the memory panel. It lays them out and wires them to the
// controllers that carry out the commands (files, editing, preview,
// effects, the strips); the program-wide state is the EditorState.
#pragma once

#include <QMainWindow>
#include <memory>

#include "strip/stripstate.h"

class QFrame;
class QLabel;
class QMenu;
class QToolBar;

namespace clipvex {

class AboutDialog;
class ConfigurationDialog;
class DemoCheckController;
class EditController;
class EditorState;
class EffectsController;
class FileChooser;
class FileController;
class FilmStripWidget;
class MemoryPanel;
class Notifier;
class PreviewController;
class SelectDirectoryDialog;
class SettingsStore;
class StatusFeedback;
class StripController;
class ToolsBar;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  // Builds the window and runs its start-up: the strips, the settings from
  // `store`, the clean-up of old thumbnails, a redraw.
  MainWindow(SettingsStore& store, FileChooser& chooser, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The windows the program makes after the main one, all hidden (the
  // Configuration dialog shows itself when the settings need it).
  void createDialogs();

  EditorState& editor() const { return *editor_; }
  StripController& strips() const { return *strips_; }
  FileController& files() const { return *files_; }
  EditController& editing() const { return *editing_; }
  PreviewController& preview() const { return *preview_; }
  EffectsController& effects() const { return *effects_; }
  DemoCheckController& checks() const { return *checks_; }

  FilmStripWidget* sourceStrip() const;
  FilmStripWidget* finalStrip() const;
  FilmStripWidget* activeStrip() const;
  ToolsBar* toolsBar() const { return toolsBar_; }
  Tool currentTool() const;
  ConfigurationDialog* configurationDialog() const { return configuration_; }
  SelectDirectoryDialog* selectDirectoryDialog() const { return selectDirectory_; }

  QString statusWord() const;
  // Writes the status word and lets it paint.
  void setStatus(const QString& word);

 public slots:
  void showConfiguration();
  void showAbout();

 signals:
  void statusChanged(const QString& word);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildMenus();
  QMenu* addMenu(const char* name, const QString& caption);
  void buildMainToolBar();
  void buildControls(QWidget* client);
  void buildStrips(QWidget* client);
  void updateTitle();

  SettingsStore& store_;
  std::unique_ptr<StatusFeedback> status_;
  std::unique_ptr<Notifier> notifier_;
  EditorState* editor_;
  StripController* strips_;
  EditController* editing_;
  FileController* files_;
  PreviewController* preview_;
  EffectsController* effects_;
  DemoCheckController* checks_;
  QToolBar* mainBar_ = nullptr;
  ToolsBar* toolsBar_ = nullptr;
  QLabel* statusWord_ = nullptr;
  QFrame* centerPanel_ = nullptr;
  MemoryPanel* memoryPanel_ = nullptr;
  ConfigurationDialog* configuration_ = nullptr;
  SelectDirectoryDialog* selectDirectory_ = nullptr;
  AboutDialog* about_ = nullptr;
  bool toolsPlaced_ = false;
};

}  // namespace clipvex
