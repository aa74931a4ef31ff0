// The game's window: shows the game's 320x240 screen scaled up, forwards
// keys to the console and drives the game's frames from a timer.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include "game.h"

namespace winquake {

// Turns a Qt key press into the game's console keys. Returns false when the
// key means nothing to the game.
bool ForwardKey(Game& game, int key, const QString& text);

class GameWidget : public QWidget {
 public:
  explicit GameWidget(Game& game, QWidget* parent = nullptr);
  ~GameWidget() override;

  // Runs frames for the real time that passed since the last call: one
  // frame, then more while blocks are due, within a few milliseconds.
  void Tick();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Game& game_;
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 lastNs_ = 0;
  qint64 lastPaintNs_ = 0;
  std::uint64_t shownSerial_ = 0;
  QImage image_;
  QThreadPool loader_;  // large demos load here; waited for when the window goes
};

}  // namespace winquake
