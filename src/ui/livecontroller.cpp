#include "ui/livecontroller.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTimer>
#include <algorithm>
#include <cstring>

#include "dialogs/blockviewer.h"
#include "live/events.h"
#include "settings/settingsstore.h"
#include "ui/commands.h"
#include "ui/editorstate.h"
#include "ui/stripcontroller.h"

namespace clipvex {
namespace {

// The window takes the worker's pictures and events at once, but redraws
// the marks of a replay under way at most this often.
constexpr int kMarksMilliseconds = 150;
// Who goes first: the block viewer, then the active strip, then the other.
constexpr int kViewerPriority = 3;
constexpr int kActivePriority = 2;
constexpr int kOtherPriority = 1;

QColor TickColor(std::uint8_t events) {
  // The rarest and weightiest kind of a block gives its tick the colour.
  if (events & kEventDeath) return QColor(20, 20, 20);
  if (events & kEventIntermission) return QColor(30, 140, 60);
  if (events & kEventNewLevel) return QColor(130, 50, 170);
  if (events & kEventSecret) return QColor(210, 160, 0);
  if (events & kEventKill) return QColor(200, 30, 30);
  return QColor(30, 90, 200);
}

const TDemFile kNoDemo;

LiveAsker AskerOf(char letter) { return letter == 'F' ? LiveAsker::Final : LiveAsker::Source; }

}  // namespace

EventTicks::EventTicks(QScrollBar* bar) : QWidget(bar), bar_(bar) {
  setObjectName("event_ticks");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(bar->rect());
  bar->installEventFilter(this);
}

void EventTicks::setEvents(std::vector<std::pair<std::int64_t, std::uint8_t>> events) {
  if (events == events_) return;
  events_ = std::move(events);
  update();
}

bool EventTicks::eventFilter(QObject* watched, QEvent* event) {
  if (watched == bar_ && event->type() == QEvent::Resize) setGeometry(bar_->rect());
  if (watched == bar_ && event->type() == QEvent::EnabledChange) update();
  return QWidget::eventFilter(watched, event);
}

void EventTicks::paintEvent(QPaintEvent*) {
  if (events_.empty() || !bar_->isEnabled()) return;
  QStyleOptionSlider option;
  option.initFrom(bar_);
  option.orientation = bar_->orientation();
  option.minimum = bar_->minimum();
  option.maximum = bar_->maximum();
  option.sliderPosition = bar_->sliderPosition();
  option.sliderValue = bar_->value();
  option.singleStep = bar_->singleStep();
  option.pageStep = bar_->pageStep();
  option.upsideDown = bar_->invertedAppearance();
  if (option.orientation == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
  const QRect groove = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar_);
  // The bar's range and page stand for the whole demo, so a block lies at
  // its share of the groove.
  const double span = static_cast<double>(option.maximum) - option.minimum + option.pageStep;
  if (groove.width() <= 0 || span <= 0) return;
  QPainter painter(this);
  const int tick = std::max(2, groove.height() / 3);
  for (const auto& [block, events] : events_) {
    if (block < option.minimum) continue;
    const double share = std::min(1.0, (static_cast<double>(block) - option.minimum) / span);
    const int x = groove.left() + static_cast<int>(share * (groove.width() - 1));
    painter.fillRect(x, groove.top(), 2, tick, TickColor(events));
    painter.fillRect(x, groove.bottom() - tick + 1, 2, tick, TickColor(events));
  }
}

LiveController::LiveController(EditorState& editor, StripController& strips, SettingsStore& store, QWidget* window)
    : QObject(window),
      editor_(editor),
      strips_(strips),
      store_(store),
      window_(window),
      nextEvent_(MakeAction(this, "NextEvent1", "Next &Event", QKeySequence("Ctrl+Right"))),
      previousEvent_(MakeAction(this, "PreviousEvent1", "Pre&vious Event", QKeySequence("Ctrl+Left"))),
      live_(MakeAction(this, "LiveThumbnails1", "&Live thumbnails")),
      pump_(new QTimer(this)),
      marks_(new QTimer(this)) {
  setObjectName("live");
  nextEvent_->setToolTip("Move the strip to the next frame where something happens");
  previousEvent_->setToolTip("Move the strip to the previous frame where something happens");
  live_->setToolTip("Pictures drawn in the editor for frames without a thumbnail");
  live_->setCheckable(true);
  Connect(
      nextEvent_, editor_, window_, [this] { nextEvent(); }, DuringRun::Allowed);
  Connect(
      previousEvent_, editor_, window_, [this] { previousEvent(); }, DuringRun::Allowed);
  connect(live_, &QAction::toggled, this, [this](bool on) {
    editor_.settings().liveThumbnails = on;
    WriteLiveThumbnails(store_, on);
    setLive(on);
  });

  engine_ = std::make_unique<LiveEngine>([this] {
    // On the worker's thread: one call waits in the window's queue at a time.
    if (!wakePosted_.exchange(true))
      QMetaObject::invokeMethod(
          this, [this] { takeResults(); }, Qt::QueuedConnection);
  });
  pump_->setInterval(0);
  connect(pump_, &QTimer::timeout, this, &LiveController::pump);
  marks_->setSingleShot(true);
  marks_->setInterval(kMarksMilliseconds);
  connect(marks_, &QTimer::timeout, this, &LiveController::showEvents);

  for (FilmStripWidget* strip : {strips_.sourceStrip(), strips_.finalStrip()}) {
    auto* ticks = new EventTicks(strips_.scrollBar(strip));
    ticks_[strip == strips_.finalStrip() ? 1 : 0] = ticks;
  }
  for (StripDocument* document : editor_.documents()) follow(document);

  editor_.settings().liveThumbnails = ReadLiveThumbnails(store_);
  {
    const QSignalBlocker quiet(live_);  // as stored: nothing to write back
    live_->setChecked(editor_.settings().liveThumbnails);
  }
  setLive(editor_.settings().liveThumbnails);
}

// The worker stops before the window's parts it reports to go.
LiveController::~LiveController() { engine_.reset(); }

void LiveController::addToMenus(QMenu* edit, QMenu* options) {
  if (edit != nullptr) {
    edit->addSeparator()->setObjectName("N_events");
    edit->addActions({nextEvent_, previousEvent_});
  }
  if (options != nullptr) options->addAction(live_);
}

void LiveController::attachViewer(BlockViewer* viewer) {
  viewer_ = viewer;
  if (viewer_ != nullptr)
    viewer_->setLivePictureSource([this](char letter, std::int64_t block) { askForViewer(letter, block); });
}

bool LiveController::isOn() const { return live_->isChecked(); }

EventTicks* LiveController::ticks(const FilmStripWidget* strip) const {
  return ticks_[strip == strips_.finalStrip() ? 1 : 0];
}

StripDocument& LiveController::documentOf(char letter) const {
  return letter == 'F' ? editor_.finalDocument() : editor_.sourceDocument();
}

FilmStripWidget* LiveController::stripOf(char letter) const {
  return letter == 'F' ? strips_.finalStrip() : strips_.sourceStrip();
}

void LiveController::follow(StripDocument* document) {
  connect(document, &StripDocument::blocksChanged, this,
          [this, document](int first, int) { blocksChanged(document, first); });
  connect(document, &StripDocument::demoReplaced, this, [this, document] { demoReplaced(document); });
}

void LiveController::setLive(bool on) {
  nextEvent_->setEnabled(on);
  previousEvent_->setEnabled(on);
  for (StripDocument* document : editor_.documents()) {
    const bool held = document->state().HasDemo() && on;
    engine_->Reset(document->letter(), held ? document->state().demo : kNoDemo);
    stripOf(document->letter())->setLiveSource(on ? this : nullptr);
  }
  for (EventTicks* ticks : ticks_) {
    ticks->setEvents({});
    ticks->setVisible(on);
  }
  known_.fill(0);
  if (on) {
    followSettings();
    pump_->start();
  } else {
    pump_->stop();
  }
  strips_.refresh();
}

void LiveController::followSettings() {
  const Settings& settings = editor_.settings();
  engine_->SetGameFolders(settings.WinQuakePath, settings.dempath);
}

void LiveController::blocksChanged(StripDocument* document, int first) {
  if (!isOn()) return;
  const char letter = document->letter();
  engine_->Changed(letter, document->state().demo, first);
  // A text edit redraws nothing: the frames that show pictures ask again
  // (the pictures of changed blocks come anew).
  FilmStripWidget* strip = stripOf(letter);
  wantPictures(strip, strip->liveBlocks());
  known_[letter == 'F' ? 1 : 0] = -1;
  if (!marks_->isActive()) marks_->start();
  pump_->start();
}

void LiveController::demoReplaced(StripDocument* document) {
  if (!isOn()) return;
  const StripState& state = document->state();
  engine_->Reset(document->letter(), state.HasDemo() ? state.demo : kNoDemo);
  known_[document->letter() == 'F' ? 1 : 0] = -1;
  showEvents();
  pump_->start();
}

QImage LiveController::ToImage(const winquake::Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull()) return image;
  const std::uint8_t* palette = picture.palette.data();
  for (int y = 0; y < picture.height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    const std::uint8_t* pixels = picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* c = palette + pixels[x] * 3;
      row[x] = qRgb(c[0], c[1], c[2]);
    }
  }
  return image;
}

QImage LiveController::livePicture(const FilmStripWidget* strip, std::int64_t block) {
  if (!isOn()) return QImage();
  followSettings();
  const LivePicture picture = engine_->Cached(strip->letter(), block);
  return picture ? ToImage(*picture) : QImage();
}

void LiveController::wantPictures(const FilmStripWidget* strip, const std::vector<std::int64_t>& blocks) {
  if (!isOn()) return;
  const char letter = strip->letter();
  const int priority = &editor_.activeDocument() == &documentOf(letter) ? kActivePriority : kOtherPriority;
  engine_->Want(AskerOf(letter), letter, documentOf(letter).state().demo, blocks, priority);
  pump_->start();
}

std::uint8_t LiveController::eventsOf(const FilmStripWidget* strip, std::int64_t first, std::int64_t last) {
  return isOn() ? engine_->Events(strip->letter(), first, last) : 0;
}

void LiveController::askForViewer(char letter, std::int64_t block) {
  if (!isOn() || viewer_ == nullptr) return;
  followSettings();
  if (const LivePicture picture = engine_->Cached(letter, block)) {
    viewer_->showLivePicture(letter, block, ToImage(*picture));
    return;
  }
  engine_->Want(LiveAsker::Viewer, letter, documentOf(letter).state().demo, {block}, kViewerPriority);
  pump_->start();
}

void LiveController::takeResults() {
  wakePosted_ = false;
  if (!isOn()) return;
  for (const LiveEngine::Arrival& arrival : engine_->TakeArrivals()) {
    const LivePicture picture = engine_->Cached(arrival.letter, arrival.block);
    if (picture == nullptr) continue;
    const QImage image = ToImage(*picture);
    stripOf(arrival.letter)->showLivePicture(arrival.block, image);
    if (viewer_ != nullptr) viewer_->showLivePicture(arrival.letter, arrival.block, image);
  }
  for (StripDocument* document : editor_.documents()) {
    const std::size_t i = document->letter() == 'F' ? 1 : 0;
    if (engine_->EventsKnown(document->letter()) != known_[i] && !marks_->isActive()) marks_->start();
  }
  pump_->start();
}

void LiveController::pump() {
  bool more = false;
  for (StripDocument* document : editor_.documents()) {
    if (document->state().HasDemo()) more = engine_->Pump(document->letter(), document->state().demo) || more;
  }
  if (!more) pump_->stop();
}

void LiveController::showEvents() {
  if (!isOn()) return;
  for (StripDocument* document : editor_.documents()) {
    const char letter = document->letter();
    known_[letter == 'F' ? 1 : 0] = engine_->EventsKnown(letter);
    std::vector<std::pair<std::int64_t, std::uint8_t>> events;
    if (document->state().HasDemo()) events = engine_->EventBlocks(letter);
    std::erase_if(events, [](const auto& e) { return e.first < kFirstVisibleBlock; });
    ticks_[letter == 'F' ? 1 : 0]->setEvents(std::move(events));
    stripOf(letter)->updateEventMarks();
  }
}

void LiveController::moveToEvent(bool forward) {
  if (!isOn()) return;
  StripDocument& document = editor_.activeDocument();
  const std::optional<std::int32_t> start =
      EventStart(document.state(), engine_->EventBlocks(document.letter()), forward);
  if (!start) return;
  document.state().firstVisible = *start;
  strips_.refresh();
}

void LiveController::nextEvent() { moveToEvent(true); }
void LiveController::previousEvent() { moveToEvent(false); }

}  // namespace clipvex
