#include "ui/toolbarplace.h"

#include <QApplication>
#include <QMainWindow>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionToolBar>
#include <QToolBar>
#include <algorithm>
#include <vector>

namespace clipvex {
namespace {

constexpr int kMaxFloatingSide = 4096;

Qt::ToolBarArea AreaOfName(const QString& name) {
  if (name.compare(kTopDockName, Qt::CaseInsensitive) == 0) return Qt::TopToolBarArea;
  if (name.compare(kBottomDockName, Qt::CaseInsensitive) == 0) return Qt::BottomToolBarArea;
  return Qt::NoToolBarArea;
}

// The docked tool bars of `area` in lines (top to bottom), each line ordered
// along the line.
std::vector<std::vector<QToolBar*>> Lines(const QMainWindow& window, Qt::ToolBarArea area, const QToolBar* skip) {
  std::vector<QToolBar*> bars;
  for (QToolBar* bar : window.findChildren<QToolBar*>(Qt::FindDirectChildrenOnly)) {
    if (bar != skip && !bar->isFloating() && window.toolBarArea(bar) == area) bars.push_back(bar);
  }
  std::sort(bars.begin(), bars.end(),
            [](const QToolBar* a, const QToolBar* b) { return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x(); });
  std::vector<std::vector<QToolBar*>> lines;
  for (QToolBar* bar : bars) {
    if (lines.empty() || lines.back().front()->y() != bar->y()) lines.emplace_back();
    lines.back().push_back(bar);
  }
  return lines;
}

bool ReadInt(QSettings& settings, const QString& key, int& value) {
  bool ok = false;
  value = settings.value(key).toString().toInt(&ok);
  return ok;
}

void SendMouse(QToolBar& bar, QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held) {
  QMouseEvent event(type, QPointF(local), QPointF(global), Qt::LeftButton, held, Qt::NoModifier);
  QCoreApplication::sendEvent(&bar, &event);
}

}  // namespace

ToolBarPlace CurrentPlace(const QMainWindow& window, const QToolBar& bar) {
  ToolBarPlace place;
  if (bar.isFloating()) {
    place.floating = true;
    place.geometry = bar.geometry();
    return place;
  }
  const Qt::ToolBarArea area = window.toolBarArea(&bar);
  place.dockedTo = area == Qt::BottomToolBarArea ? kBottomDockName : kTopDockName;
  const auto lines = Lines(window, area, nullptr);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (std::find(lines[i].begin(), lines[i].end(), &bar) != lines[i].end()) place.dockLine = static_cast<int>(i);
  }
  place.dockPos = bar.x();
  return place;
}

void SavePlace(QSettings& settings, const QString& name, const ToolBarPlace& place) {
  settings.beginGroup("ToolBars/" + name);
  settings.remove("");
  if (place.floating) {
    settings.setValue("Left", place.geometry.left());
    settings.setValue("Top", place.geometry.top());
    settings.setValue("Width", place.geometry.width());
    settings.setValue("Height", place.geometry.height());
  } else {
    settings.setValue("DockedTo", place.dockedTo);
    settings.setValue("DockLine", place.dockLine);
    settings.setValue("DockPos", place.dockPos);
  }
  settings.endGroup();
}

std::optional<ToolBarPlace> LoadPlace(QSettings& settings, const QString& name) {
  settings.beginGroup("ToolBars/" + name);
  ToolBarPlace place;
  bool valid = false;
  if (settings.contains("DockedTo")) {
    place.dockedTo = settings.value("DockedTo").toString();
    valid = AreaOfName(place.dockedTo) != Qt::NoToolBarArea && ReadInt(settings, "DockLine", place.dockLine) &&
            ReadInt(settings, "DockPos", place.dockPos) && place.dockLine >= 0;
  } else {
    int left = 0, top = 0, width = 0, height = 0;
    valid = ReadInt(settings, "Left", left) && ReadInt(settings, "Top", top) && ReadInt(settings, "Width", width) &&
            ReadInt(settings, "Height", height) && width > 0 && height > 0 && width <= kMaxFloatingSide &&
            height <= kMaxFloatingSide;
    place.floating = true;
    place.geometry = QRect(left, top, width, height);
  }
  settings.endGroup();
  if (!valid) return std::nullopt;
  return place;
}

void ApplyPlace(QMainWindow& window, QToolBar& bar, const ToolBarPlace& place) {
  if (place.floating) {
    QRect geometry = place.geometry;
    const QScreen* screen = QGuiApplication::screenAt(geometry.center());
    if (screen == nullptr) screen = window.screen();
    if (screen != nullptr) {
      const QRect avail = screen->availableGeometry();
      geometry.setSize(geometry.size().boundedTo(avail.size()));
      geometry.moveLeft(std::clamp(geometry.left(), avail.left(), avail.right() - geometry.width() + 1));
      geometry.moveTop(std::clamp(geometry.top(), avail.top(), avail.bottom() - geometry.height() + 1));
    }
    if (FloatToolBar(window, bar, geometry.topLeft())) bar.setGeometry(geometry);
    return;
  }
  const Qt::ToolBarArea area = AreaOfName(place.dockedTo);
  if (area == Qt::NoToolBarArea) return;
  const auto lines = Lines(window, area, &bar);
  const std::size_t line = static_cast<std::size_t>(place.dockLine);
  window.removeToolBar(&bar);
  if (line < lines.size()) {
    const auto& bars = lines[line];
    auto after = std::find_if(bars.begin(), bars.end(), [&](QToolBar* other) { return other->x() > place.dockPos; });
    if (after != bars.end()) {
      window.insertToolBar(*after, &bar);
    } else if (line + 1 < lines.size()) {
      QToolBar* next = lines[line + 1].front();
      window.insertToolBar(next, &bar);
      window.insertToolBarBreak(next);
    } else {
      window.addToolBar(area, &bar);
    }
  } else {
    if (!lines.empty()) window.addToolBarBreak(area);
    window.addToolBar(area, &bar);
  }
  bar.show();
}

bool FloatToolBar(QMainWindow& window, QToolBar& bar, QPoint topLeft) {
  if (bar.isFloating()) {
    bar.move(topLeft);
    return true;
  }
  if (!bar.isFloatable() || !bar.isMovable() || window.toolBarArea(&bar) == Qt::NoToolBarArea) return false;
  if (!bar.isVisible()) bar.show();
  // Take the bar by its handle and drag it away from every dock area, as a
  // user would: the main window's layout then floats it.
  QStyleOptionToolBar option;
  option.initFrom(&bar);
  option.features = QStyleOptionToolBar::Movable;
  option.toolBarArea = window.toolBarArea(&bar);
  if (bar.orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  const QRect handle = bar.style()->subElementRect(QStyle::SE_ToolBarHandle, &option, &bar);
  const QPoint grip = handle.isValid() ? handle.center() : QPoint(2, bar.height() / 2);
  const QPoint start = bar.mapToGlobal(grip);
  const int away = bar.height() + 4 * QApplication::startDragDistance();
  SendMouse(bar, QEvent::MouseButtonPress, grip, start, Qt::LeftButton);
  SendMouse(bar, QEvent::MouseMove, grip + QPoint(0, away), start + QPoint(0, away), Qt::LeftButton);
  const QPoint end = topLeft + grip;
  SendMouse(bar, QEvent::MouseMove, bar.mapFromGlobal(end), end, Qt::LeftButton);
  SendMouse(bar, QEvent::MouseButtonRelease, bar.mapFromGlobal(end), end, Qt::NoButton);
  if (QWidget::mouseGrabber() == &bar) bar.releaseMouse();
  if (!bar.isFloating()) return false;
  bar.move(topLeft);
  return true;
}

}  // namespace clipvex
