// The film strip control: nine frames (a caption above a thumbnail) showing
// a run of blocks of the demo the strip holds. Its rules live in
// StripState; the widget draws it and turns mouse presses into them.
#pragma once

#include <QFrame>
#include <QImage>
#include <QLabel>
#include <array>

#include "strip/stripstate.h"

namespace clipvex {

class TFilmStrip;

// What a strip needs of the window that owns both strips: the program-wide
// strip state (activeStrip, labelMode, the tool that is down) and the
// commands a press can lead to.
class StripHost {
 public:
  virtual ~StripHost() = default;
  virtual bool IsActive(const TFilmStrip* strip) const = 0;
  virtual void MakeActive(TFilmStrip* strip) = 0;  // activeStrip := strip, then Refresh_buttClick
  virtual void ToggleLabelMode() = 0;              // labelMode 0 <-> 1 (no refresh)
  virtual void Refresh() = 0;                      // Refresh_buttClick
  virtual Tool CurrentTool() const = 0;
  virtual void OpenViewer(std::int64_t block, bool asText) = 0;
};

// One picture control of a strip: holds its own bitmap and paints it over
// its area, scaled keeping the bitmap's shape and centred. Named "i1" to "i9".
class StripImage : public QWidget {
  Q_OBJECT

 public:
  explicit StripImage(QWidget* parent);
  QImage& Bitmap() { return bitmap_; }
  const QImage& Bitmap() const { return bitmap_; }
  // A picture of its own size (a thumbnail, the blank bitmap of a new strip).
  void SetBitmap(QImage bitmap);
  // Drawn at the control's size, and drawn again when the control changes
  // size: the grey placeholder of a block without a thumbnail (white past
  // the demo's end) naming the missing file, crossed when not selected;
  // or all white.
  void ShowPlaceholder(const QString& name, bool pastEnd, bool crossed);
  void ShowWhite();
  // Where the bitmap is painted inside the control.
  QRect PictureRect() const;

 signals:
  void MouseDown(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class Fill { Bitmap, Placeholder, White };
  void Render();

  QImage bitmap_;
  Fill fill_ = Fill::Bitmap;
  QString placeholderName_;
  bool pastEnd_ = false;
  bool crossed_ = false;
};

// A caption that reports clicks. Named "l1" to "l9".
class StripCaption : public QLabel {
  Q_OBJECT

 public:
  explicit StripCaption(QWidget* parent);

 signals:
  void Clicked(StripCaption* sender);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

class TFilmStrip : public QFrame {
  Q_OBJECT

 public:
  // Builds the strip: `name` is "MasterPanel" or "FinalPanel" (its first
  // letter is the strip letter of the thumbnail files), placed at `top`.
  // A strip given another size lays its nine frames out across it.
  TFilmStrip(const QString& name, int top, StripHost& host, QWidget* parent);

  StripState& State() { return state_; }
  const StripState& State() const { return state_; }
  char Letter() const { return state_.letter; }

  StripImage* Image(int frame) const { return images_[frame - 1]; }        // frame 1 to 9
  StripCaption* Caption(int frame) const { return captions_[frame - 1]; }  // frame 1 to 9

  // Outer bevel: lowered marks the active strip.
  void SetLowered(bool lowered);
  bool Lowered() const;

  // Redraws captions and pictures from the state (the per-strip part of
  // Refresh_buttClick); thumbnails are read from `settings.previewpath`.
  void Redraw(int labelMode, const Settings& settings);

  // After closing a demo: every frame's bitmap white at the frame's size.
  void PaintWhite();

  // Event methods (also reachable from tests).
  void PanelClick();
  void LabelClick(StripCaption* sender);
  void ImagesMouseDown(StripImage* sender, Qt::MouseButton button, Qt::KeyboardModifiers shift);

 signals:
  // The mouse wheel over the strip: `frames` notches, negative back (wheel
  // up or left), positive forward.
  void WheelScrolled(TFilmStrip* strip, int frames);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // The wheel over a frame's picture or caption scrolls the strip as well.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceFrames();  // the nine frames across the strip's width

  StripHost& host_;
  StripState state_;
  std::array<StripImage*, kFrames> images_{};
  std::array<StripCaption*, kFrames> captions_{};
  int wheelAngle_ = 0;  // eighths of a degree not yet a whole notch
};

// Loads a .pcx file into a bitmap; a file that is missing or does not
// decode gives a null image (shown as an empty picture), never an error.
QImage NViewLibLoad(const QString& path);

}  // namespace clipvex
