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
  void SetImage(QImage image);
  const QImage& Image() const { return image_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage image_;
};

class Tetc_form : public ModelessDialog {
  Q_OBJECT

 public:
  explicit Tetc_form(EffectsHost& host, QWidget* parent = nullptr);

  // The strips' ViewText (text mode) and ViewPicture (image mode): the
  // viewer shows block `block` of the active strip, in front.
  void Open(std::int64_t block, bool asText);
  // Shows the viewer block: its text, or its thumbnail when there is one
  // (otherwise the picture stays as it was and only the number changes).
  void Display();
  bool TextMode() const;

  // The main window tells about its strips (see Tsearch_form).
  void BlocksChanged(char letter);
  void DemoReplaced(char letter);
  // While screenshots are taken the demo must not change: the text box is
  // read-only.
  void SetDemoLocked(bool locked);

  const ViewerState& State() const { return state_; }
  bool Scrolling() const;

  // Loads a thumbnail file into a picture (the strips' loader).
  std::function<QImage(const QString& path)> loadPicture;

  ViewerPicture* zoomed_image = nullptr;
  QPlainTextEdit* blocktext = nullptr;
  QPushButton* prev_butt = nullptr;
  QPushButton* next_butt = nullptr;
  QToolButton* play_butt = nullptr;
  QToolButton* stop_butt = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;

  void prev_buttClick();
  void next_buttClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void play_buttClick(bool down);
  void ScrollStep();
  void blocktextChange();
  void LoadText(const Block& block);
  void ShowNumber(bool gone = false);
  void UpdateTextAccess();
  // Where the block the text box shows stands in `strip`'s demo now; none
  // once it left the demo (perhaps back with an undo), and from then on the
  // box shows it without writing to it.
  std::optional<std::size_t> ResolveTarget(StripState* strip);
  void LayOut();
  std::int64_t ActiveEntries();

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
