#include "ui/filmstrip.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <optional>

#include "dialogs/messages.h"

namespace clipvex {
namespace {

constexpr int kStripLeft = 4;
constexpr int kStripWidth = 1017;
constexpr int kStripHeight = 105;
constexpr int kFrameLeft = 8;
constexpr int kFramePitch = 112;
constexpr int kFrameWidth = 107;
constexpr int kPictureTop = 20;
constexpr int kPictureHeight = 80;
constexpr int kCaptionTop = 2;
constexpr int kCaptionHeight = 17;
constexpr int kBevelWidth = 2;

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

// The frame of a block without a thumbnail: grey with the thumbnail's file
// name in its top-left corner, white for a frame past the demo's end.
QImage Placeholder(const QString& name, bool pastEnd, int dpi) {
  QImage image(kFrameWidth, kPictureHeight, QImage::Format_RGB32);
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

void StripImage::SetBitmap(QImage bitmap) {
  bitmap_ = std::move(bitmap);
  update();
}

void StripImage::paintEvent(QPaintEvent*) {
  if (bitmap_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), bitmap_);
}

void StripImage::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit MouseDown(this, event->button(), event->modifiers());
}

StripCaption::StripCaption(QWidget* parent) : QLabel(parent) {}

void StripCaption::mousePressEvent(QMouseEvent* event) {
  event->accept();
  emit Clicked(this);
}

TFilmStrip::TFilmStrip(const QString& name, int top, StripHost& host, QWidget* parent)
    : QFrame(parent), host_(host), state_(name.isEmpty() ? 'M' : name.at(0).toLatin1()) {
  setObjectName(name);
  setGeometry(kStripLeft, top, kStripWidth, kStripHeight);
  setCursor(Qt::ArrowCursor);
  setLineWidth(kBevelWidth);
  SetLowered(name == QLatin1String("MasterPanel"));

  for (int i = 1; i <= kFrames; ++i) {
    const int x = kFrameLeft + (i - 1) * kFramePitch;

    auto* image = new StripImage(this);
    image->setObjectName(QString("i%1").arg(i));
    image->setGeometry(x, kPictureTop, kFrameWidth, kPictureHeight);
    connect(image, &StripImage::MouseDown, this, &TFilmStrip::ImagesMouseDown);
    images_[static_cast<std::size_t>(i - 1)] = image;

    auto* caption = new StripCaption(this);
    caption->setObjectName(QString("l%1").arg(i));
    caption->setGeometry(x, kCaptionTop, kFrameWidth, kCaptionHeight);
    caption->setAlignment(Qt::AlignCenter);
    caption->setTextFormat(Qt::PlainText);
    SetCaptionColor(caption, Qt::black);
    connect(caption, &StripCaption::Clicked, this, &TFilmStrip::LabelClick);
    captions_[static_cast<std::size_t>(i - 1)] = caption;
  }
}

void TFilmStrip::SetLowered(bool lowered) {
  setFrameStyle(QFrame::Panel | (lowered ? QFrame::Sunken : QFrame::Raised));
}

bool TFilmStrip::Lowered() const { return frameShadow() == QFrame::Sunken; }

void TFilmStrip::Redraw(int labelMode, const Settings& settings) {
  const std::array<FrameView, kFrames> frames = DescribeFrames(state_, labelMode);
  for (int i = 1; i <= kFrames; ++i) {
    const FrameView& frame = frames[static_cast<std::size_t>(i - 1)];
    StripCaption* caption = Caption(i);
    StripImage* image = Image(i);
    caption->setText(FromBytes(frame.caption));

    // A frame past the end has no block: a file of that name belongs to no
    // block of this demo, so it shows the blank placeholder.
    const QString path = FromPath(ThumbnailPath(settings, state_.letter, frame.block));
    QImage bitmap;
    if (!frame.pastEnd && QFileInfo::exists(path)) {
      bitmap = NViewLibLoad(path);
    } else {
      bitmap = Placeholder(FromBytes(ThumbnailName(state_.letter, frame.block)), frame.pastEnd, logicalDpiY());
    }

    if (frame.selected) {
      SetCaptionColor(caption, kMarkRed);
    } else {
      SetCaptionColor(caption, Qt::black);
      DrawCross(bitmap);
    }
    image->SetBitmap(std::move(bitmap));
  }
}

void TFilmStrip::PaintWhite() {
  for (StripImage* image : images_) image->SetBitmap(WhiteImage(image->width(), image->height()));
}

void TFilmStrip::PanelClick() { host_.MakeActive(this); }

void TFilmStrip::LabelClick(StripCaption*) {
  if (!host_.IsActive(this)) {
    // Making the strip active already refreshes it.
    host_.MakeActive(this);
    return;
  }
  host_.ToggleLabelMode();
  host_.Refresh();
}

void TFilmStrip::ImagesMouseDown(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift) {
  // The first press on the other strip only makes it the active one.
  if (!host_.IsActive(this)) {
    host_.MakeActive(this);
    return;
  }
  if (!state_.HasDemo() || sender == nullptr) return;
  const std::optional<MouseButton> stripButton = StripButton(button);
  if (!stripButton) return;

  bool numbered = false;
  const int frame = sender->objectName().mid(1).toInt(&numbered);
  if (!numbered || frame < 1 || frame > kFrames) return;

  const FrameAction action = ToolAction(host_.CurrentTool(), *stripButton, shift.testFlag(Qt::ShiftModifier));
  const FrameOutcome outcome = PressFrame(state_, frame, action);
  if (outcome.openViewer) host_.OpenViewer(outcome.viewerBlock, outcome.viewerAsText);
  if (outcome.refresh) host_.Refresh();
}

void TFilmStrip::mousePressEvent(QMouseEvent* event) {
  event->accept();
  PanelClick();
}

}  // namespace clipvex
