#include "ui/conversionwait.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <exception>
#include <memory>

#include "dialogs/busydialog.h"
#include "dialogs/messages.h"

namespace clipvex {
namespace {

// How often the wait asks whether it is over.
constexpr int kPollMilliseconds = 25;

// Keeps the user's input from every window but the busy indication, and
// every window from closing, for as long as it lives.
class InputGuard : public QObject {
 public:
  InputGuard() { qApp->installEventFilter(this); }
  ~InputGuard() override { qApp->removeEventFilter(this); }
  InputGuard(const InputGuard&) = delete;
  InputGuard& operator=(const InputGuard&) = delete;

  void allow(QWidget* widget) { allowed_ = widget; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Close:
        if (auto* widget = qobject_cast<QWidget*>(watched); widget != nullptr && !inside(widget)) {
          event->ignore();
          return true;
        }
        return false;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        // Window system objects pass: they hand the input on to widgets,
        // which are judged here.
        if (watched->isWindowType()) return false;
        return !inside(qobject_cast<QWidget*>(watched));
      default:
        return false;
    }
  }

 private:
  bool inside(const QWidget* widget) const {
    return widget != nullptr && !allowed_.isNull() && (widget == allowed_ || allowed_->isAncestorOf(widget));
  }

  QPointer<QWidget> allowed_;
};

}  // namespace

WaitOutcome WindowConversionWait::Wait(const std::string& what, std::chrono::milliseconds limit,
                                       const std::function<bool()>& done) {
  if (done()) return WaitOutcome::Done;
  waiting_ = true;
  InputGuard guard;
  QEventLoop loop;
  QElapsedTimer clock;
  clock.start();
  std::unique_ptr<BusyDialog> busy;
  bool finished = false;
  WaitOutcome outcome = WaitOutcome::Done;
  std::exception_ptr failure;
  auto finish = [&](WaitOutcome how) {
    finished = true;
    outcome = how;
    loop.quit();
  };
  auto check = [&] {
    if (finished) return;
    try {
      if (done()) return finish(WaitOutcome::Done);
    } catch (...) {
      failure = std::current_exception();
      return finish(WaitOutcome::Done);
    }
    if (limit.count() > 0 && clock.elapsed() >= limit.count()) return finish(WaitOutcome::TimedOut);
    if (!busy && clock.elapsed() >= busyDelay_.count()) {
      busy = std::make_unique<BusyDialog>(FromPath(what), window_);
      guard.allow(busy.get());
      QObject::connect(busy.get(), &BusyDialog::cancelled, &loop, [&] { finish(WaitOutcome::Cancelled); });
      busy->show();
    }
  };
  QTimer poll;
  poll.setInterval(kPollMilliseconds);
  QObject::connect(&poll, &QTimer::timeout, &loop, check);
  poll.start();
  loop.exec();
  poll.stop();
  if (busy) busy->hide();
  waiting_ = false;
  if (failure) std::rethrow_exception(failure);
  return outcome;
}

}  // namespace clipvex
