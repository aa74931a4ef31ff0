// How the window's client area stretches with the window: the strips, their
// scroll bars and position texts take the room the window layout gives them
// (strip/windowlayout.h), and every other control keeps its form place
// relative to the strips: the row between them moves with that row, the
// right-hand labels and the memory panel keep to the right end, and what
// lies under the final strip moves with it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <array>
#include <vector>

class QLabel;
class QScrollBar;
class QWidget;

namespace clipvex {

class FilmStripWidget;

class ClientLayout : public QObject {
  Q_OBJECT

 public:
  // Takes the places of the controls `client` holds now as their form
  // places, and lays the client area out whenever it changes size.
  ClientLayout(QWidget* client, std::array<FilmStripWidget*, 2> strips, std::array<QScrollBar*, 2> scrollBars,
               std::array<QLabel*, 2> positions);

  void layOut();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct FormPlace {
    QPointer<QWidget> widget;
    QRect form;
    enum Anchor { Middle, MiddleRight, Bottom } anchor;
  };

  QWidget* client_;
  std::array<FilmStripWidget*, 2> strips_;
  std::array<QScrollBar*, 2> scrollBars_;
  std::array<QLabel*, 2> positions_;
  std::vector<FormPlace> places_;
  int positionWidth_ = 0;
};

}  // namespace clipvex
