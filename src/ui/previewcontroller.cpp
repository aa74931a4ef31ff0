#include "ui/previewcontroller.h"

#include <QAbstractButton>
#include <QAction>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <exception>

#include "dialogs/messages.h"
#include "preview/runlocks.h"
#include "ui/editorstate.h"
#include "ui/picturereader.h"
#include "ui/stripcontroller.h"

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
class PreviewController::WindowHost : public PreviewHost {
 public:
  explicit WindowHost(PreviewController& preview) : p_(preview) {}

  WaitEnd Wait(std::chrono::milliseconds limit, const std::function<bool()>& done) override {
    p_.editor_.clearStop();
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
      if (p_.closeAfterRun_) return finish(WaitEnd::Closing);
      if (p_.editor_.stopRequested()) return finish(WaitEnd::Stopped);
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
      QObject::connect(&p_.editor_, &EditorState::stopPressed, &loop, check);
      poll.start();
      loop.exec();
    }
    if (failure) std::rethrow_exception(failure);
    return end;
  }

  void Progress(std::string_view text) override { p_.status_.Status(text); }
  void Tell(std::string_view text) override {
    ShowMessage(p_.window_, "Clipvex", FromText(text), MessageKind::Information);
  }
  void ShowError(std::string_view text) override { ShowMessage(p_.window_, "Error", FromText(text)); }
  void RaiseMainWindow() override {
    if (QGuiApplication::platformName() == "offscreen") return;  // no window order to change
    p_.window_->raise();
    p_.window_->activateWindow();
  }

 private:
  PreviewController& p_;
};

// Keeps the preview busy for as long as a run stands, whichever way it
// ends; a close asked for meanwhile happens after it.
class PreviewController::BusyGuard {
 public:
  explicit BusyGuard(PreviewController& preview) : p_(preview) { p_.setBusy(true); }
  ~BusyGuard() {
    p_.setBusy(false);
    if (p_.closeAfterRun_) {
      p_.closeAfterRun_ = false;
      QTimer::singleShot(0, p_.window_, &QWidget::close);
    }
  }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

 private:
  PreviewController& p_;
};

PreviewController::PreviewController(EditorState& editor, StripController& strips, Feedback& status, QWidget* window)
    : QObject(window),
      editor_(editor),
      strips_(strips),
      status_(status),
      window_(window),
      games_(std::make_unique<GameProcesses>()),
      pictures_(std::make_unique<QtPictureReader>()) {
  setObjectName("preview");
}

PreviewController::~PreviewController() = default;

void PreviewController::disableDuringRuns(std::vector<QMenu*> menus, QToolBar* toolBar,
                                          std::vector<QAbstractButton*> buttons) {
  menus_.assign(menus.begin(), menus.end());
  toolBar_ = toolBar;
  buttons_.assign(buttons.begin(), buttons.end());
}

bool PreviewController::isBusy() const { return editor_.previewBusy(); }

void PreviewController::setBusy(bool busy) {
  if (busy == editor_.previewBusy()) return;
  if (!busy) {
    for (const QPointer<QObject>& object : disabledForRun_) {
      if (auto* action = qobject_cast<QAction*>(object.data())) action->setEnabled(true);
      if (auto* widget = qobject_cast<QWidget*>(object.data())) widget->setEnabled(true);
    }
    disabledForRun_.clear();
    editor_.setPreviewBusy(false);  // what the active strip allows now follows
    return;
  }
  editor_.setPreviewBusy(true);
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
  // The menus' entries are taken as they stand: entries added to them later
  // are covered too.
  for (const QPointer<QMenu>& menu : menus_) {
    if (menu.isNull()) continue;
    for (QAction* action : menu->actions()) {
      if (action->isSeparator() || action->objectName() == "Exit1") continue;
      take(action);
    }
  }
  if (!toolBar_.isNull()) {
    for (auto* button : toolBar_->findChildren<QAbstractButton*>()) {
      if (button->objectName() != "SpeedButton2") take(button);
    }
  }
  for (const QPointer<QAbstractButton>& button : buttons_) {
    if (!button.isNull()) take(button.data());
  }
}

void PreviewController::closeWhenDone() {
  closeAfterRun_ = true;
  emit editor_.stopPressed();  // a waiting run ends at once
}

void PreviewController::setGameControl(std::unique_ptr<GameControl> game) { game_ = std::move(game); }

GameControl& PreviewController::game() {
  if (!game_) {
#ifdef _WIN32
    game_ = std::make_unique<Win32GameControl>();
#else
    game_ = std::make_unique<X11GameControl>();
#endif
  }
  return *game_;
}

PlayReport PreviewController::run(const PreviewRange& range, const ProgressText& progress) {
  // Another Clipvex on the same folders keeps its temporary files to itself.
  const RunLocks locks(editor_.settings());
  if (!locks.Taken()) {
    ShowMessage(window_, "Clipvex", FromText(locks.Refusal()), MessageKind::Information);
    return {};
  }
  BusyGuard busy(*this);
  WindowHost host(*this);
  PreviewServices services{editor_.settings(), game(), *games_, host, timing_, pictures_.get()};
  // The run keeps the blocks it started with, whatever happens to the strip
  // while it waits.
  const StripDocument& document = editor_.activeDocument();
  const TDemFile demo = document.state().demo;
  lastReport_ = PlayReport{};
  const PlayReport report = PlayRange(demo, document.letter(), range.from, range.to, range.step, services, progress);
  lastReport_ = report;
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

void PreviewController::updateViewable() {
  status_.Status("Updating Screenshots");
  const StripState& state = editor_.activeDocument().state();
  if (!state.HasDemo()) return;
  run(UpdateViewableRange(state), [](const RunProgress& p) {
    return "Updating Screenshots " + std::to_string(p.arrived) + " of " + std::to_string(p.expected);
  });
  strips_.refresh();
  status_.Status("Done");
}

void PreviewController::fullPreview() {
  status_.Status("Full Preview");
  const StripState& state = editor_.activeDocument().state();
  if (!state.HasDemo()) return;
  run(FullPreviewRange(state), [](const RunProgress& p) {
    return "Full Preview: run " + std::to_string(p.part) + " of " + std::to_string(p.parts);
  });
  strips_.refresh();
  status_.Status("Done");
}

void PreviewController::playSelection() {
  const StripState& state = editor_.activeDocument().state();
  if (!state.HasDemo()) return;
  status_.Status("Playing Blocks");
  run(PlaySelectionRange(state), [](const RunProgress&) { return std::string("Playing Blocks"); });
  status_.Status("Done");
}

void PreviewController::stop() { editor_.requestStop(); }

}  // namespace clipvex
