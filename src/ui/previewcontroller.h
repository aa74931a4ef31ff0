// The preview commands: Update Viewable, Full Preview, Play Selection and
// the stop buttons. A run waits for the game without freezing the window:
// it keeps painting, the stop buttons end the wait at once, and the
// commands that must not run meanwhile are disabled for its length. The
// runs themselves live in preview/.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <vector>

#include "document/notifier.h"
#include "preview/playrange.h"

class QAbstractButton;
class QMenu;
class QTimer;
class QToolBar;
class QWidget;

namespace clipvex {

class EditorState;
class StripController;

class PreviewController : public QObject {
  Q_OBJECT

 public:
  PreviewController(EditorState& editor, StripController& strips, Feedback& status, QWidget* window);
  ~PreviewController() override;

  // What a run disables: the entries of `menus` but Exit, the buttons of
  // `toolBar` but the stop button, and `buttons`.
  void disableDuringRuns(std::vector<QMenu*> menus, QToolBar* toolBar, std::vector<QAbstractButton*> buttons);

  // While a run waits, the commands that must not run are disabled and
  // turned away.
  bool isBusy() const;
  void setBusy(bool busy);
  // The window was asked to close while a run waits: the run ends first,
  // then the window closes.
  void closeWhenDone();

  // The game control the runs use (made on first use for the X display).
  void setGameControl(std::unique_ptr<GameControl> game);
  GameProcesses& games() { return *games_; }
  PreviewTiming& timing() { return timing_; }
  // How the last run went (and where its time went).
  const PlayReport& lastReport() const { return lastReport_; }

 public slots:
  void updateViewable();
  void fullPreview();
  void playSelection();
  void stop();

 private:
  class WindowHost;
  class BusyGuard;

  PlayReport run(const PreviewRange& range, const ProgressText& progress);
  GameControl& game();

  EditorState& editor_;
  StripController& strips_;
  Feedback& status_;
  QWidget* window_;
  std::unique_ptr<GameControl> game_;
  std::unique_ptr<GameProcesses> games_;
  std::unique_ptr<PictureReader> pictures_;
  PreviewTiming timing_;
  PlayReport lastReport_;
  QTimer* reaper_ = nullptr;
  bool closeAfterRun_ = false;
  std::vector<QPointer<QMenu>> menus_;
  QPointer<QToolBar> toolBar_;
  std::vector<QPointer<QAbstractButton>> buttons_;
  std::vector<QPointer<QObject>> disabledForRun_;
};

}  // namespace clipvex
