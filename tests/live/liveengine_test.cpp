// The live pictures against the preview game's own screenshots, after edits
// against a fresh replay, the changes that must drop them and those that
// must not, the events of the fixtures, and the cache's limit.
#include <gtest/gtest.h>

#include "editing/editingtesthelpers.h"
#include "effects/speed.h"
#include "live/events.h"
#include "live/livetesthelpers.h"

namespace clipvex {
namespace {

using test::DrawAll;

struct ShotCase {
  const char* demo;
  const char* map;  // the map the game data must hold; null: drawn without data
  std::vector<std::int64_t> blocks;
};

void PrintTo(const ShotCase& c, std::ostream* out) {
  *out << c.demo << (c.map != nullptr ? " on its map" : " without data");
}

class LiveScreenshotTest : public ::testing::TestWithParam<ShotCase> {};

// Console lines, a centre print, a colour shift and the status numbers are
// all in the pictures; so are the times of blocks the editor retimed.
TEST_P(LiveScreenshotTest, LivePictureEqualsTheGamesScreenshot) {
  const ShotCase& c = GetParam();
  CLIPVEX_NEED_FIXTURES(test::DemoFixture(c.demo));
  if (c.map != nullptr) CLIPVEX_NEED_FIXTURES(test::GameDataFolder() + "/id1/maps/" + c.map);
  const std::string base = c.map != nullptr ? test::GameDataFolder() : "";
  test::EditHarness h(test::OpenDemo(c.demo));
  // The editor's own lines: a fade's colour shift, printed and centred
  // texts, commands after a "wait", one the game does not know; and times
  // rewritten by a speed change.
  Block& edited = *h.strip.demo.Blocks[c.blocks.front() - 2];
  edited.Insert(3, R"( stufftext "v_cshift 200 40 40 90\necho live\nwait\nbf\nnosuchcommand\n";)");
  edited.Insert(3, R"( print "A line the editor printed\n";)");
  h.strip.demo.Blocks[c.blocks.front() - 1]->Insert(3, R"( centerprint "Centred by the editor";)");
  ASSERT_TRUE(h.Run("Change Speed", [](StripEdit& edit) {
    ChangeSpeed(edit, SpeedInput{"4", std::to_string(edit.Entries() / 2), "70", SpeedMode::Constant});
  }));

  LiveEngine engine(nullptr);
  engine.SetGameFolders(base, "id1");
  engine.Reset('M', h.strip.demo);
  DrawAll(engine, h.strip.demo, c.blocks);
  for (std::int64_t block : c.blocks) {
    const RgbImage shot = test::GameScreenshot(h.strip.demo, block, base);
    const LivePicture live = engine.Cached('M', block);
    ASSERT_EQ(live->width, shot.width);
    ASSERT_EQ(live->height, shot.height);
    EXPECT_EQ(test::Differences(test::Rgb(*live), shot.pixels), 0u) << c.demo << " block " << block;
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, LiveScreenshotTest,
                         ::testing::Values(ShotCase{"p15_e4m2_id101.dem", "e4m2.bsp", {124, 125, 126, 397, 700, 1323}},
                                           ShotCase{"p666_e1m1_smoothme.dem", "e1m1.bsp", {6, 7, 8, 200, 912}},
                                           ShotCase{
                                               "p666_medusa_start_2levels.dem", nullptr, {40, 41, 42, 3196, 3430}}));

// A fresh engine's pictures of `frames` of `demo`.
std::vector<LivePicture> FreshPictures(const TDemFile& demo, const std::vector<std::int64_t>& frames) {
  LiveEngine fresh(nullptr);
  fresh.Reset('M', demo);
  DrawAll(fresh, demo, frames);
  std::vector<LivePicture> pictures;
  for (std::int64_t b : frames) pictures.push_back(fresh.Cached('M', b));
  return pictures;
}

std::vector<std::int64_t> Frames(std::int64_t first, std::int64_t step) {
  std::vector<std::int64_t> frames;
  for (int i = 0; i < kFrames; ++i) frames.push_back(first + i * step);
  return frames;
}

// One engine follows a strip through edits and their undos; after each, the
// pictures of the frames equal a fresh replay of the demo as it stands,
// and what lies before the first changed block was kept.
TEST(LiveEngineTest, PicturesAfterEditsEqualAFreshReplay) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  test::EditHarness h(test::OpenDemo("p15_e4m2_id101.dem"));
  LiveEngine engine(nullptr, LiveEngine::Options{.checkpointEvery = 32});
  engine.Reset('M', h.strip.demo);
  const std::vector<std::int64_t> frames = Frames(300, 40);
  DrawAll(engine, h.strip.demo, frames);

  BlockClipboard clip;
  h.strip.inMark = 900;
  h.strip.outMark = 949;
  clip = *CopyBlocks(h.strip, h.feedback);
  struct Edit {
    const char* name;
    std::int32_t in, out;
    EditStep::Function run;
  };
  const Edit edits[] = {
      {"Paste", 500, 100000, [&clip](StripEdit& e) { PasteBlocks(e, clip); }},
      {"Delete", 520, 560, DeleteBlocks},
      {"Reverse", 540, 600, test::ReverseAt(1)},
      {"Change Speed", 4, 100000,
       [](StripEdit& e) {
         ChangeSpeed(e, SpeedInput{"560", "900", "200", SpeedMode::Constant});
       }},
  };
  for (const Edit& edit : edits) {
    for (const bool undo : {false, true}) {
      const std::vector<LivePicture> before = [&] {
        std::vector<LivePicture> p;
        for (std::int64_t b : frames) p.push_back(engine.Cached('M', b));
        return p;
      }();
      if (!undo) {
        h.strip.inMark = edit.in;
        h.strip.outMark = edit.out;
        ASSERT_TRUE(h.Run(edit.name, edit.run)) << edit.name;
      } else {
        h.Undo();
      }
      const BlockSpan span = (undo ? h.undone.back() : h.done.back())->Span();
      engine.Changed('M', h.strip.demo, static_cast<std::int64_t>(span.first));
      // Frames before block 500 never change: their pictures stay.
      for (std::size_t i = 0; i < frames.size() && frames[i] < 500; ++i)
        EXPECT_EQ(engine.Cached('M', frames[i]), before[i])
            << edit.name << (undo ? " undone" : "") << ", frame " << frames[i];
      DrawAll(engine, h.strip.demo, frames);
      const std::vector<LivePicture> fresh = FreshPictures(h.strip.demo, frames);
      for (std::size_t i = 0; i < frames.size(); ++i) {
        EXPECT_EQ(test::Differences(test::Rgb(*engine.Cached('M', frames[i])), test::Rgb(*fresh[i])), 0u)
            << edit.name << (undo ? " undone" : "") << ", frame " << frames[i];
      }
    }
  }
  // The replay kept its checkpoints before the edits all along.
  EXPECT_GE(engine.CheckpointCount('M'), 500u / 32);
}

// Changes made while the worker draws: a picture of the demo as it was
// never lands in the cache.
TEST(LiveEngineTest, NoPictureOfAnOlderDemoIsKept) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  test::EditHarness h(test::OpenDemo("p15_e4m2_id101.dem"));
  LiveEngine engine(nullptr, LiveEngine::Options{.checkpointEvery = 32});
  engine.Reset('M', h.strip.demo);
  const std::vector<std::int64_t> frames = Frames(100, 100);
  for (int round = 0; round < 6; ++round) {
    engine.Want(LiveAsker::Source, 'M', h.strip.demo, frames, 0);
    engine.Pump('M', h.strip.demo);
    // While those are drawn, blocks go and come back in front of them.
    h.strip.inMark = 60 + round;
    h.strip.outMark = 90 + 7 * round;
    ASSERT_TRUE(h.Run("Delete", DeleteBlocks));
    engine.Changed('M', h.strip.demo, static_cast<std::int64_t>(h.done.back()->Span().first));
    engine.Pump('M', h.strip.demo);
  }
  DrawAll(engine, h.strip.demo, frames);
  const std::vector<LivePicture> fresh = FreshPictures(h.strip.demo, frames);
  for (std::size_t i = 0; i < frames.size(); ++i)
    EXPECT_EQ(test::Differences(test::Rgb(*engine.Cached('M', frames[i])), test::Rgb(*fresh[i])), 0u)
        << "frame " << frames[i];
}

TEST(LiveEngineTest, EventsOfTheFixturesAtTheirBlocks) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  struct Expected {
    const char* demo;
    std::vector<std::pair<std::int64_t, std::uint8_t>> events;  // every event up to the last block listed
  };
  const Expected cases[] = {
      {"p15_e4m2_id101.dem",
       {{1, kEventNewLevel},
        {124, kEventCenterPrint},
        {318, kEventCenterPrint},
        {397, kEventCenterPrint | kEventSecret},
        {419, kEventKill},
        {451, kEventKill}}},
      {"p666_medusa_start_2levels.dem",
       {{1, kEventNewLevel},
        {1390, kEventKill},
        {1590, kEventKill},
        {1948, kEventKill},
        {2348, kEventKill},
        {2564, kEventKill},
        {3196, kEventIntermission},
        {3425, kEventNewLevel}}},
  };
  for (const Expected& c : cases) {
    const TDemFile demo = test::OpenDemo(c.demo);
    LiveEngine engine(nullptr);
    engine.Reset('M', demo);
    while (engine.Pump('M', demo)) engine.WaitIdle();
    engine.WaitIdle();
    ASSERT_EQ(engine.EventsKnown('M'), static_cast<std::int64_t>(demo.Blocks.size()));
    std::vector<std::pair<std::int64_t, std::uint8_t>> found = engine.EventBlocks('M');
    std::erase_if(found, [&](const auto& e) { return e.first > c.events.back().first; });
    EXPECT_EQ(found, c.events) << c.demo;
  }
}

TEST(LiveEngineTest, ThePictureCacheKeepsToItsLimit) {
  winquake::Picture picture;
  picture.width = kLivePictureWidth;
  picture.height = kLivePictureHeight;
  picture.pixels.assign(kLivePictureWidth * kLivePictureHeight, 7);
  const std::size_t each = PictureCache::SizeOf(picture);
  PictureCache cache(each * 5 + each / 2);
  for (std::int64_t b = 0; b < 20; ++b) {
    cache.Put('M', b, std::make_shared<const winquake::Picture>(picture));
    ASSERT_LE(cache.Bytes(), cache.Limit());
    if (b >= 5) {
      ASSERT_NE(cache.Find('M', 5), nullptr);  // used all along: it outlives the others
    }
  }
  EXPECT_EQ(cache.Count(), 5u);
  EXPECT_NE(cache.Find('M', 5), nullptr);
  EXPECT_EQ(cache.Find('M', 14), nullptr);
  cache.DropFrom('M', 17);
  cache.Put('F', 3, std::make_shared<const winquake::Picture>(picture));
  EXPECT_EQ(cache.Find('M', 18), nullptr);
  EXPECT_NE(cache.Find('M', 16), nullptr);
  EXPECT_NE(cache.Find('F', 3), nullptr);
}

// A scroll through a whole demo with a small cache: every page gets its
// pictures and the cache never holds more than its limit.
TEST(LiveEngineTest, AScrollThroughADemoStaysInTheCacheLimit) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  const TDemFile demo = test::OpenDemo("p666_e1m1_smoothme.dem");
  LiveEngine engine(nullptr, LiveEngine::Options{.cacheBytes = 40 * kLivePictureWidth * kLivePictureHeight});
  engine.Reset('M', demo);
  for (std::int64_t first = 4; first < static_cast<std::int64_t>(demo.Blocks.size()); first += 9 * 8) {
    const std::vector<std::int64_t> frames = Frames(first, 8);
    std::vector<std::int64_t> inside;
    for (std::int64_t b : frames)
      if (b < static_cast<std::int64_t>(demo.Blocks.size())) inside.push_back(b);
    DrawAll(engine, demo, inside);
    ASSERT_LE(engine.Cache().Bytes(), engine.Cache().Limit());
  }
  EXPECT_LT(engine.Cache().Count(), 45u);
}

TEST(LiveEventsTest, NextAndPreviousEventBringTheirFrameIntoTheMiddle) {
  StripState strip('M');
  strip.fileName = "demo.dem";
  strip.demo.Blocks.assign(2000, std::make_shared<Block>());
  strip.step = 10;
  const std::vector<std::pair<std::int64_t, std::uint8_t>> events = {
      {2, kEventNewLevel}, {150, kEventKill}, {160, kEventKill}, {1999, kEventIntermission}};
  struct Case {
    bool forward;
    std::int32_t first;
    std::optional<std::int32_t> start;
  };
  for (const Case& c : {Case{true, 104, 114},     // 160 into the middle frame (154 to 163)
                        Case{true, 114, 1904},    // the last block: the last page, not past it
                        Case{true, 1904, {}},     // nothing further
                        Case{false, 124, 114},    // 160 back into the middle
                        Case{false, 104, {}}}) {  // block 2 is never shown
    strip.firstVisible = c.first;
    EXPECT_EQ(EventStart(strip, events, c.forward), c.start)
        << (c.forward ? "next" : "previous") << " from " << c.first;
  }
  EXPECT_EQ(EventNames(kEventKill | kEventCenterPrint), "kill, centre print");
}

}  // namespace
}  // namespace clipvex
