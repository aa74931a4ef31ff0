#include "ui/toolsbar.h"

#include <QButtonGroup>
#include <QMainWindow>
#include <QSettings>
#include <QToolButton>
#include <algorithm>
#include <memory>

#include "ui/formwidgets.h"
#include "ui/qtsettingsstore.h"
#include "ui/toolbarplace.h"

namespace clipvex {
namespace {

// The tools in the order of the bar; the button ids of its group.
struct ToolButtonSpec {
  const char* name;
  const char* hint;
  Glyph glyph;
  Tool tool;
};
constexpr ToolButtonSpec kToolButtons[] = {
    {"arrow_butt", "Selection Tool", Glyph::Arrow, Tool::Arrow},
    {"Zoomin_butt", "Zoom in", Glyph::ZoomIn, Tool::ZoomIn},
    {"Zoomout_butt", "Zoom out", Glyph::ZoomOut, Tool::ZoomOut},
    {"zoom_image_butt", "Zoom Thumbnail", Glyph::ZoomImage, Tool::ZoomImage},
    {"totext_butt", "View as Text", Glyph::Text, Tool::ToText},
    {"in_butt", "Set the in-flag", Glyph::InFlag, Tool::In},
    {"out_butt", "Set the out-flag", Glyph::OutFlag, Tool::Out},
};

}  // namespace

ToolsBar::ToolsBar(QMainWindow& window) : QToolBar("Tools", &window), window_(window), tools_(new QButtonGroup(this)) {
  setObjectName("toolbar1");
  setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
  setFloatable(true);
  tools_->setExclusive(true);
  for (std::size_t i = 0; i < std::size(kToolButtons); ++i) {
    QToolButton* button = MakeButton(this, kToolButtons[i].name, kToolButtons[i].hint, kToolButtons[i].glyph);
    button->setAutoRaise(true);
    button->setFixedSize(25, 25);
    button->setCheckable(true);
    addWidget(button);
    tools_->addButton(button, static_cast<int>(i));
  }
  tools_->button(0)->setChecked(true);
  connect(this, &QToolBar::visibilityChanged, this, &ToolsBar::keepVisible);
}

Tool ToolsBar::currentTool() const {
  const int id = tools_->checkedId();
  if (id < 0 || id >= static_cast<int>(std::size(kToolButtons))) return Tool::Arrow;
  return kToolButtons[id].tool;
}

void ToolsBar::floatAt(const QPoint& panel) {
  const QPoint origin = window_.geometry().topLeft();
  if (!FloatToolBar(window_, *this, origin)) return;
  // A floating bar keeps its buttons in one row, so it is as wide as they need.
  resize(std::max(167, sizeHint().width()), sizeHint().height());
  move(panel.x() + origin.x(), panel.y() + origin.y() + height() / 2 - 6);
}

void ToolsBar::restorePlace() {
  std::unique_ptr<QSettings> stored = OpenClipvexSettings();
  if (!stored) return;
  if (std::optional<ToolBarPlace> place = LoadPlace(*stored, objectName())) ApplyPlace(window_, *this, *place);
}

void ToolsBar::savePlace() {
  std::unique_ptr<QSettings> stored = OpenClipvexSettings();
  if (!stored) return;
  SavePlace(*stored, objectName(), CurrentPlace(window_, *this));
  stored->sync();
}

void ToolsBar::keepVisible(bool visible) {
  // The bar cannot be hidden: closing it brings it straight back.
  if (!visible && !closing_ && window_.isVisible()) show();
}

}  // namespace clipvex
