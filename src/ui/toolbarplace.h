// Where a dockable tool bar sits, and how that is kept between runs: docked
// ("DockedTo" the dock area's name, "DockLine" the line of the dock area
// counted from 0, "DockPos" its offset along the line) or floating ("Left",
// "Top", "Width", "Height" in screen pixels).
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <optional>

class QMainWindow;
class QSettings;
class QToolBar;

namespace clipvex {

// Names of the main window's two dock areas.
inline constexpr const char* kTopDockName = "Docks1";
inline constexpr const char* kBottomDockName = "Docks4";

struct ToolBarPlace {
  bool floating = false;
  QString dockedTo;  // kTopDockName or kBottomDockName
  int dockLine = 0;
  int dockPos = 0;
  QRect geometry;  // floating only
};

ToolBarPlace CurrentPlace(const QMainWindow& window, const QToolBar& bar);

// Writes `place` into the group "ToolBars/<name>" of `settings`, replacing
// what the group held.
void SavePlace(QSettings& settings, const QString& name, const ToolBarPlace& place);

// Reads the group "ToolBars/<name>"; nothing when it is missing or does not
// describe a place (unknown dock area, values that are not numbers, a
// floating size that is not positive).
std::optional<ToolBarPlace> LoadPlace(QSettings& settings, const QString& name);

// Docks or floats `bar` as `place` says. A floating place that no screen
// shows any more is moved onto the nearest screen.
void ApplyPlace(QMainWindow& window, QToolBar& bar, const ToolBarPlace& place);

// Undocks `bar` into a floating window whose top left corner is `topLeft`
// (screen coordinates). Returns whether the bar floats.
bool FloatToolBar(QMainWindow& window, QToolBar& bar, QPoint topLeft);

}  // namespace clipvex
