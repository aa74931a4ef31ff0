// The Tools tool bar: the seven tools of the strips, exactly one of them
// down. It docks at the top or the bottom of the window or floats, cannot be
// hidden, and keeps its place between runs (in the group "ToolBars").
#pragma once

#include <QToolBar>

#include "strip/stripstate.h"

class QButtonGroup;
class QMainWindow;

namespace clipvex {

class ToolsBar : public QToolBar {
  Q_OBJECT

 public:
  explicit ToolsBar(QMainWindow& window);

  Tool currentTool() const;

  // Floats the bar over the window's centre panel, whose top left corner
  // is `panel` in window coordinates.
  void floatAt(const QPoint& panel);

  // The place kept from the last run, and keeping the place for the next.
  void restorePlace();
  void savePlace();
  // While the window closes, the bar may hide with it.
  void setClosing(bool closing) { closing_ = closing; }

 private:
  void keepVisible(bool visible);

  QMainWindow& window_;
  QButtonGroup* tools_;
  bool closing_ = false;
};

}  // namespace clipvex
