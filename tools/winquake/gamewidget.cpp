#include "gamewidget.h"

#include <QKeyEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>

namespace winquake {

namespace {

constexpr int kIdleIntervalMs = 15;  // console slide and cursor only
constexpr int kMinIntervalMs = 1;
constexpr qint64 kTickBudgetNs = 12'000'000;
constexpr qint64 kPaintIntervalNs = 16'000'000;

}  // namespace

bool ForwardKey(Game& game, int key, const QString& text) {
  switch (key) {
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde:
    case Qt::Key_Dead_Grave:
      game.KeyToggleConsole();
      return true;
    case Qt::Key_Backspace: game.KeyBackspace(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: game.KeyEnter(); return true;
    case Qt::Key_Escape: game.KeyEscape(); return true;
    case Qt::Key_Up: game.KeyHistory(true); return true;
    case Qt::Key_Down: game.KeyHistory(false); return true;
    case Qt::Key_PageUp: game.KeyPage(true); return true;
    case Qt::Key_PageDown: game.KeyPage(false); return true;
    default: break;
  }
  bool any = false;
  const QByteArray bytes = text.toLatin1();  // the console's characters are bytes
  for (char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) continue;
    if (u == '`' || u == '~') {
      game.KeyToggleConsole();
    } else {
      game.KeyChar(u);
    }
    any = true;
  }
  return any;
}

GameWidget::GameWidget(Game& game, QWidget* parent)
    : QWidget(parent), game_(game), image_(kScreenWidth, kScreenHeight, QImage::Format_Indexed8) {
  setWindowTitle(QStringLiteral("WinQuake"));
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(kScreenWidth, kScreenHeight);
  resize(kScreenWidth * 2, kScreenHeight * 2);
  image_.setColorCount(256);
  timer_.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
  clock_.start();
  timer_.start(kIdleIntervalMs);

  // Large demos are read on a thread of their own; the game gets the result
  // back on this thread.
  loader_.setMaxThreadCount(1);
  game_.SetBackgroundLoad([this](const std::string& path, Game::LoadDone done) {
    loader_.start([this, path, done] {
      auto result = std::make_shared<std::pair<std::optional<Demo>, std::string>>();
      result->first = LoadDemoFile(path, result->second);
      QMetaObject::invokeMethod(
          this, [done, result] { done(std::move(result->first), result->second); }, Qt::QueuedConnection);
    });
  });
}

GameWidget::~GameWidget() {
  game_.SetBackgroundLoad(nullptr);
  loader_.waitForDone();
}

void GameWidget::Tick() {
  const qint64 start = clock_.nsecsElapsed();
  auto frame = [this] {
    const qint64 now = clock_.nsecsElapsed();
    game_.Frame(static_cast<double>(now - lastNs_) / 1e9);
    lastNs_ = now;
  };
  frame();
  // Catch up: one block per frame, as many frames as are due, while the
  // window still gets painted regularly.
  while (!game_.QuitRequested() && game_.BlockDue() && clock_.nsecsElapsed() - start < kTickBudgetNs) frame();
  if (game_.QuitRequested()) {
    timer_.stop();
    close();
    return;
  }
  // While a demo plays, wake up when its next block is due (but at least
  // every kIdleIntervalMs for the console and the particles).
  int interval = kIdleIntervalMs;
  if (game_.TimeDemo()) {
    interval = 0;
  } else if (game_.Playing()) {
    const double ms = game_.SecondsToNextBlock() * 1000;
    interval = ms < kIdleIntervalMs ? std::max(kMinIntervalMs, static_cast<int>(std::ceil(ms))) : kIdleIntervalMs;
  }
  if (timer_.interval() != interval) timer_.setInterval(interval);
  // The window shows at most about 60 pictures a second; a change waits
  // for the next tick at the latest.
  const qint64 now = clock_.nsecsElapsed();
  if (game_.ScreenSerial() != shownSerial_ && now - lastPaintNs_ >= kPaintIntervalNs) {
    shownSerial_ = game_.ScreenSerial();
    lastPaintNs_ = now;
    update();
  }
}

void GameWidget::paintEvent(QPaintEvent*) {
  const Palette palette = game_.ScreenPalette();
  for (int i = 0; i < 256; ++i) image_.setColor(i, qRgb(palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]));
  const Framebuffer& fb = game_.Screen();
  for (int y = 0; y < kScreenHeight; ++y)
    std::copy_n(fb.pixels.data() + y * kScreenWidth, kScreenWidth, image_.scanLine(y));

  QPainter painter(this);
  // The picture keeps its 4:3 shape; the rest of the window is black.
  const int w = width(), h = height();
  int vw = w, vh = w * kScreenHeight / kScreenWidth;
  if (vh > h) {
    vh = h;
    vw = h * kScreenWidth / kScreenHeight;
  }
  const QRect target((w - vw) / 2, (h - vh) / 2, vw, vh);
  painter.fillRect(rect(), Qt::black);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(target, image_);
}

void GameWidget::keyPressEvent(QKeyEvent* event) {
  if (!ForwardKey(game_, event->key(), event->text())) QWidget::keyPressEvent(event);
}

}  // namespace winquake
