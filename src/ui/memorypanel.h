// The memory panel: the system's memory figures, shown over the right end
// of the strips when the status bar is double-clicked. A click reads the
// figures again; a double click hides the panel.
#pragma once

#include <QFrame>

namespace clipvex {

class MemoryPanel : public QFrame {
  Q_OBJECT

 public:
  // A hidden panel whose top right corner is (right, top).
  MemoryPanel(int right, int top, QWidget* parent);

  // Shows the panel in front with fresh figures.
  void showFigures();
  void readFigures();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
};

}  // namespace clipvex
