// The preview commands of the main window: Update Viewable, Full Preview,
// Play Selection and the stop buttons, and how the window waits for the
// game without freezing.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <exception>

#include "dialogs/messages.h"
#include "ui/mainwindow.h"

#ifdef _WIN32
#include "preview/win32gamecontrol.h"
#else
#include "preview/x11gamecontrol.h"
#endif

namespace clipvex {

namespace {

// How often a wait looks at what it waits for.
constexpr int kPollMilliseconds = 100;
// How often the window collects games that have ended.
constexpr int kReapMilliseconds = 2000;

QString FromText(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// What a run needs of the window: waits that keep it painting and answer the
// stop buttons at once, the status bar, message boxes.
class Tclipvex_form::PreviewWindowHost : public PreviewHost {
 public:
  explicit PreviewWindowHost(Tclipvex_form& window) : w_(window) {}

  WaitEnd Wait(std::chrono::milliseconds limit, const std::function<bool()>& done) override {
    w_.stopRequested = false;
    QEventLoop loop;
    bool finished = false;
    WaitEnd end = WaitEnd::TimedOut;
    std::exception_ptr failure;
    QElapsedTimer clock;
    clock.start();
    auto finish = [&](WaitEnd how) {
      finished = true;
      end = how;
      loop.quit();
    };
    auto check = [&] {
      if (finished) return;
      if (w_.closeAfterRun_) return finish(WaitEnd::Closing);
      if (w_.stopRequested) return finish(WaitEnd::Stopped);
      try {
        if (done()) return finish(WaitEnd::Done);
      } catch (...) {
        failure = std::current_exception();
        return finish(WaitEnd::Done);
      }
      if (clock.elapsed() >= limit.count()) finish(WaitEnd::TimedOut);
    };
    check();
    if (!finished) {
      QTimer poll;
      poll.setInterval(kPollMilliseconds);
      QObject::connect(&poll, &QTimer::timeout, &loop, check);
      QObject::connect(&w_, &Tclipvex_form::StopPressed, &loop, check);
      poll.start();
      loop.exec();
    }
    if (failure) std::rethrow_exception(failure);
    return end;
  }

  void Progress(std::string_view text) override { w_.SetStatus(FromText(text)); }
  void Tell(std::string_view text) override { ShowMessage(&w_, "Clipvex", FromText(text)); }
  void ShowError(std::string_view text) override { ShowMessage(&w_, "Error", FromText(text)); }
  void RaiseMainWindow() override {
    if (QGuiApplication::platformName() == "offscreen") return;  // no window order to change
    w_.raise();
    w_.activateWindow();
  }

 private:
  Tclipvex_form& w_;
};

// Disables the commands that must not run during a preview for as long as
// it stands, whichever way the command ends; a close asked for meanwhile
// happens after it.
class Tclipvex_form::PreviewBusyGuard {
 public:
  explicit PreviewBusyGuard(Tclipvex_form& window) : w_(window) { w_.SetPreviewBusy(true); }
  ~PreviewBusyGuard() {
    w_.SetPreviewBusy(false);
    if (w_.closeAfterRun_) {
      w_.closeAfterRun_ = false;
      QTimer::singleShot(0, &w_, &QWidget::close);
    }
  }
  PreviewBusyGuard(const PreviewBusyGuard&) = delete;
  PreviewBusyGuard& operator=(const PreviewBusyGuard&) = delete;

 private:
  Tclipvex_form& w_;
};

bool Tclipvex_form::AllowedWhileBusy(void (Tclipvex_form::*handler)()) {
  // Stopping, leaving, redrawing and the dialogs that touch no demo.
  for (auto allowed : {&Tclipvex_form::SpeedButton1Click, &Tclipvex_form::Exit1Click,
                       &Tclipvex_form::Refresh_buttClick, &Tclipvex_form::BlockNumber1Click,
                       &Tclipvex_form::Time1Click, &Tclipvex_form::Directories1Click, &Tclipvex_form::About1Click}) {
    if (handler == allowed) return true;
  }
  return false;
}

void Tclipvex_form::SetPreviewBusy(bool busy) {
  if (busy == previewBusy_) return;
  previewBusy_ = busy;
  SyncActiveHistory();
  EffectsLocked(busy);
  if (!busy) {
    for (const QPointer<QObject>& object : disabledForRun_) {
      if (auto* action = qobject_cast<QAction*>(object.data())) action->setEnabled(true);
      if (auto* widget = qobject_cast<QWidget*>(object.data())) widget->setEnabled(true);
    }
    disabledForRun_.clear();
    UpdateFileCommands();  // what the active strip allows now
    return;
  }
  // Only what is enabled now is disabled, and only that comes back: entries
  // disabled for reasons of their own stay so.
  auto take = [this](QObject* object) {
    if (auto* action = qobject_cast<QAction*>(object); action != nullptr && action->isEnabled()) {
      action->setEnabled(false);
      disabledForRun_.emplace_back(action);
    } else if (auto* widget = qobject_cast<QWidget*>(object); widget != nullptr && widget->isEnabled()) {
      widget->setEnabled(false);
      disabledForRun_.emplace_back(widget);
    }
  };
  // The menus are told apart by where their entries sit, not by a list of
  // names: entries added to them later are covered too.
  for (const char* name : {"File1", "Edit1", "FX1", "insert1"}) {
    auto* menu = menuBar()->findChild<QMenu*>(name);
    if (menu == nullptr) continue;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator() || action->objectName() == "Exit1") continue;
      take(action);
    }
  }
  for (auto* button : menubar1_->findChildren<QAbstractButton*>()) {
    if (button->objectName() != "SpeedButton2") take(button);
  }
  for (const char* name : {"update_butt", "fullpre_butt", "play_butt"}) {
    if (auto* button = findChild<QAbstractButton*>(name)) take(button);
  }
}

void Tclipvex_form::SetGameControl(std::unique_ptr<GameControl> game) { game_ = std::move(game); }

GameControl& Tclipvex_form::Game() {
  if (!game_) {
#ifdef _WIN32
    game_ = std::make_unique<Win32GameControl>();
#else
    game_ = std::make_unique<X11GameControl>();
#endif
  }
  return *game_;
}

PlayReport Tclipvex_form::RunPreview(TFilmStrip& strip, const PreviewRange& range, const ProgressText& progress) {
  PreviewBusyGuard busy(*this);
  PreviewWindowHost host(*this);
  PreviewServices services{settings, Game(), *games_, host, previewTiming};
  // The run keeps the blocks it started with, whatever happens to the strip
  // while it waits.
  const TDemFile demo = strip.State().demo;
  lastPreview_ = PlayReport{};
  const PlayReport report = PlayRange(demo, strip.Letter(), range.from, range.to, range.step, services, progress);
  lastPreview_ = report;
  if (games_->RunningCount() > 0) {
    if (reaper_ == nullptr) {
      reaper_ = new QTimer(this);
      reaper_->setInterval(kReapMilliseconds);
      connect(reaper_, &QTimer::timeout, this, [this] {
        games_->Reap();
        if (games_->RunningCount() == 0) reaper_->stop();
      });
    }
    reaper_->start();
  }
  return report;
}

void Tclipvex_form::update_buttClick() {
  SetStatus("Updating Screenshots");
  TFilmStrip* strip = activeStrip;
  if (!strip->State().HasDemo()) return;
  RunPreview(*strip, UpdateViewableRange(strip->State()), [](const RunProgress& p) {
    return "Updating Screenshots " + std::to_string(p.arrived) + " of " + std::to_string(p.expected);
  });
  Refresh_buttClick();
  SetStatus("Done");
}

void Tclipvex_form::fullpre_buttClick() {
  SetStatus("Full Preview");
  TFilmStrip* strip = activeStrip;
  if (!strip->State().HasDemo()) return;
  RunPreview(*strip, FullPreviewRange(strip->State()), [](const RunProgress& p) {
    return "Full Preview: run " + std::to_string(p.part) + " of " + std::to_string(p.parts);
  });
  Refresh_buttClick();
  SetStatus("Done");
}

void Tclipvex_form::play_buttClick() {
  TFilmStrip* strip = activeStrip;
  if (!strip->State().HasDemo()) return;
  SetStatus("Playing Blocks");
  RunPreview(*strip, PlaySelectionRange(strip->State()), [](const RunProgress&) { return std::string("Playing Blocks"); });
  SetStatus("Done");
}

}  // namespace clipvex
