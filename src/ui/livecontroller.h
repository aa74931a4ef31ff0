// Live pictures in the window: the strips' frames without a thumbnail file
// and the block viewer get pictures drawn from the strips' own blocks (the
// engine, live/, replays them on its worker thread); the frames and the
// scroll bars under the strips show what happens where; Edit > Next Event
// and Previous Event move the active strip to it; Options > Live
// thumbnails turns all of it off, which leaves the described placeholders.
//
// The documents' signals drive it: a change of blocks drops what depends
// on them (the engine finds the first block that really differs), a new
// demo starts over. Copying blocks for the worker happens here, in slices
// of a few milliseconds between the window's events.
#pragma once

#include <QObject>
#include <QWidget>
#include <array>
#include <atomic>
#include <memory>
#include <vector>

#include "live/liveengine.h"
#include "ui/filmstripwidget.h"

class QAction;
class QMenu;
class QScrollBar;
class QTimer;

namespace clipvex {

class BlockViewer;
class EditorState;
class SettingsStore;
class StripController;
class StripDocument;

// Ticks on a scroll bar's track, one for each block with an event. Lies
// over the bar and lets the mouse through.
class EventTicks : public QWidget {
  Q_OBJECT

 public:
  explicit EventTicks(QScrollBar* bar);
  void setEvents(std::vector<std::pair<std::int64_t, std::uint8_t>> events);
  const std::vector<std::pair<std::int64_t, std::uint8_t>>& events() const { return events_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  QScrollBar* bar_;
  std::vector<std::pair<std::int64_t, std::uint8_t>> events_;
};

class LiveController : public QObject, public LivePictureSource {
  Q_OBJECT

 public:
  // Reads Options > Live thumbnails from `store` and keeps it there.
  LiveController(EditorState& editor, StripController& strips, SettingsStore& store, QWidget* window);
  ~LiveController() override;

  // Edit > Next Event, Previous Event; Options > Live thumbnails.
  QAction* nextEventAction() const { return nextEvent_; }
  QAction* previousEventAction() const { return previousEvent_; }
  QAction* liveAction() const { return live_; }
  void addToMenus(QMenu* edit, QMenu* options);
  // The block viewer shows live pictures of blocks without thumbnail files.
  void attachViewer(BlockViewer* viewer);

  bool isOn() const;
  LiveEngine& engine() { return *engine_; }
  EventTicks* ticks(const FilmStripWidget* strip) const;

  // LivePictureSource.
  QImage livePicture(const FilmStripWidget* strip, std::int64_t block) override;
  void wantPictures(const FilmStripWidget* strip, const std::vector<std::int64_t>& blocks) override;
  std::uint8_t eventsOf(const FilmStripWidget* strip, std::int64_t first, std::int64_t last) override;

  // A live picture as the window shows it.
  static QImage ToImage(const winquake::Picture& picture);

 public slots:
  void setLive(bool on);
  void nextEvent();
  void previousEvent();

 private:
  void follow(StripDocument* document);
  void blocksChanged(StripDocument* document, int first);
  void demoReplaced(StripDocument* document);
  void askForViewer(char letter, std::int64_t block);
  // Posted by the worker: takes what it drew, shows it, goes on feeding.
  void takeResults();
  void pump();
  void showEvents();
  void moveToEvent(bool forward);
  // The game's data is where the settings say.
  void followSettings();
  StripDocument& documentOf(char letter) const;
  FilmStripWidget* stripOf(char letter) const;

  EditorState& editor_;
  StripController& strips_;
  SettingsStore& store_;
  QWidget* window_;
  QAction* nextEvent_;
  QAction* previousEvent_;
  QAction* live_;
  std::unique_ptr<LiveEngine> engine_;
  QTimer* pump_;
  QTimer* marks_;
  std::array<EventTicks*, 2> ticks_{};
  std::array<std::int64_t, 2> known_{};  // events known when the marks were last shown
  BlockViewer* viewer_ = nullptr;
  std::atomic<bool> wakePosted_{false};
};

}  // namespace clipvex
