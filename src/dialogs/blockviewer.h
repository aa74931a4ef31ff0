// The block viewer: one block of the active strip, as its editable text or
// as its thumbnail at full size, stepped with "<" and ">" or scrolled
// through. The strips open it with their View as Text and Zoom Thumbnail
// tools. Modeless and sizeable.
#pragma once

#include <QImage>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "dialogs/modeless.h"
#include "effects/effectshost.h"
#include "effects/viewer.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QToolButton;

namespace clipvex {

// A picture drawn at its own size, centred, not stretched.
class ViewerPicture : public QWidget {
  Q_OBJECT

 public:
  explicit ViewerPicture(QWidget* parent);
  void setImage(QImage image);
  const QImage& image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

class BlockViewer : public ModelessDialog {
  Q_OBJECT

 public:
  explicit BlockViewer(EffectsHost& host, QWidget* parent = nullptr);

  // The strips' View as Text (text mode) and Zoom Thumbnail (image mode):
  // the viewer shows block `block` of the active strip, in front.
  void showBlock(std::int64_t block, bool asText);
  // Shows the viewer block: its text, or its thumbnail when there is one
  // (otherwise the picture stays as it was and only the number changes).
  void display();
  bool isTextMode() const;

  // What the strips' documents tell (see FindTextDialog).
  void stripBlocksChanged(char letter);
  void stripDemoReplaced(char letter);
  // While screenshots are taken the demo must not change: the text box is
  // read-only.
  void setDemoLocked(bool locked);

  const ViewerState& state() const { return state_; }
  bool isScrolling() const;

  // What loads a thumbnail file into a picture (the strips' loader).
  void setPictureLoader(std::function<QImage(const QString& path)> load) { loadPicture_ = std::move(load); }
  // Where the picture of a block without a thumbnail file is asked for (the
  // live pictures); it comes back through showLivePicture.
  void setLivePictureSource(std::function<void(char letter, std::int64_t block)> ask) { askLive_ = std::move(ask); }
  // A live picture of block `block` of strip `letter`: shown when it is the
  // block in image mode and it has no thumbnail file.
  void showLivePicture(char letter, std::int64_t block, const QImage& picture);

 public slots:
  // "<" and ">": one block left or right.
  void showPrevious();
  void showNext();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void setScrolling(bool on);
  void scrollStep();
  // The text box was typed in: the block it shows takes the text.
  void writeBlockText();
  void loadText(const Block& block);
  void showNumber(bool gone = false);
  void updateTextAccess();
  // Where the block the text box shows stands in `strip`'s demo now; none
  // once it left the demo (perhaps back with an undo), and from then on the
  // box shows it without writing to it.
  std::optional<std::size_t> resolveTarget(StripState* strip);
  void layOut();
  std::int64_t activeEntries();

  ViewerPicture* picture_;  // "zoomed_image"
  QPlainTextEdit* text_;    // "blocktext"
  QPushButton* previous_;   // "prev_butt"
  QPushButton* next_;       // "next_butt"
  QToolButton* play_;       // "play_butt"
  QToolButton* stop_;       // "stop_butt"
  QLabel* numberCaption_;   // "Label1"
  QLabel* number_;          // "Label2"
  std::function<QImage(const QString&)> loadPicture_;
  std::function<void(char, std::int64_t)> askLive_;
  EffectsHost& host_;
  ViewerState state_;
  QTimer* scroll_ = nullptr;
  bool locked_ = false;
  bool loading_ = false;
  bool textRoundTrips_ = true;
  bool targetLive_ = false;  // the target is in its demo: edits go there
  bool placed_ = false;
};

}  // namespace clipvex
