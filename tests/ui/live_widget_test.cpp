// Live pictures in the main window: frames fill with the pictures of their
// own blocks while the strip moves and changes, never with another's; a
// paste and its undo give the pictures of the changed demo; the block
// viewer shows them at full size; events are marked and Next Event goes
// there; Options > Live thumbnails off gives the placeholders back.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include "dialogs/blockviewer.h"
#include "dialogs/dialogtesthelpers.h"
#include "live/livetesthelpers.h"
#include "strip/stripnav.h"
#include "ui/editorstate.h"
#include "ui/effectscontroller.h"
#include "ui/livecontroller.h"
#include "ui/stripcontroller.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

class LiveWindowTest : public test::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    CLIPVEX_NEED_FIXTURES(test::DemoFixture("p15_e4m2_id101.dem"));
    store_.WriteInteger("livethumbs", 1);
    window_ = MakeWindow();
  }
  LiveController& Live() { return *window_->findChild<LiveController*>("live"); }
  FilmStripWidget* Master() { return window_->sourceStrip(); }
  void OpenE4m2() {
    Open(*window_, test::DemoFixture("p15_e4m2_id101.dem"));
    Trigger("SelectAll1");  // no crosses: a frame shows exactly its picture
  }
  template <typename Condition>
  bool WaitFor(Condition done) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < 30000) QTest::qWait(5);
    return done();
  }
  // The frames that show a live picture; each must be the picture of the
  // frame's own block.
  int LiveFrames(FilmStripWidget* strip) {
    int live = 0;
    for (int i = 1; i <= kFrames; ++i) {
      const QImage& bitmap = strip->image(i)->bitmap();
      if (bitmap.size() != QSize(kLivePictureWidth, kLivePictureHeight)) continue;  // a placeholder
      const std::int64_t block = strip->state().FrameBlock(i);
      const LivePicture picture = Live().engine().Cached(strip->letter(), block);
      EXPECT_TRUE(picture != nullptr && bitmap == LiveController::ToImage(*picture))
          << "frame " << i << ", block " << block;
      ++live;
    }
    return live;
  }
  bool AllLive(FilmStripWidget* strip) {
    int inside = 0;
    for (int i = 1; i <= kFrames; ++i) inside += strip->state().FrameBlock(i) < strip->state().Entries();
    return LiveFrames(strip) == inside;
  }
  // What a fresh replay of the demo as it stands draws of each frame.
  void ExpectFreshReplay(FilmStripWidget* strip) {
    LiveEngine fresh(nullptr);
    fresh.SetGameFolders(window_->editor().settings().WinQuakePath, window_->editor().settings().dempath);
    fresh.Reset('M', strip->state().demo);
    std::vector<std::int64_t> blocks;
    for (int i = 1; i <= kFrames; ++i) blocks.push_back(strip->state().FrameBlock(i));
    test::DrawAll(fresh, strip->state().demo, blocks);
    for (int i = 1; i <= kFrames; ++i)
      EXPECT_EQ(strip->image(i)->bitmap(), LiveController::ToImage(*fresh.Cached('M', blocks[i - 1]))) << "frame " << i;
  }
};

TEST_F(LiveWindowTest, FramesShowThePicturesOfTheirOwnBlocksWhileTheStripMoves) {
  OpenE4m2();
  ASSERT_TRUE(WaitFor([&] { return AllLive(Master()); }));
  // Moves and an edit in quick succession, pictures arriving in between:
  // whatever a frame shows is its own block's picture.
  StripController& strips = window_->strips();
  const std::function<void()> moves[] = {
      [&] { strips.navigate(NavKey::End); },
      [&] { strips.navigate(NavKey::Home); },
      [&] { strips.navigate(NavKey::PageForward); },
      [&] { strips.navigate(NavKey::PageForward); },
      [&] { strips.scrollBar(Master())->setValue(600); },
      [&] {
        Master()->state().inMark = Master()->state().FrameBlock(3);
        Master()->state().outMark = Master()->state().FrameBlock(4);
        Trigger("Delete1");
        Trigger("SelectAll1");
      },
      [&] { strips.navigate(NavKey::FrameForward); },
      [&] { strips.navigate(NavKey::PageBack); },
  };
  for (const auto& move : moves) {
    move();
    QTest::qWait(3);
    LiveFrames(Master());
  }
  EXPECT_TRUE(WaitFor([&] { return AllLive(Master()); }));
}

TEST_F(LiveWindowTest, APasteAndItsUndoShowThePicturesOfTheChangedDemo) {
  OpenE4m2();
  Master()->state().inMark = 900;
  Master()->state().outMark = 1000;
  Trigger("Copy1");
  Master()->state().firstVisible = 200;
  Master()->state().inMark = 212;
  Trigger("Paste1");
  Trigger("SelectAll1");
  ASSERT_TRUE(WaitFor([&] { return AllLive(Master()); }));
  ExpectFreshReplay(Master());
  Trigger("Undo1");
  Trigger("SelectAll1");  // the undo gave back the marks of before the paste
  ASSERT_TRUE(WaitFor([&] { return AllLive(Master()); }));
  ExpectFreshReplay(Master());
}

TEST_F(LiveWindowTest, TheViewerShowsTheLivePictureAtFullSizeAndAThumbnailFileFirst) {
  OpenE4m2();
  BlockViewer* viewer = window_->effects().blockViewer();
  window_->effects().openViewer(700, false);
  const auto& picture = test::Child<ViewerPicture>(*viewer, "zoomed_image")->image();
  ASSERT_TRUE(WaitFor([&] { return picture.size() == QSize(kLivePictureWidth, kLivePictureHeight); }));
  EXPECT_EQ(picture, LiveController::ToImage(*Live().engine().Cached('M', 700)));
  // A block with a thumbnail file shows the file.
  const std::vector<std::uint8_t> pixels(8 * 6, 3), palette(768, 200);
  const std::vector<std::uint8_t> pcx = EncodePcx8(8, 6, pixels.data(), palette.data());
  test::WriteFile(ThumbnailPath(window_->editor().settings(), 'M', 701), std::string(pcx.begin(), pcx.end()));
  test::Child<QPushButton>(*viewer, "next_butt")->click();
  QTest::qWait(200);
  EXPECT_EQ(picture.size(), QSize(8, 6));
}

TEST_F(LiveWindowTest, EventsAreMarkedAndNextEventMovesTheStripThere) {
  OpenE4m2();
  const auto entries = static_cast<std::int64_t>(Master()->state().Entries());
  ASSERT_TRUE(WaitFor([&] { return Live().engine().EventsKnown('M') == entries; }));
  QTest::qWait(300);  // the marks follow within a moment
  const auto& ticks = Live().ticks(Master())->events();
  EXPECT_TRUE(std::count(ticks.begin(), ticks.end(), std::pair<std::int64_t, std::uint8_t>(419, kEventKill)));
  EXPECT_EQ(Action("NextEvent1")->shortcut(), QKeySequence("Ctrl+Right"));

  StripState& strip = Master()->state();
  strip.firstVisible = 196;  // the middle frame shows 260 to 275
  window_->strips().refresh();
  Trigger("NextEvent1");  // the centre print at 318, into the middle frame
  EXPECT_LE(strip.FrameBlock(5), 318);
  EXPECT_GT(strip.FrameBlock(5) + strip.step, 318);
  EXPECT_TRUE(Master()->image(5)->eventMarks() & kEventCenterPrint);
  Trigger("NextEvent1");  // the secret at 397
  EXPECT_TRUE(Master()->image(5)->eventMarks() & kEventSecret);
  Trigger("PreviousEvent1");
  EXPECT_TRUE(Master()->image(5)->eventMarks() & kEventCenterPrint);
}

TEST_F(LiveWindowTest, LiveThumbnailsOffGivesThePlaceholdersAndIsKept) {
  OpenE4m2();
  ASSERT_TRUE(WaitFor([&] { return AllLive(Master()); }));
  Trigger("LiveThumbnails1");
  const std::int32_t* stored = std::get_if<std::int32_t>(store_.Find("livethumbs"));
  ASSERT_NE(stored, nullptr);
  EXPECT_EQ(*stored, 0);
  for (int i = 1; i <= kFrames; ++i) {
    const QImage& bitmap = Master()->image(i)->bitmap();
    EXPECT_EQ(bitmap.size(), Master()->image(i)->size()) << i;
    EXPECT_EQ(bitmap.pixelColor(bitmap.width() / 2, bitmap.height() / 2), QColor(128, 128, 128)) << i;
    EXPECT_EQ(Master()->image(i)->eventMarks(), 0) << i;
  }
  EXPECT_FALSE(Live().ticks(Master())->isVisible());
  EXPECT_FALSE(Action("NextEvent1")->isEnabled());
  QTest::qWait(200);  // nothing arrives afterwards
  EXPECT_EQ(LiveFrames(Master()), 0);

  // A window started on the same settings starts with them off.
  window_.reset();
  window_ = MakeWindow();
  EXPECT_FALSE(Action("LiveThumbnails1")->isChecked());
}

}  // namespace
}  // namespace clipvex
