#include "ui/clientlayout.h"

#include <QEvent>
#include <QLabel>
#include <QScrollBar>
#include <algorithm>

#include "strip/windowlayout.h"
#include "ui/filmstripwidget.h"

namespace clipvex {
namespace {

QRect ToRect(const Box& box) { return QRect(box.x, box.y, box.width, box.height); }

// The longest position text the label keeps room for.
const char* const kLongestPosition = "blocks 888,888-888,888 of 888,888 \xC2\xB7 88:88:88.8-88:88:88.8";

}  // namespace

ClientLayout::ClientLayout(QWidget* client, std::array<FilmStripWidget*, 2> strips,
                           std::array<QScrollBar*, 2> scrollBars, std::array<QLabel*, 2> positions)
    : QObject(client), client_(client), strips_(strips), scrollBars_(scrollBars), positions_(positions) {
  const auto ours = [this](const QWidget* widget) {
    return std::count(strips_.begin(), strips_.end(), widget) +
               std::count(scrollBars_.begin(), scrollBars_.end(), widget) +
               std::count(positions_.begin(), positions_.end(), widget) >
           0;
  };
  for (QObject* child : client->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || ours(widget)) continue;
    const QString name = widget->objectName();
    FormPlace::Anchor anchor = FormPlace::Middle;
    if (name == "Label8" || name == "Label9" || name == "mempanel") {
      anchor = FormPlace::MiddleRight;
    } else if (widget->y() >= strips_[1]->y()) {
      anchor = FormPlace::Bottom;
    }
    places_.push_back({widget, widget->geometry(), anchor});
  }
  positionWidth_ = positions_[0]->fontMetrics().horizontalAdvance(QString::fromUtf8(kLongestPosition)) + 4;
  // Never smaller than the form, with room for the two navigation rows.
  client->setMinimumSize(kFormClientWidth, MinimumClientHeight());
  client->installEventFilter(this);
  layOut();
}

void ClientLayout::layOut() {
  const WindowLayout layout = LayOutWindow(client_->width(), client_->height(), positionWidth_);
  strips_[0]->setGeometry(ToRect(layout.masterStrip));
  strips_[1]->setGeometry(ToRect(layout.finalStrip));
  scrollBars_[0]->setGeometry(ToRect(layout.masterScroll));
  scrollBars_[1]->setGeometry(ToRect(layout.finalScroll));
  positions_[0]->setGeometry(ToRect(layout.masterPosition));
  positions_[1]->setGeometry(ToRect(layout.finalPosition));
  for (const FormPlace& place : places_) {
    if (place.widget.isNull()) continue;
    const int dx = place.anchor == FormPlace::MiddleRight ? layout.rightShift : 0;
    const int dy = place.anchor == FormPlace::Bottom ? layout.bottomShift : layout.middleShift;
    place.widget->setGeometry(place.form.translated(dx, dy));
  }
}

bool ClientLayout::eventFilter(QObject* watched, QEvent* event) {
  if (watched == client_ && event->type() == QEvent::Resize) layOut();
  return QObject::eventFilter(watched, event);
}

}  // namespace clipvex
