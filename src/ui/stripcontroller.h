// The strips' own commands: which strip is active, the redraw every command
// ends with (Refresh), the scroll buttons, the keys, the wheel and the
// scroll bars under the strips, the label mode, and what a press on a frame
// leads to. The rules live in strip/.
#pragma once

#include <QObject>
#include <array>
#include <cstdint>
#include <functional>

#include "strip/stripnav.h"
#include "ui/filmstripwidget.h"

class QAction;
class QLabel;
class QScrollBar;

namespace clipvex {

class EditorState;
class StripDocument;

class StripController : public QObject, public StripHost {
  Q_OBJECT

 public:
  StripController(EditorState& editor, QWidget* window);

  // The strips and what goes with them, as the window made them.
  struct StripParts {
    FilmStripWidget* strip;
    QScrollBar* scrollBar;
    QLabel* position;
  };
  void attach(const StripParts& source, const StripParts& final);
  // The keys that move the active strip, as shortcuts of `window`.
  void installKeys(QWidget* window);
  // Where the tool that is down comes from, and what opens the block viewer.
  void setToolSource(std::function<Tool()> currentTool) { currentTool_ = std::move(currentTool); }
  void setViewerOpener(std::function<void(std::int64_t block, bool asText)> open) { openViewer_ = std::move(open); }

  FilmStripWidget* sourceStrip() const { return parts_[0].strip; }
  FilmStripWidget* finalStrip() const { return parts_[1].strip; }
  FilmStripWidget* activeStrip() const;
  FilmStripWidget* stripOf(const StripDocument& document) const;
  StripDocument& documentOf(const FilmStripWidget* strip) const;
  QScrollBar* scrollBar(const FilmStripWidget* strip) const { return partsOf(strip).scrollBar; }
  QLabel* positionLabel(const FilmStripWidget* strip) const { return partsOf(strip).position; }

  // Options > Display Labels as: Block Number, Time.
  QAction* blockNumberAction() const { return blockNumber_; }
  QAction* timeAction() const { return time_; }

  // StripHost.
  bool isActive(const FilmStripWidget* strip) const override { return strip == activeStrip(); }
  void makeActive(FilmStripWidget* strip) override;
  void toggleLabelMode() override;
  void requestRefresh() override;
  Tool currentTool() const override { return currentTool_ ? currentTool_() : Tool::Arrow; }
  void openViewer(std::int64_t block, bool asText) override;

 public slots:
  // Redraws the active strip (Refresh): the active strip lowered, the
  // scroll bars, position texts and label mode brought up to date, its
  // frames drawn.
  void refresh();
  // The scroll buttons of a strip: that strip becomes the active one.
  void scrollFrameLeft(FilmStripWidget* strip);
  void scrollFrameRight(FilmStripWidget* strip);
  void scrollPageLeft(FilmStripWidget* strip);
  void scrollPageRight(FilmStripWidget* strip);
  void showBlockNumbers();
  void showTimes();
  // A key moves the active strip; the wheel over a strip and the scroll
  // bar under it make that strip active first. Each redraws.
  void navigate(NavKey key);
  void wheelScroll(FilmStripWidget* strip, int frames);
  void scrollBarMoved(FilmStripWidget* strip, int value);

 private:
  StripParts& partsOf(const FilmStripWidget* strip);
  const StripParts& partsOf(const FilmStripWidget* strip) const;
  void scroll(FilmStripWidget* strip, void (*rule)(StripState&));
  // The scroll bars, the position texts and the checked label mode follow
  // the strips.
  void syncControls();

  EditorState& editor_;
  QWidget* window_;
  std::array<StripParts, 2> parts_{};
  QAction* blockNumber_;
  QAction* time_;
  std::function<Tool()> currentTool_;
  std::function<void(std::int64_t, bool)> openViewer_;
};

}  // namespace clipvex
