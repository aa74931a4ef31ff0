// Pictures drawn from the game's data: a room written from scratch with a
// model, a brush entity and a missing model; today's picture when the map
// is missing; any size; the colour shift; threads; the fixture demos on the
// free data; and the game playing on its data.
#include "scene.h"

#include <filesystem>
#include <thread>

#include "game.h"
#include "gamedata_writer.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "wq_test_util.h"

namespace {

using namespace wq_test;
using winquake::GameData;
using winquake::Picture;
using winquake::PlayState;

std::shared_ptr<const GameData> RoomData(bool withMap = true) {
  std::vector<std::pair<std::string, std::string>> files{{"gfx/palette.lmp", wq_data::Palette()},
                                                         {"gfx/colormap.lmp", wq_data::Colormap()},
                                                         {"progs/soldier.mdl", wq_data::Tetrahedron()}};
  if (withMap) files.emplace_back("maps/test.bsp", wq_data::BoxRoom());
  return std::make_shared<GameData>(winquake::GameFiles::FromMemory(std::move(files)));
}

// The player (the camera) at the room's start looking along +x, a soldier
// on the floor ahead, the door "*1" where the map put it (moved sideways by
// `doorY`), armour whose model is missing; `soldier` false leaves the
// soldier out of the frame.
std::vector<TestBlock> RoomDemo(bool soldier = true, int doorY = 0) {
  TestBlock signon{{" serverinfo 15 maxclients 1 gametype 0 level \"Room\";", " precache_model \"maps/test.bsp\";",
                    " precache_model \"progs/player.mdl\";", " precache_model \"progs/soldier.mdl\";",
                    " precache_model \"*1\";", " precache_model \"progs/armor.mdl\";", " setview 1;",
                    " spawnbaseline 1 model 2 frame 0 colormap 1 skin 0 origin 0 0 -40 angles 0 0 0;",
                    " spawnbaseline 2 model 3 frame 0 colormap 0 skin 0 origin 52 0 -64 angles 0 0 0;",
                    " spawnbaseline 3 model 4 frame 0 colormap 0 skin 0 origin 0 0 0 angles 0 0 0;",
                    " spawnbaseline 4 model 5 frame 0 colormap 0 skin 0 origin 56 -40 -60 angles 0 0 0;"}};
  TestBlock frame{{" time 1s;", " entity 1 0x8e x 0 y 0 z -40;", " entity 4 0x80;",
                   " entity 3 0x84 y " + std::to_string(doorY) + ";"}};
  if (soldier) frame.lines.push_back(" entity 2 0x80;");
  return {signon, frame};
}

PlayState Played(const std::vector<TestBlock>& blocks) {
  const winquake::Demo demo = LoadOrFail(DemoOf(blocks));
  PlayState s;
  PlayState::Output out;
  for (const auto& b : demo.blocks) s.ApplyBlock(demo, b, out);
  return s;
}

std::size_t CountIn(const Picture& p, std::initializer_list<std::uint8_t> colours, int x0 = 0, int y0 = 0,
                    int x1 = 1 << 20, int y1 = 1 << 20) {
  std::size_t n = 0;
  for (int y = y0; y < std::min(y1, p.height); ++y)
    for (int x = x0; x < std::min(x1, p.width); ++x)
      for (std::uint8_t c : colours) n += p.pixels[static_cast<std::size_t>(y) * p.width + x] == c;
  return n;
}

// The room's colours through the test colour map at the walls' light: the
// wall texture's 40 and 90, the door's 150 and 200.
constexpr std::uint8_t kWall[2] = {31, 71};
constexpr std::uint8_t kDoor[2] = {119, 158};

TEST(Scene, TheRoomItsModelAndItsDoorAreDrawnFromTheDataAndTheMissingModelAsAMarker) {
  const auto data = RoomData();
  const Picture p = winquake::DrawPicture(Played(RoomDemo()), data.get(), 320, 240, nullptr, false);
  ASSERT_TRUE(p.fromData);
  EXPECT_EQ(p.palette[3 * 200], 200);  // the data's palette
  EXPECT_EQ(p.fallbacks, std::vector<std::string>{"progs/armor.mdl: not found; drawing a marker instead"});
  EXPECT_EQ(CountIn(p, {0}), 0u) << "the room encloses the camera: no pixel is left undrawn";
  EXPECT_GT(CountIn(p, {kWall[0], kWall[1]}), 30000u);
  EXPECT_GT(CountIn(p, {kDoor[0], kDoor[1]}, 100, 0, 220, 120), 5000u);  // ahead, above the eye

  const Picture moved = winquake::DrawPicture(Played(RoomDemo(true, 200)), data.get(), 320, 240, nullptr, false);
  EXPECT_EQ(CountIn(moved, {kDoor[0], kDoor[1]}), 0u);  // the door went with its entity
  const Picture alone = winquake::DrawPicture(Played(RoomDemo(false)), data.get(), 320, 240, nullptr, false);
  std::size_t soldier = 0;
  for (std::size_t i = 0; i < p.pixels.size(); ++i) soldier += p.pixels[i] != alone.pixels[i];
  EXPECT_GT(soldier, 300u);
  EXPECT_EQ(CountIn(alone, {kWall[0], kWall[1]}, 140, 210, 180, 240), 40u * 30u);  // floor where it stood
}

TEST(Scene, AMissingMapGivesTodaysPictureAndSaysSo) {
  const PlayState s = Played(RoomDemo());
  winquake::Framebuffer today;
  winquake::RenderView(s, today);
  winquake::RenderHud(s, today);
  for (const auto& data : {RoomData(false), std::shared_ptr<const GameData>()}) {
    const Picture p = winquake::DrawPicture(s, data.get(), 320, 240);
    EXPECT_FALSE(p.fromData);
    EXPECT_EQ(p.pixels, today.pixels);
    EXPECT_EQ(p.palette, winquake::ShiftedPalette(s.CurrentBlend()));
    const std::vector<std::string> told{"maps/test.bsp: not found; drawing the level grid instead"};
    EXPECT_EQ(p.fallbacks, data ? told : std::vector<std::string>{});
  }
}

TEST(Scene, PicturesOfAnySizeShowTheSameView) {
  const auto data = RoomData();
  const PlayState s = Played(RoomDemo());
  winquake::SceneRenderer renderer;
  const Picture big = winquake::DrawPicture(s, data.get(), 320, 240, &renderer, false);
  for (const auto& [w, h] : {std::pair{160, 120}, std::pair{96, 72}}) {
    const Picture small = winquake::DrawPicture(s, data.get(), w, h, &renderer, false);
    ASSERT_EQ(small.pixels.size(), static_cast<std::size_t>(w * h));
    std::size_t same = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int bx = (2 * x + 1) * 320 / (2 * w), by = (2 * y + 1) * 240 / (2 * h);
        // Mips and the wall's 4-texel squares may shift a colour; the room's parts stay where they are.
        auto part = [](std::uint8_t c) {
          return c == kDoor[0] || c == kDoor[1] ? 1 : c == kWall[0] || c == kWall[1] ? 0 : 2;
        };
        same += part(small.pixels[static_cast<std::size_t>(y) * w + x]) == part(big.pixels[by * 320 + bx]);
      }
    EXPECT_GT(same * 100, static_cast<std::size_t>(w * h) * 95) << w << "x" << h;
  }
}

TEST(Scene, TheColourShiftTintsTheViewButNotTheTexts) {
  const auto data = RoomData();
  PlayState s = Played(RoomDemo());
  const Picture plain = winquake::DrawPicture(s, data.get(), 320, 240);
  s.SetEmptyShift({255, 0, 0, 255});
  const Picture red = winquake::DrawPicture(s, data.get(), 320, 240);
  const std::uint8_t reddest = data->Colors()->Nearest(255, 0, 0);
  EXPECT_EQ(CountIn(red, {reddest}, 0, 0, 320, 200), 320u * 200u);
  EXPECT_EQ(red.pixels.back(), plain.pixels.back());  // the demo time's panel
}

TEST(Scene, ThreadsDrawAtOnceEachWithItsRendererAndGetThePicturesOfOne) {
  const auto data = RoomData();
  const PlayState near = Played(RoomDemo()), far = Played(RoomDemo(true, 40));
  const Picture a = winquake::DrawPicture(near, data.get(), 320, 240),
                b = winquake::DrawPicture(far, data.get(), 160, 120);
  std::vector<Picture> got(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      winquake::SceneRenderer renderer;
      for (int i = t; i < 8; i += 2)
        got[static_cast<std::size_t>(i)] = i % 4 < 2 ? winquake::DrawPicture(near, data.get(), 320, 240, &renderer)
                                                     : winquake::DrawPicture(far, data.get(), 160, 120, &renderer);
    });
  for (std::thread& t : threads) t.join();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(got[static_cast<std::size_t>(i)].pixels, (i % 4 < 2 ? a : b).pixels) << i;
}

// The fixture demos on the free data: every part drawn from the data.
TEST(FreeData, FixtureDemosAreDrawnFromTheirMaps) {
  CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder(), clipvex::test::GameDataFolder() + "/id1");
  const auto data = GameData::Load(clipvex::test::GameDataFolder(), "id1");
  struct Case {
    const char* demo;
    std::size_t block;
    const char* map;
  } cases[] = {{"p666_e1m1_smoothme.dem", 400, "maps/e1m1.bsp"},
               {"p666_medusa_start_2levels.dem", 4000, "maps/start.bsp"},
               {"p666_swampy_long_nodisconnect.dem", 2000, "maps/swampy.bsp"}};
  for (const Case& c : cases) {
    std::string error;
    auto demo = winquake::LoadDemoFile(clipvex::test::DemoFixture(c.demo), error);
    ASSERT_TRUE(demo) << error;
    PlayState s;
    PlayState::Output out;
    for (std::size_t i = 0; i <= c.block; ++i) s.ApplyBlock(*demo, demo->blocks[i], out);
    EXPECT_EQ(s.MapName(), c.map);
    const Picture p = winquake::DrawPicture(s, data.get(), 320, 240);
    EXPECT_TRUE(p.fromData) << c.demo;
    EXPECT_TRUE(p.fallbacks.empty()) << c.demo << ": " << (p.fallbacks.empty() ? "" : p.fallbacks[0]);
    std::vector<bool> used(256);
    for (std::uint8_t px : p.pixels) used[px] = true;
    EXPECT_GT(std::count(used.begin(), used.end(), true), 60) << c.demo;  // textures, not a few flat colours
  }
}

TEST(GameWithData, PlaysOnItsMapAndTellsOnceWhatIsMissing) {
  clipvex::test::TempDir base;
  std::filesystem::create_directories(base.File("id1"));
  clipvex::test::WriteFile(base.File("id1/pak0.pak"), wq_data::PackOf({{"gfx/palette.lmp", wq_data::Palette()},
                                                                       {"gfx/colormap.lmp", wq_data::Colormap()},
                                                                       {"maps/test.bsp", wq_data::BoxRoom()},
                                                                       {"progs/soldier.mdl", wq_data::Tetrahedron()}}));
  std::vector<TestBlock> blocks = RoomDemo();
  blocks.push_back(blocks.back());
  blocks.back().lines[0] = " time 1.1s;";
  blocks.back().lines.push_back(" stufftext \"screenshot\\n\";");
  clipvex::test::WriteFile(base.File("id1/room.dem"), DemoOf(blocks));
  winquake::Game game(base.File("id1"), base.Path());
  game.Execute("timedemo room");
  while (game.Playing()) game.Frame(0.01);
  EXPECT_TRUE(game.DrawsFromData());
  EXPECT_EQ(game.ScreenPalette(), game.Data()->Colors()->palette);
  std::string console;  // without blanks, wherever the console wrapped its lines
  for (std::size_t i = 0; i < game.GetConsole().LineCount(); ++i)
    for (char c : game.GetConsole().Line(i))
      if (c != ' ') console.push_back(c);
  const std::string line = "progs/armor.mdl:notfound;drawingamarkerinstead";
  const std::size_t first = console.find(line);
  EXPECT_NE(first, std::string::npos) << console;
  EXPECT_EQ(console.find(line, first + 1), std::string::npos);
  const std::string pcx = clipvex::test::ReadFile(base.File("id1/quake00.pcx"));
  ASSERT_GT(pcx.size(), 769u);
  EXPECT_EQ(pcx.substr(pcx.size() - 768), wq_data::Palette());  // the screenshot carries the data's palette

  // A level whose map is missing next: today's picture in today's colours
  // from its first frame on (one block holds the level and its first frame).
  TestBlock level = Signon();
  level.lines[1] = " precache_model \"maps/none.bsp\";";
  for (const std::string& line : FrameAt(1, 128).lines) level.lines.push_back(line);
  clipvex::test::WriteFile(base.File("id1/grid.dem"), DemoOf({level, FrameAt(1.1, 128)}));
  game.Execute("playdemo grid");
  game.Frame(0.01);
  EXPECT_FALSE(game.DrawsFromData());
  const PlayState s = Played({level});
  winquake::Framebuffer today;
  winquake::RenderView(s, today);
  // Below the notify lines and above the demo time.
  EXPECT_TRUE(std::equal(today.pixels.begin() + 320 * 48, today.pixels.begin() + 320 * 220,
                         game.Screen().pixels.begin() + 320 * 48));
  EXPECT_EQ(game.ScreenPalette(), winquake::ShiftedPalette(s.CurrentBlend()));
}

}  // namespace
