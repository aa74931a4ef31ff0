// The film strip control: nine frames (a caption above a thumbnail) showing
// a run of blocks of the demo the strip holds. Its rules live in
// StripState (strip/); the widget draws it and turns mouse presses into
// them.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <array>
#include <cstdint>
#include <vector>

#include "strip/stripstate.h"

namespace clipvex {

class FilmStripWidget;

// What a strip needs of the window that owns both strips: the program-wide
// strip state (which strip is active, the label mode, the tool that is
// down) and the commands a press can lead to.
class StripHost {
 public:
  virtual ~StripHost() = default;
  virtual bool isActive(const FilmStripWidget* strip) const = 0;
  virtual void makeActive(FilmStripWidget* strip) = 0;  // then a redraw
  virtual void toggleLabelMode() = 0;                   // block numbers <-> times (no redraw)
  virtual void requestRefresh() = 0;                    // a redraw (Refresh)
  virtual Tool currentTool() const = 0;
  virtual void openViewer(std::int64_t block, bool asText) = 0;
};

// Where the strips get pictures of blocks without a thumbnail file and the
// marks of what happens in their blocks (the live pictures; none: frames
// show the placeholders).
class LivePictureSource {
 public:
  virtual ~LivePictureSource() = default;
  // The picture of `block` of `strip` if there is one now, else a null image.
  virtual QImage livePicture(const FilmStripWidget* strip, std::int64_t block) = 0;
  // After a redraw: the blocks `strip` shows without a picture, in frame
  // order. What comes later is handed to FilmStripWidget::showLivePicture.
  virtual void wantPictures(const FilmStripWidget* strip, const std::vector<std::int64_t>& blocks) = 0;
  // What happens in blocks `first` to `last` of `strip` (LiveEvent bits).
  virtual std::uint8_t eventsOf(const FilmStripWidget* strip, std::int64_t first, std::int64_t last) = 0;
};

// One picture control of a strip: holds its own bitmap and paints it over
// its area, scaled keeping the bitmap's shape and centred. Named "i1" to "i9".
class StripImage : public QWidget {
  Q_OBJECT

 public:
  explicit StripImage(QWidget* parent);
  QImage& bitmap() { return bitmap_; }
  const QImage& bitmap() const { return bitmap_; }
  // A picture of its own size (a thumbnail, the blank bitmap of a new strip).
  void setBitmap(QImage bitmap);
  // Drawn at the control's size, and drawn again when the control changes
  // size: the grey placeholder of a block without a thumbnail (white past
  // the demo's end) naming the missing file, crossed when not selected;
  // or all white.
  void showPlaceholder(const QString& name, bool pastEnd, bool crossed);
  void showWhite();
  // Where the bitmap is painted inside the control.
  QRect pictureRect() const;
  // Small marks over the picture for what happens in the frame's blocks
  // (LiveEvent bits; 0 for none).
  void setEventMarks(std::uint8_t marks);
  std::uint8_t eventMarks() const { return marks_; }

 signals:
  void mouseDown(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class Fill { Bitmap, Placeholder, White };
  void render();

  QImage bitmap_;
  Fill fill_ = Fill::Bitmap;
  QString placeholderName_;
  bool pastEnd_ = false;
  bool crossed_ = false;
  std::uint8_t marks_ = 0;
};

// A caption that reports clicks. Named "l1" to "l9".
class StripCaption : public QLabel {
  Q_OBJECT

 public:
  explicit StripCaption(QWidget* parent);

 signals:
  void clicked(StripCaption* sender);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class FilmStripWidget : public QFrame {
  Q_OBJECT

 public:
  // Builds the strip named `name` ("MasterPanel" or "FinalPanel"), placed
  // at `top`, showing `state` (the strip's, which outlives the widget). A
  // strip given another size lays its nine frames out across it.
  FilmStripWidget(const QString& name, int top, StripState& state, StripHost& host, QWidget* parent);

  StripState& state() { return state_; }
  const StripState& state() const { return state_; }
  char letter() const { return state_.letter; }

  StripImage* image(int frame) const { return images_[frame - 1]; }        // frame 1 to 9
  StripCaption* caption(int frame) const { return captions_[frame - 1]; }  // frame 1 to 9

  // Outer bevel: lowered marks the active strip.
  void setLowered(bool lowered);
  bool isLowered() const;

  // Redraws captions and pictures from the state (the strip's part of a
  // refresh); thumbnails are read from `settings.previewpath`.
  void redraw(int labelMode, const Settings& settings);

  // After closing a demo: every frame's bitmap white at the frame's size.
  void paintWhite();

  // The live pictures and event marks, or none.
  void setLiveSource(LivePictureSource* source);
  // A picture of `block` came: the frames that show that block without a
  // thumbnail file take it.
  void showLivePicture(std::int64_t block, const QImage& picture);
  // The frames' event marks follow what is known now.
  void updateEventMarks();
  // The blocks whose frames show, or wait for, a live picture.
  std::vector<std::int64_t> liveBlocks() const;

 signals:
  // The mouse wheel over the strip: `frames` notches, negative back (wheel
  // up or left), positive forward.
  void wheelScrolled(FilmStripWidget* strip, int frames);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // The wheel over a frame's picture or caption scrolls the strip as well.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void placeFrames();  // the nine frames across the strip's width
  // A press on the strip, on a caption, on a picture.
  void stripPressed();
  void captionClicked(StripCaption* sender);
  void imagePressed(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift);

  StripHost& host_;
  StripState& state_;
  std::array<StripImage*, kFrames> images_{};
  std::array<StripCaption*, kFrames> captions_{};
  int wheelAngle_ = 0;  // eighths of a degree not yet a whole notch
  LivePictureSource* live_ = nullptr;
  // Since the last redraw: the block each frame shows (-1 past the end or
  // without a demo), whether it takes live pictures, whether it is crossed.
  std::array<std::int64_t, kFrames> shown_{};
  std::array<bool, kFrames> takesLive_{};
  std::array<bool, kFrames> crossed_{};
};

// Loads a .pcx file into a bitmap; a file that is missing or does not
// decode gives a null image (shown as an empty picture), never an error.
QImage NViewLibLoad(const QString& path);

}  // namespace clipvex
