// How the main window moves along its strips (scroll bars, the wheel, the
// keys of the active strip, the position texts), how it stretches with its
// size, and which File commands the active strip allows.
#include <QAction>
#include <QLabel>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>

#include "dialogs/messages.h"
#include "strip/windowlayout.h"
#include "ui/mainwindow.h"

namespace clipvex {
namespace {

QRect ToRect(const Box& box) { return QRect(box.x, box.y, box.width, box.height); }

// The longest position text the label keeps room for.
const char* const kLongestPosition = "blocks 888,888-888,888 of 888,888 \xC2\xB7 88:88:88.8-88:88:88.8";

}  // namespace

void Tclipvex_form::BuildNavigation(QWidget* client) {
  // Every control the form placed between the strips moves with that row;
  // the right-hand labels and the memory panel also keep to the right end;
  // what lies under the final strip moves with it.
  for (QObject* child : client->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget == nullptr || widget == MasterPanel || widget == FinalPanel) continue;
    const QString name = widget->objectName();
    FormPlace::Anchor anchor = FormPlace::Middle;
    if (name == "Label8" || name == "Label9" || name == "mempanel") {
      anchor = FormPlace::MiddleRight;
    } else if (widget->y() >= FinalPanel->y()) {
      anchor = FormPlace::Bottom;
    }
    formPlaces_.push_back({widget, widget->geometry(), anchor});
  }

  for (TFilmStrip* strip : {MasterPanel, FinalPanel}) {
    const bool master = strip == MasterPanel;
    auto* bar = new QScrollBar(Qt::Horizontal, client);
    bar->setObjectName(master ? "ScrollBar1" : "ScrollBar2");
    bar->setToolTip(master ? "Move along the Source Panel" : "Move along the Final Panel");
    // The keys belong to the window's strips, not to the bar.
    bar->setFocusPolicy(Qt::NoFocus);
    connect(bar, &QScrollBar::valueChanged, this,
            [this, strip](int value) { Guarded(this, [&] { ScrollBarMoved(strip, value); }); });
    auto* position = new QLabel(client);
    position->setObjectName(master ? "Label10" : "Label11");
    position->setTextFormat(Qt::PlainText);
    position->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    (master ? masterScroll_ : finalScroll_) = bar;
    (master ? masterPosition_ : finalPosition_) = position;
    connect(strip, &TFilmStrip::WheelScrolled, this,
            [this](TFilmStrip* sender, int frames) { Guarded(this, [&] { WheelScroll(sender, frames); }); });
  }
  positionWidth_ = masterPosition_->fontMetrics().horizontalAdvance(QString::fromUtf8(kLongestPosition)) + 4;

  // The keys of the active strip. A text box that has the focus keeps its
  // own keys: it claims them before a window shortcut sees them.
  const std::pair<Qt::Key, NavKey> keys[] = {
      {Qt::Key_Left, NavKey::FrameBack},  {Qt::Key_Right, NavKey::FrameForward},
      {Qt::Key_PageUp, NavKey::PageBack}, {Qt::Key_PageDown, NavKey::PageForward},
      {Qt::Key_Home, NavKey::Home},       {Qt::Key_End, NavKey::End}};
  for (auto [key, nav] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(true);
    connect(shortcut, &QShortcut::activated, this, [this, nav = nav] { Guarded(this, [&] { NavigateActive(nav); }); });
  }

  // Never smaller than the form, with room for the two navigation rows.
  client->setMinimumSize(kFormClientWidth, MinimumClientHeight());
  client->installEventFilter(this);
  LayOutControls();
}

void Tclipvex_form::LayOutControls() {
  QWidget* client = centralWidget();
  if (client == nullptr || MasterPanel == nullptr || masterScroll_ == nullptr) return;
  const WindowLayout layout = LayOutWindow(client->width(), client->height(), positionWidth_);
  MasterPanel->setGeometry(ToRect(layout.masterStrip));
  FinalPanel->setGeometry(ToRect(layout.finalStrip));
  masterScroll_->setGeometry(ToRect(layout.masterScroll));
  finalScroll_->setGeometry(ToRect(layout.finalScroll));
  masterPosition_->setGeometry(ToRect(layout.masterPosition));
  finalPosition_->setGeometry(ToRect(layout.finalPosition));
  for (const FormPlace& place : formPlaces_) {
    if (place.widget.isNull()) continue;
    const int dx = place.anchor == FormPlace::MiddleRight ? layout.rightShift : 0;
    const int dy = place.anchor == FormPlace::Bottom ? layout.bottomShift : layout.middleShift;
    place.widget->setGeometry(place.form.translated(dx, dy));
  }
}

QScrollBar* Tclipvex_form::ScrollBar(const TFilmStrip* strip) const {
  return strip == MasterPanel ? masterScroll_ : finalScroll_;
}

QLabel* Tclipvex_form::PositionLabel(const TFilmStrip* strip) const {
  return strip == MasterPanel ? masterPosition_ : finalPosition_;
}

void Tclipvex_form::StripsChanged() {
  for (TFilmStrip* strip : {MasterPanel, FinalPanel}) {
    QScrollBar* bar = ScrollBar(strip);
    QLabel* position = PositionLabel(strip);
    if (strip == nullptr || bar == nullptr || position == nullptr) continue;
    const ScrollBarModel model = ScrollBarFor(strip->State());
    {
      // Setting the bar to the strip is no move of the user's.
      const QSignalBlocker quiet(bar);
      bar->setRange(model.minimum, model.maximum);
      bar->setSingleStep(model.singleStep);
      bar->setPageStep(model.pageStep);
      bar->setValue(model.value);
      bar->setEnabled(model.enabled);
    }
    const QString text = QString::fromUtf8(PositionText(strip->State()));
    position->setText(text);
    position->setToolTip(text);
  }
  if (blockNumber1_ != nullptr && time1_ != nullptr) {
    (labelMode == 0 ? blockNumber1_ : time1_)->setChecked(true);
  }
  UpdateFileCommands();
}

void Tclipvex_form::UpdateFileCommands() {
  const bool enabled = activeStrip != nullptr && activeStrip->State().HasDemo() && !previewBusy_;
  for (QAction* action : {save1_, saveAs1_, close1_}) {
    if (action != nullptr) action->setEnabled(enabled);
  }
  if (menubar1_ != nullptr) {
    if (auto* save = menubar1_->findChild<QToolButton*>("save_butt")) save->setEnabled(enabled);
  }
}

void Tclipvex_form::NavigateActive(NavKey key) {
  StripState& state = activeStrip->State();
  const std::int32_t before = state.firstVisible;
  NavigateStrip(state, key);
  if (state.firstVisible != before) Refresh_buttClick();
}

void Tclipvex_form::WheelScroll(TFilmStrip* strip, int frames) {
  if (strip == nullptr) return;
  activeStrip = strip;
  ScrollFrames(strip->State(), frames);
  Refresh_buttClick();
}

void Tclipvex_form::ScrollBarMoved(TFilmStrip* strip, int value) {
  if (strip == nullptr) return;
  activeStrip = strip;
  strip->State().firstVisible = ScrollBarTarget(strip->State(), value);
  Refresh_buttClick();
}

}  // namespace clipvex
