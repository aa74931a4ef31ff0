// Reading the game's data: the search order of folders and packs, damaged
// packs, the fixture maps and models against the counts measured on them,
// and damaged maps and models.
#include "gamedata.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "alias.h"
#include "bsp.h"
#include "gamedata_writer.h"
#include "gamefiles.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace {

using clipvex::test::TempDir;
using clipvex::test::WriteFile;
using winquake::GameFiles;

void Write(const TempDir& dir, const std::string& name, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(dir.File(name)).parent_path());
  WriteFile(dir.File(name), bytes);
}

std::optional<std::string> Read(const GameFiles& files, const std::string& name) {
  std::string error;
  return files.Read(name, error);
}

TEST(GameFiles, TheGameFolderOverridesId1AndLaterPacksOverrideEarlierOnesAndLooseFiles) {
  TempDir dir;
  Write(dir, "id1/pak0.pak", wq_data::PackOf({{"a.txt", "pak0"}, {"only0.txt", "zero"}, {"maps/c.bsp", "id1"}}));
  Write(dir, "id1/pak1.pak", wq_data::PackOf({{"a.txt", "pak1"}, {"a.txt", "second of the name"}}));
  Write(dir, "id1/pak3.pak", wq_data::PackOf({{"a.txt", "pak3"}, {"e.txt", "pak3"}}));  // no pak2: never read
  Write(dir, "id1/a.txt", "loose");
  Write(dir, "id1/Gfx/Palette.LMP", "loose, any case");
  Write(dir, "mod/b.txt", "mod loose");
  Write(dir, "mod/pak0.pak", wq_data::PackOf({{"maps/c.bsp", "mod"}}));
  const auto id1 = GameFiles::Open(dir.Path(), "id1");
  const auto mod = GameFiles::Open(dir.Path(), "mod");
  struct Case {
    const GameFiles* files;
    const char* name;
    std::optional<std::string> expected;
  } cases[] = {
      {id1.get(), "a.txt", "pak1"},
      {id1.get(), "A.TXT", "pak1"},
      {id1.get(), "only0.txt", "zero"},
      {id1.get(), "e.txt", std::nullopt},
      {id1.get(), "gfx/palette.lmp", "loose, any case"},
      {mod.get(), "maps/c.bsp", "mod"},
      {mod.get(), "b.txt", "mod loose"},
      {mod.get(), "a.txt", "pak1"},
      {mod.get(), "../id1/a.txt", std::nullopt},
      {mod.get(), "/etc/hostname", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(*c.files, c.name), c.expected) << c.name;
  EXPECT_EQ(id1->Places().size(), 3u);  // pak1, pak0, the folder
  EXPECT_EQ(mod->Places().size(), 5u);
}

TEST(GameFiles, DamagedPacksAreLeftOutAndEntriesOutsideThePackSkipped) {
  TempDir dir;
  std::string truncated = wq_data::PackOf({{"a.txt", "aaaa"}, {"b.txt", "bbbb"}});
  truncated.resize(truncated.size() - 10);  // the directory runs past the end
  Write(dir, "id1/pak0.pak", truncated);
  std::string outside = wq_data::PackOf({{"c.txt", "cccc"}, {"d.txt", "dddd"}});
  outside[12 + 8 + 56 + 3] = 0x7f;  // c.txt's data offset now far past the end
  Write(dir, "id1/pak1.pak", outside);
  const auto files = GameFiles::Open(dir.Path(), "id1");
  EXPECT_EQ(Read(*files, "a.txt"), std::nullopt);
  EXPECT_EQ(Read(*files, "c.txt"), std::nullopt);
  EXPECT_EQ(Read(*files, "d.txt"), "dddd");
  ASSERT_EQ(files->Problems().size(), 2u);
  EXPECT_NE(files->Problems()[0].find("pak0.pak: the pack directory runs past the end"), std::string::npos)
      << files->Problems()[0];
  EXPECT_NE(files->Problems()[1].find("pak1.pak: 1 damaged entries"), std::string::npos) << files->Problems()[1];

  std::uint32_t at = 0, count = 0;
  std::string error;
  EXPECT_FALSE(winquake::ReadPackHeader(std::string("PACK\x0c\0\0\0\xc0\xff\xff\xff", 12), 100, at, count, error));
  EXPECT_FALSE(winquake::ReadPackHeader("PKZIP.......", 100, at, count, error));
  EXPECT_TRUE(winquake::ReadPackHeader(std::string("PACK\x0c\0\0\0\x40\0\0\0", 12), 76, at, count, error));
  EXPECT_EQ(count, 1u);
}

struct MapCase {
  const char* map;
  std::size_t faces, surfedges, models, textures, missing, leafs;
  int visLeafs;
  const char* texture;
  int width, height;
  int startLeaf, startVisible;
};
[[maybe_unused]] void PrintTo(const MapCase& c, std::ostream* os) { *os << c.map; }

class FixtureMaps : public ::testing::TestWithParam<MapCase> {
 protected:
  void SetUp() override { CLIPVEX_NEED_FIXTURES(clipvex::test::GameDataFolder() + "/id1"); }
};

TEST_P(FixtureMaps, CountsTexturesAndTheStartLeafMatchTheData) {
  const MapCase& c = GetParam();
  const auto data = winquake::GameData::Load(clipvex::test::GameDataFolder(), "id1");
  std::string problem;
  const auto map = data->Map(std::string("maps/") + c.map + ".bsp", &problem);
  ASSERT_TRUE(map) << problem;
  EXPECT_EQ(map->faces.size(), c.faces);
  EXPECT_EQ(map->faceVertices.size(), c.surfedges);  // every face kept, one corner per edge
  EXPECT_EQ(map->droppedFaces, 0u);
  EXPECT_EQ(map->models.size(), c.models);
  EXPECT_EQ(map->textures.size(), c.textures + 1);  // and the placeholder
  EXPECT_EQ(map->missingTextures, c.missing);
  EXPECT_EQ(map->leafs.size(), c.leafs);
  EXPECT_EQ(map->visLeafs, c.visLeafs);
  bool found = false;
  for (const winquake::BspTexture& t : map->textures) {
    if (t.name != c.texture) continue;
    found = true;
    EXPECT_EQ(t.width, c.width);
    EXPECT_EQ(t.height, c.height);
    EXPECT_EQ(t.mips[3].size(), static_cast<std::size_t>(c.width / 8 * c.height / 8));
  }
  EXPECT_TRUE(found) << c.texture;

  // The camera at the player's start (22 above it) stands in a known leaf
  // that sees a known number of leafs.
  float x = 0, y = 0, z = 0;
  ASSERT_EQ(std::sscanf(map->EntityValue("info_player_start", "origin").c_str(), "%f %f %f", &x, &y, &z), 3);
  const int leaf = map->LeafAt(winquake::Vec3{x, y, z + 22});
  EXPECT_EQ(leaf, c.startLeaf);
  std::vector<std::uint8_t> row;
  map->VisibleLeafs(leaf, row);
  int visible = 0;
  for (std::uint8_t b : row) visible += __builtin_popcount(b);
  EXPECT_EQ(visible, c.startVisible);
}

INSTANTIATE_TEST_SUITE_P(
    FreeData, FixtureMaps,
    ::testing::Values(MapCase{"e1m1", 11102, 52562, 75, 134, 18, 3457, 2783, "sky5", 256, 128, 55, 48},
                      MapCase{"start", 621, 2920, 13, 60, 2, 278, 191, "sky_stars", 256, 128, 184, 189},
                      MapCase{"medusa", 1073, 4507, 24, 13, 0, 365, 89, "*lava1_fbr", 64, 64, 44, 87},
                      MapCase{"swampy", 3490, 15922, 26, 34, 0, 902, 735, "*water2", 64, 64, 330, 54}),
    [](const auto& info) { return std::string(info.param.map); });

// Reads `bytes` as a map after `damage` changed them.
template <typename Damage>
std::shared_ptr<const winquake::BspMap> Damaged(Damage damage) {
  std::string bytes = wq_data::BoxRoom();
  damage(bytes);
  std::string error;
  return winquake::ReadBsp(bytes, error);
}

std::size_t LumpOffset(const std::string& bsp, int lump) {
  std::int32_t v;
  std::memcpy(&v, bsp.data() + 4 + 8 * lump, 4);
  return static_cast<std::size_t>(v);
}

TEST(MapReader, DamageLeavesOutWhatItTouchesAndNeverMore) {
  const auto room = Damaged([](std::string&) {});
  ASSERT_TRUE(room);
  EXPECT_EQ(room->faces.size(), 7u);
  EXPECT_EQ(room->LeafAt(winquake::Vec3{0, 0, -18}), 1);
  EXPECT_EQ(room->LeafAt(winquake::Vec3{0, 0, -100}), 0);

  // A face whose first edge lies past the surfedges: that face only.
  auto face = Damaged([](std::string& b) { b[LumpOffset(b, 7) + 20 + 4] = 0x70; });
  ASSERT_TRUE(face);
  EXPECT_EQ(face->droppedFaces, 1u);
  EXPECT_EQ(face->faces[1].numVertices, 0u);
  EXPECT_EQ(face->faces[2].numVertices, 4u);

  // A node whose child is itself: the link is cut, walks end.
  auto loop = Damaged([](std::string& b) { b[LumpOffset(b, 5) + 24 * 2 + 4] = 2; });
  ASSERT_TRUE(loop);
  EXPECT_GE(loop->droppedLinks, 1u);
  EXPECT_EQ(loop->LeafAt(winquake::Vec3{0, 0, -18}), 0);

  // A light map past the lighting lump: the face is drawn unlit.
  auto light = Damaged([](std::string& b) { b[LumpOffset(b, 7) + 16 + 2] = 0x7f; });
  ASSERT_TRUE(light);
  EXPECT_EQ(light->faces[0].lightOffset, -1);
  EXPECT_EQ(light->faces[1].lightOffset, 81);

  // The same room in the widened layout reads the same.
  std::string error;
  const auto wide = winquake::ReadBsp(wq_data::BoxRoom(true), error);
  ASSERT_TRUE(wide) << error;
  EXPECT_EQ(wide->format, "BSP2");
  ASSERT_EQ(wide->faces.size(), room->faces.size());
  for (std::size_t i = 0; i < room->faces.size(); ++i)
    EXPECT_EQ(wide->faces[i].numVertices, room->faces[i].numVertices) << i;
  EXPECT_EQ(wide->faceVertices.size(), room->faceVertices.size());
  EXPECT_EQ(wide->LeafAt(winquake::Vec3{0, 0, -18}), 1);
  EXPECT_EQ(wide->leafs[1].numMarks, 6u);

  EXPECT_FALSE(Damaged([](std::string& b) { b[0] = 30; }));
  EXPECT_FALSE(Damaged([](std::string& b) { b[4 + 8 * 7 + 6] = 0x7f; }));  // the faces lump past the end
  for (std::size_t cut = 0; cut < wq_data::BoxRoom().size(); cut += 7)
    Damaged([cut](std::string& b) { b.resize(cut); });  // any length reads or fails, never more
}

struct ModelCase {
  const char* model;
  std::size_t skins;
  int width, height;
  std::uint32_t vertices;
  std::size_t triangles, frames, poses;
};
[[maybe_unused]] void PrintTo(const ModelCase& c, std::ostream* os) { *os << c.model; }

class FixtureModels : public ::testing::TestWithParam<ModelCase> {
 protected:
  void SetUp() override { CLIPVEX_NEED_FIXTURES(clipvex::test::GameDataFolder() + "/id1"); }
};

TEST_P(FixtureModels, CountsMatchTheData) {
  const ModelCase& c = GetParam();
  const auto data = winquake::GameData::Load(clipvex::test::GameDataFolder(), "id1");
  std::string problem;
  const auto m = data->Alias(std::string("progs/") + c.model + ".mdl", &problem);
  ASSERT_TRUE(m) << problem;
  EXPECT_EQ(m->skins.size(), c.skins);
  EXPECT_EQ(m->skinWidth, c.width);
  EXPECT_EQ(m->skinHeight, c.height);
  EXPECT_EQ(m->numVertices, c.vertices);
  EXPECT_EQ(m->triangles.size(), c.triangles);
  EXPECT_EQ(m->frames.size(), c.frames);
  EXPECT_EQ(m->PoseCount(), c.poses);
}

INSTANTIATE_TEST_SUITE_P(FreeData, FixtureModels,
                         ::testing::Values(ModelCase{"armor", 3, 200, 200, 141, 148, 1, 1},
                                           ModelCase{"player", 1, 296, 194, 801, 1060, 143, 143},
                                           ModelCase{"ogre", 1, 4, 4, 394, 376, 147, 147},
                                           ModelCase{"flame2", 1, 64, 128, 91, 102, 2, 14},
                                           ModelCase{"eyes", 1, 64, 128, 68, 96, 1, 1}),  // bytes after the frames
                         [](const auto& info) { return std::string(info.param.model); });

TEST(ModelReader, GroupsFollowTheClockAndShortFilesAreRefused) {
  std::string error;
  const auto tetra = winquake::ReadAliasModel(wq_data::Tetrahedron(), error);
  ASSERT_TRUE(tetra) << error;
  ASSERT_EQ(tetra->frames.size(), 2u);
  EXPECT_EQ(tetra->PoseCount(), 3u);
  EXPECT_EQ(tetra->frames[1].At(0.05), 0u);
  EXPECT_EQ(tetra->frames[1].At(0.15), 1u);
  EXPECT_EQ(tetra->frames[1].At(0.25), 0u);  // round again after 0.2 s
  const std::string whole = wq_data::Tetrahedron();
  for (std::size_t cut = 0; cut < whole.size(); ++cut)
    EXPECT_FALSE(winquake::ReadAliasModel(whole.substr(0, cut), error)) << cut;

  const auto sprite = winquake::ReadSprite(wq_data::Sprite(), error);
  ASSERT_TRUE(sprite) << error;
  EXPECT_EQ(sprite->frames.size(), 2u);
  EXPECT_EQ(sprite->pictures.size(), 3u);
  EXPECT_FALSE(winquake::ReadSprite(wq_data::Sprite().substr(0, 60), error));
  CLIPVEX_NEED_FIXTURES(clipvex::test::GameDataFolder() + "/id1");
  const auto explosion =
      winquake::GameData::Load(clipvex::test::GameDataFolder(), "id1")->Sprite("progs/s_explod.spr", &error);
  ASSERT_TRUE(explosion) << error;
  EXPECT_EQ(explosion->frames.size(), 6u);
  EXPECT_EQ(explosion->pictures[5].width, 64);
}

}  // namespace
