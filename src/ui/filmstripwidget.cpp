#include "ui/filmstripwidget.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "dialogs/messages.h"
#include "live/events.h"
#include "strip/windowlayout.h"

namespace clipvex {
namespace {

constexpr int kStripLeft = 4;
constexpr int kStripWidth = 1017;
constexpr int kBevelWidth = 2;
// Eighths of a degree in one notch of a mouse wheel.
constexpr int kWheelNotch = 120;

// A new picture control starts with a blank bitmap of the game's screen size.
constexpr int kBlankWidth = 320;
constexpr int kBlankHeight = 240;

const QColor kPlaceholderGrey(128, 128, 128);
const QColor kMarkRed(255, 0, 0);

QImage WhiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

void SetCaptionColor(StripCaption* caption, const QColor& color) {
  QPalette palette = caption->palette();
  palette.setColor(QPalette::WindowText, color);
  caption->setPalette(palette);
}

// The frame of a block without a thumbnail, at the frame's size: grey with
// the thumbnail's file name in its top-left corner, white for a frame past
// the demo's end.
QImage Placeholder(const QSize& size, const QString& name, bool pastEnd, int dpi) {
  QImage image(std::max(size.width(), 1), std::max(size.height(), 1), QImage::Format_RGB32);
  // Same text size as on the screen, the bitmap being shown at its own size.
  const int dotsPerMeter = qRound(dpi / 0.0254);
  image.setDotsPerMeterX(dotsPerMeter);
  image.setDotsPerMeterY(dotsPerMeter);
  image.fill(pastEnd ? QColor(Qt::white) : kPlaceholderGrey);
  QPainter painter(&image);
  QFont font = painter.font();
  font.setPointSize(8);
  painter.setFont(font);
  painter.setPen(Qt::white);
  painter.drawText(QRect(5, 5, image.width() - 5, image.height() - 5), Qt::AlignLeft | Qt::AlignTop, name);
  return image;
}

// The red cross over the picture of a block outside the selection.
void DrawCross(QImage& image) {
  if (image.isNull()) return;
  if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32) {
    image = image.convertToFormat(QImage::Format_RGB32);
  }
  const int w = image.width();
  const int h = image.height();
  // The pen grows with the bitmap: 10 for a 320 wide thumbnail, 3 for a frame.
  const int penWidth = static_cast<int>(std::nearbyint(w * 0.003125 * 10));
  QPainter painter(&image);
  painter.setPen(QPen(kMarkRed, penWidth));
  painter.drawLine(0, 0, w, h);
  painter.drawLine(w, 0, 0, h);
}

// The marks of what happens in a frame's blocks: a small coloured badge
// with a letter for each kind, from the picture's top right corner leftwards.
void DrawEventMarks(QPainter& painter, const QRect& picture, std::uint8_t marks) {
  struct Mark {
    std::uint8_t bit;
    QColor color;
    char letter;
  };
  static const Mark kMarks[] = {
      {kEventKill, QColor(200, 30, 30), 'K'},         {kEventDeath, QColor(20, 20, 20), 'D'},
      {kEventSecret, QColor(210, 160, 0), 'S'},       {kEventCenterPrint, QColor(30, 90, 200), 'T'},
      {kEventIntermission, QColor(30, 140, 60), 'I'}, {kEventNewLevel, QColor(130, 50, 170), 'L'}};
  const int size = std::clamp(picture.height() / 6, 9, 16);
  QFont font = painter.font();
  font.setPixelSize(size - 3);
  font.setBold(true);
  painter.setFont(font);
  painter.setRenderHint(QPainter::Antialiasing);
  int x = picture.right() - size - 1;
  for (const Mark& mark : kMarks) {
    if (!(marks & mark.bit)) continue;
    const QRect badge(x, picture.top() + 2, size, size);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(mark.color);
    painter.drawRoundedRect(badge, 3, 3);
    painter.drawText(badge, Qt::AlignCenter, QString(QChar(mark.letter)));
    x -= size + 2;
  }
}

std::optional<MouseButton> StripButton(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return MouseButton::Left;
    case Qt::RightButton:
      return MouseButton::Right;
    case Qt::MiddleButton:
      return MouseButton::Middle;
    default:
      return std::nullopt;
  }
}

}  // namespace

StripImage::StripImage(QWidget* parent) : QWidget(parent), bitmap_(WhiteImage(kBlankWidth, kBlankHeight)) {}

void StripImage::setBitmap(QImage bitmap) {
  fill_ = Fill::Bitmap;
  bitmap_ = std::move(bitmap);
  update();
}

void StripImage::showPlaceholder(const QString& name, bool pastEnd, bool crossed) {
  fill_ = Fill::Placeholder;
  placeholderName_ = name;
  pastEnd_ = pastEnd;
  crossed_ = crossed;
  render();
}

void StripImage::showWhite() {
  fill_ = Fill::White;
  render();
}

void StripImage::render() {
  if (fill_ == Fill::Placeholder) {
    bitmap_ = Placeholder(size(), placeholderName_, pastEnd_, logicalDpiY());
    if (crossed_) DrawCross(bitmap_);
  } else if (fill_ == Fill::White) {
    bitmap_ = WhiteImage(std::max(width(), 1), std::max(height(), 1));
  }
  update();
}

QRect StripImage::pictureRect() const {
  if (bitmap_.isNull() || bitmap_.width() <= 0 || bitmap_.height() <= 0) return rect();
  const double scale =
      std::min(static_cast<double>(width()) / bitmap_.width(), static_cast<double>(height()) / bitmap_.height());
  const int w = std::min(width(), static_cast<int>(std::lround(bitmap_.width() * scale)));
  const int h = std::min(height(), static_cast<int>(std::lround(bitmap_.height() * scale)));
  return QRect((width() - w) / 2, (height() - h) / 2, w, h);
}

void StripImage::setEventMarks(std::uint8_t marks) {
  if (marks == marks_) return;
  marks_ = marks;
  setToolTip(QString::fromStdString(EventNames(marks)));
  update();
}

void StripImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!bitmap_.isNull()) {
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureRect(), bitmap_);
  }
  if (marks_ != 0) DrawEventMarks(painter, pictureRect(), marks_);
}

void StripImage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (fill_ != Fill::Bitmap) render();
}

void StripImage::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit mouseDown(this, event->button(), event->modifiers());
}

StripCaption::StripCaption(QWidget* parent) : QLabel(parent) {}

void StripCaption::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit clicked(this);
}

FilmStripWidget::FilmStripWidget(const QString& name, int top, StripState& state, StripHost& host, QWidget* parent)
    : QFrame(parent), host_(host), state_(state) {
  shown_.fill(-1);
  setObjectName(name);
  setGeometry(kStripLeft, top, kStripWidth, kFormStripHeight);
  setCursor(Qt::ArrowCursor);
  setLineWidth(kBevelWidth);
  setLowered(name == QLatin1String("MasterPanel"));

  for (int i = 1; i <= kFrames; ++i) {
    auto* image = new StripImage(this);
    image->setObjectName(QString("i%1").arg(i));
    connect(image, &StripImage::mouseDown, this, &FilmStripWidget::imagePressed);
    image->installEventFilter(this);
    images_[static_cast<std::size_t>(i - 1)] = image;

    auto* caption = new StripCaption(this);
    caption->setObjectName(QString("l%1").arg(i));
    caption->setAlignment(Qt::AlignCenter);
    caption->setTextFormat(Qt::PlainText);
    SetCaptionColor(caption, Qt::black);
    connect(caption, &StripCaption::clicked, this, &FilmStripWidget::captionClicked);
    caption->installEventFilter(this);
    captions_[static_cast<std::size_t>(i - 1)] = caption;
  }
  placeFrames();
}

void FilmStripWidget::placeFrames() {
  const FrameBoxes boxes = LayOutFrames(width(), height());
  const auto rect = [](const clipvex::Box& box) { return QRect(box.x, box.y, box.width, box.height); };
  for (std::size_t i = 0; i < kFrames; ++i) {
    images_[i]->setGeometry(rect(boxes.pictures[i]));
    captions_[i]->setGeometry(rect(boxes.captions[i]));
  }
}

void FilmStripWidget::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  placeFrames();
}

bool FilmStripWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && watched != this) {
    wheelEvent(static_cast<QWheelEvent*>(event));
    return true;
  }
  return QFrame::eventFilter(watched, event);
}

void FilmStripWidget::wheelEvent(QWheelEvent* event) {
  event->accept();
  // The larger of the two wheels counts; up and left are back.
  const QPoint angle = event->angleDelta();
  const std::int64_t delta = std::abs(angle.x()) > std::abs(angle.y()) ? angle.x() : angle.y();
  const std::int64_t total = wheelAngle_ + delta;
  const std::int64_t notches = total / kWheelNotch;
  wheelAngle_ = static_cast<int>(total % kWheelNotch);
  if (notches != 0) emit wheelScrolled(this, static_cast<int>(-notches));
}

void FilmStripWidget::setLowered(bool lowered) {
  setFrameStyle(QFrame::Panel | (lowered ? QFrame::Sunken : QFrame::Raised));
}

bool FilmStripWidget::isLowered() const { return frameShadow() == QFrame::Sunken; }

void FilmStripWidget::redraw(int labelMode, const Settings& settings) {
  const std::array<FrameView, kFrames> frames = DescribeFrames(state_, labelMode);
  for (int i = 1; i <= kFrames; ++i) {
    const FrameView& frame = frames[static_cast<std::size_t>(i - 1)];
    StripCaption* caption = this->caption(i);
    StripImage* image = this->image(i);
    caption->setText(FromBytes(frame.caption));

    SetCaptionColor(caption, frame.selected ? kMarkRed : QColor(Qt::black));

    // A frame past the end has no block: a file of that name belongs to no
    // block of this demo, so it shows the blank placeholder.
    const std::size_t f = static_cast<std::size_t>(i - 1);
    const std::optional<std::string> file =
        frame.pastEnd ? std::nullopt : ThumbnailFile(settings, state_.letter, frame.block);
    shown_[f] = frame.pastEnd ? -1 : frame.block;
    takesLive_[f] = live_ != nullptr && !frame.pastEnd && !file;
    crossed_[f] = !frame.selected;
    QImage bitmap = file            ? NViewLibLoad(FromPath(*file))
                    : takesLive_[f] ? live_->livePicture(this, frame.block)
                                    : QImage();
    if (file || !bitmap.isNull()) {
      if (!frame.selected) DrawCross(bitmap);
      image->setBitmap(std::move(bitmap));
    } else {
      image->showPlaceholder(FromBytes(ThumbnailName(state_.letter, frame.block)), frame.pastEnd, !frame.selected);
    }
  }
  if (live_ != nullptr) live_->wantPictures(this, liveBlocks());
  updateEventMarks();
}

void FilmStripWidget::setLiveSource(LivePictureSource* source) {
  live_ = source;
  takesLive_.fill(false);
  updateEventMarks();
}

void FilmStripWidget::showLivePicture(std::int64_t block, const QImage& picture) {
  for (std::size_t f = 0; f < kFrames; ++f) {
    if (!takesLive_[f] || shown_[f] != block) continue;
    QImage bitmap = picture;
    if (crossed_[f]) DrawCross(bitmap);
    images_[f]->setBitmap(std::move(bitmap));
  }
}

std::vector<std::int64_t> FilmStripWidget::liveBlocks() const {
  std::vector<std::int64_t> blocks;
  for (std::size_t f = 0; f < kFrames; ++f)
    if (takesLive_[f]) blocks.push_back(shown_[f]);
  return blocks;
}

void FilmStripWidget::updateEventMarks() {
  for (std::size_t f = 0; f < kFrames; ++f) {
    const bool marked = live_ != nullptr && state_.HasDemo() && shown_[f] >= 0;
    images_[f]->setEventMarks(marked ? live_->eventsOf(this, shown_[f], shown_[f] + state_.step - 1) : 0);
  }
}

void FilmStripWidget::paintWhite() {
  for (StripImage* image : images_) image->showWhite();
  shown_.fill(-1);
  takesLive_.fill(false);
  updateEventMarks();
}

void FilmStripWidget::stripPressed() { host_.makeActive(this); }

void FilmStripWidget::captionClicked(StripCaption*) {
  if (!host_.isActive(this)) {
    // Making the strip active already refreshes it.
    host_.makeActive(this);
    return;
  }
  host_.toggleLabelMode();
  host_.requestRefresh();
}

void FilmStripWidget::imagePressed(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
  // The first press on the other strip only makes it the active one.
  if (!host_.isActive(this)) {
    host_.makeActive(this);
    return;
  }
  if (!state_.HasDemo() || sender == nullptr) return;
  const std::optional<MouseButton> stripButton = StripButton(button);
  if (!stripButton) return;

  bool numbered = false;
  const int frame = sender->objectName().mid(1).toInt(&numbered);
  if (!numbered || frame < 1 || frame > kFrames) return;

  const FrameAction action = ToolAction(host_.currentTool(), *stripButton, shift.testFlag(Qt::ShiftModifier));
  const FrameOutcome outcome = PressFrame(state_, frame, action);
  if (outcome.openViewer) host_.openViewer(outcome.viewerBlock, outcome.viewerAsText);
  if (outcome.refresh) host_.requestRefresh();
}

void FilmStripWidget::mousePressEvent(QMouseEvent* event) {
  event->accept();
  stripPressed();
}

}  // namespace clipvex
