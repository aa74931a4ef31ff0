#include "ui/stripcontroller.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>

#include "dialogs/messages.h"
#include "ui/commands.h"
#include "ui/editorstate.h"

namespace clipvex {

StripController::StripController(EditorState& editor, QWidget* window)
    : QObject(window),
      editor_(editor),
      window_(window),
      blockNumber_(MakeAction(this, "BlockNumber1", "Block Number", QKeySequence("Ctrl+B"))),
      time_(MakeAction(this, "Time1", "Time", QKeySequence("Ctrl+T"))) {
  setObjectName("strips");
  // The two modes are a choice: the current one is checked.
  auto* modes = new QActionGroup(this);
  for (QAction* mode : {blockNumber_, time_}) {
    mode->setCheckable(true);
    modes->addAction(mode);
  }
  blockNumber_->setChecked(true);
  Connect(
      blockNumber_, editor_, window_, [this] { showBlockNumbers(); }, DuringRun::Allowed);
  Connect(
      time_, editor_, window_, [this] { showTimes(); }, DuringRun::Allowed);
}

void StripController::attach(const StripParts& source, const StripParts& final) {
  parts_ = {source, final};
  for (const StripParts& parts : parts_) {
    FilmStripWidget* strip = parts.strip;
    connect(parts.scrollBar, &QScrollBar::valueChanged, this,
            [this, strip](int value) { Guarded(window_, [&] { scrollBarMoved(strip, value); }); });
    connect(strip, &FilmStripWidget::wheelScrolled, this,
            [this](FilmStripWidget* sender, int frames) { Guarded(window_, [&] { wheelScroll(sender, frames); }); });
    // A closed demo leaves its strip white.
    connect(&documentOf(strip), &StripDocument::demoReplaced, this, [this, strip] {
      if (!strip->state().HasDemo()) strip->paintWhite();
      syncControls();
    });
  }
}

void StripController::installKeys(QWidget* window) {
  // A text box that has the focus keeps its own keys: it claims them before
  // a window shortcut sees them.
  const std::pair<Qt::Key, NavKey> keys[] = {
      {Qt::Key_Left, NavKey::FrameBack},  {Qt::Key_Right, NavKey::FrameForward},
      {Qt::Key_PageUp, NavKey::PageBack}, {Qt::Key_PageDown, NavKey::PageForward},
      {Qt::Key_Home, NavKey::Home},       {Qt::Key_End, NavKey::End}};
  for (auto [key, nav] : keys) {
    auto* shortcut = new QShortcut(QKeySequence(key), window);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(true);
    connect(shortcut, &QShortcut::activated, this, [this, nav = nav] { Guarded(window_, [&] { navigate(nav); }); });
  }
}

FilmStripWidget* StripController::activeStrip() const { return stripOf(editor_.activeDocument()); }

FilmStripWidget* StripController::stripOf(const StripDocument& document) const {
  for (const StripParts& parts : parts_) {
    if (parts.strip != nullptr && &parts.strip->state() == &document.state()) return parts.strip;
  }
  return nullptr;
}

StripDocument& StripController::documentOf(const FilmStripWidget* strip) const {
  return strip == finalStrip() ? editor_.finalDocument() : editor_.sourceDocument();
}

StripController::StripParts& StripController::partsOf(const FilmStripWidget* strip) {
  return strip == finalStrip() ? parts_[1] : parts_[0];
}

const StripController::StripParts& StripController::partsOf(const FilmStripWidget* strip) const {
  return strip == finalStrip() ? parts_[1] : parts_[0];
}

void StripController::makeActive(FilmStripWidget* strip) {
  editor_.setActiveDocument(documentOf(strip));
  Guarded(window_, [this] { refresh(); });
}

void StripController::toggleLabelMode() { editor_.setLabelMode(editor_.labelMode() == 0 ? 1 : 0); }

void StripController::requestRefresh() {
  Guarded(window_, [this] { refresh(); });
}

void StripController::openViewer(std::int64_t block, bool asText) {
  if (openViewer_) openViewer_(block, asText);
}

void StripController::refresh() {
  FilmStripWidget* active = activeStrip();
  for (const StripParts& parts : parts_) parts.strip->setLowered(parts.strip == active);
  syncControls();
  if (!active->state().HasDemo()) return;
  active->redraw(editor_.labelMode(), editor_.settings());
}

void StripController::syncControls() {
  for (const StripParts& parts : parts_) {
    const ScrollBarModel model = ScrollBarFor(parts.strip->state());
    {
      // Setting the bar to the strip is no move of the user's.
      const QSignalBlocker quiet(parts.scrollBar);
      parts.scrollBar->setRange(model.minimum, model.maximum);
      parts.scrollBar->setSingleStep(model.singleStep);
      parts.scrollBar->setPageStep(model.pageStep);
      parts.scrollBar->setValue(model.value);
      parts.scrollBar->setEnabled(model.enabled);
    }
    const QString text = QString::fromUtf8(PositionText(parts.strip->state()));
    parts.position->setText(text);
    parts.position->setToolTip(text);
  }
  (editor_.labelMode() == 0 ? blockNumber_ : time_)->setChecked(true);
}

void StripController::scroll(FilmStripWidget* strip, void (*rule)(StripState&)) {
  editor_.setActiveDocument(documentOf(strip));
  rule(strip->state());
  refresh();
}

void StripController::scrollFrameLeft(FilmStripWidget* strip) { scroll(strip, ScrollFrameLeft); }
void StripController::scrollFrameRight(FilmStripWidget* strip) { scroll(strip, ScrollFrameRight); }
void StripController::scrollPageLeft(FilmStripWidget* strip) { scroll(strip, ScrollPageLeft); }
void StripController::scrollPageRight(FilmStripWidget* strip) { scroll(strip, ScrollPageRight); }

void StripController::showBlockNumbers() {
  editor_.setLabelMode(0);
  refresh();
}

void StripController::showTimes() {
  editor_.setLabelMode(1);
  refresh();
}

void StripController::navigate(NavKey key) {
  StripState& state = activeStrip()->state();
  const std::int32_t before = state.firstVisible;
  NavigateStrip(state, key);
  if (state.firstVisible != before) refresh();
}

void StripController::wheelScroll(FilmStripWidget* strip, int frames) {
  if (strip == nullptr) return;
  editor_.setActiveDocument(documentOf(strip));
  ScrollFrames(strip->state(), frames);
  refresh();
}

void StripController::scrollBarMoved(FilmStripWidget* strip, int value) {
  if (strip == nullptr) return;
  editor_.setActiveDocument(documentOf(strip));
  strip->state().firstVisible = ScrollBarTarget(strip->state(), value);
  refresh();
}

}  // namespace clipvex
