// Loading demos: bytes through the converter's reader into the game's
// blocks and messages, the dump's number forms, and everything that must be
// refused with a clear reason instead of crashing or hanging.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "support/fixtures.h"
#include "support/testsupport.h"
#include "wq_test_util.h"

namespace {

using namespace wq_test;
using winquake::Demo;
using winquake::Message;
using winquake::MsgKind;

std::vector<const Message*> MessagesOf(const Demo& d, std::size_t block) {
  std::vector<const Message*> out;
  const winquake::Block& b = d.blocks.at(block);
  for (std::uint32_t i = 0; i < b.messageCount; ++i) out.push_back(&d.messages.at(b.firstMessage + i));
  return out;
}

TEST(DumpNumbers, FloatsCoordinatesAndTimesInEveryWrittenForm) {
  EXPECT_EQ(winquake::ParseDumpFloat("-12.5"), -12.5f);
  EXPECT_EQ(winquake::ParseDumpFloat("+3"), 3.0f);
  const auto nan = winquake::ParseDumpFloat("0xffc00001");
  ASSERT_TRUE(nan.has_value());
  EXPECT_TRUE(std::isnan(*nan));
  EXPECT_GT(*winquake::ParseDumpFloat("1e-44"), 0.0f);  // a denormal is a value, not an error
  EXPECT_FALSE(winquake::ParseDumpFloat("").has_value());
  EXPECT_FALSE(winquake::ParseDumpFloat("1.5x").has_value());
  EXPECT_FALSE(winquake::ParseDumpFloat("0x1ffffffff").has_value());

  EXPECT_DOUBLE_EQ(*winquake::ParseDumpCoord("100:255"), 101.0);  // the 24-bit form: whole + byte / 255
  EXPECT_DOUBLE_EQ(*winquake::ParseDumpCoord("-2:0"), -2.0);
  EXPECT_FALSE(winquake::ParseDumpCoord("1:256").has_value());
  EXPECT_FALSE(winquake::ParseDumpCoord("a:1").has_value());

  EXPECT_DOUBLE_EQ(*winquake::ParseDumpTime("12.500000000s"), 12.5);
  EXPECT_DOUBLE_EQ(*winquake::ParseDumpTime("1:15.250000000m"), 75.25);
  EXPECT_DOUBLE_EQ(*winquake::ParseDumpTime("1:2:5.500000000h"), 3725.5);
  EXPECT_DOUBLE_EQ(*winquake::ParseDumpTime("7.25"), 7.25);
  EXPECT_DOUBLE_EQ(*winquake::ParseDumpTime("-0.5s"), -0.5);
  EXPECT_FLOAT_EQ(static_cast<float>(*winquake::ParseDumpTime("0x41480000")), 12.5f);
  EXPECT_FALSE(winquake::ParseDumpTime("1:2s").has_value());  // seconds take one part
  EXPECT_FALSE(winquake::ParseDumpTime("s").has_value());
  EXPECT_FALSE(winquake::ParseDumpTime("1:-2m").has_value());
}

TEST(DumpStrings, EscapesAsTheConverterWritesThem) {
  EXPECT_EQ(winquake::UnescapeDumpString("a\\nb\\\"c\\\\d\\x7b\\xe1"), "a\nb\"c\\d{\xe1");
  EXPECT_EQ(winquake::UnescapeDumpString("\\q \\x0 \\x00 end\\"), "\\q \\x0 \\x00 end\\");
}

TEST(DemoLoad, EveryMessageTheGameUsesIsRead) {
  const Demo d = LoadOrFail(DemoOf({
      Signon(),
      TestBlock{{" time 1.250000000s;",
                 " entity 2 0x3fdf model 4 frame 3 colormap 2 skin 1 effects 8 x 1 pitch 5.625 y -2.5 yaw 90 z 3 "
                 "roll -45;",
                 " clientdata 0x6201 viewheight 30 items 0x00001101 armor 50 weapon 79 health 87 ammo 25 shells 25 "
                 "nails 0 rockets 0 cells 0 active 1;",
                 " setangle 11.25 -90 0;", " print \"hi \\\"there\\\"\\n\";", " stufftext \"screenshot\\n\";",
                 " centerprint \"two\\nlines\";", " tempentity explosion 8 16 24;",
                 " tempentity lightning2 entity 7 start 1 2 3 end -1 0 0.5;",
                 " tempentity explosion2 1 2 3 color 100 count 8;",
                 " particle 1 2 3 dir -16 0 32 count 255 color 73;", " damage armor 3 blood 10 from 4 5 6;",
                 " updatestat 12 7;", " killedmonster;", " foundsecret;", " bf;", " setpause 1;", " intermission;",
                 " finale \"The end\";", " spawnstatic model 3 frame 1 colormap 0 skin 0 origin -8 930 860 angles 0 "
                 "45 0;",
                 " sound 0x00 entity 1 channel 2 sample 3 origin 0 0 0;", " disconnect;"},
                "10 -20.5 0"},
  }));
  ASSERT_EQ(d.blocks.size(), 2u);
  EXPECT_EQ(d.skippedLines, 0u);
  EXPECT_FALSE(d.blocks[0].hasTime);
  const winquake::Block& b = d.blocks[1];
  EXPECT_TRUE(b.hasTime);
  EXPECT_DOUBLE_EQ(b.time, 1.25);
  EXPECT_TRUE(b.cameraValid);
  EXPECT_FLOAT_EQ(b.camera[1], -20.5f);

  const auto signon = MessagesOf(d, 0);
  ASSERT_EQ(signon.size(), 8u);
  EXPECT_EQ(signon[0]->kind, MsgKind::ServerInfo);
  EXPECT_EQ(d.Text(*signon[0]), "Test Level");
  EXPECT_EQ(signon[2]->kind, MsgKind::PrecacheModel);
  EXPECT_EQ(d.Text(*signon[2]), "progs/player.mdl");
  EXPECT_EQ(signon[5]->kind, MsgKind::SetView);
  EXPECT_EQ(signon[5]->entity, 1);
  EXPECT_EQ(signon[7]->kind, MsgKind::Baseline);
  EXPECT_EQ(signon[7]->entity, 2);
  EXPECT_EQ(signon[7]->model, 3);
  EXPECT_FLOAT_EQ(signon[7]->origin[0], 256.0f);

  const auto m = MessagesOf(d, 1);
  ASSERT_EQ(m.size(), 20u);  // the sound is of no use to the picture and left out
  const Message& e = *m[0];
  EXPECT_EQ(e.kind, MsgKind::Entity);
  EXPECT_EQ(e.entity, 2);
  EXPECT_EQ(e.fields, winquake::kFieldModel | winquake::kFieldFrame | winquake::kFieldColormap |
                          winquake::kFieldSkin | winquake::kFieldEffects | winquake::kFieldX | winquake::kFieldY |
                          winquake::kFieldZ | winquake::kFieldPitch | winquake::kFieldYaw | winquake::kFieldRoll);
  EXPECT_EQ(e.model, 4);
  EXPECT_EQ(e.frame, 3);
  EXPECT_EQ(e.effects, 8);
  EXPECT_FLOAT_EQ(e.origin[1], -2.5f);
  EXPECT_FLOAT_EQ(e.angles[0], 5.625f);
  EXPECT_FLOAT_EQ(e.angles[2], -45.0f);
  EXPECT_EQ(m[1]->kind, MsgKind::ClientData);
  EXPECT_EQ(m[1]->stat[0], 30);  // view height
  EXPECT_EQ(m[1]->stat[1], 87);  // health
  EXPECT_EQ(m[1]->stat[2], 50);  // armour
  EXPECT_EQ(m[2]->kind, MsgKind::SetAngle);
  EXPECT_FLOAT_EQ(m[2]->angles[0], 11.25f);
  EXPECT_EQ(d.Text(*m[3]), "hi \"there\"\n");
  EXPECT_EQ(m[4]->kind, MsgKind::StuffText);
  EXPECT_EQ(d.Text(*m[4]), "screenshot\n");
  EXPECT_EQ(d.Text(*m[5]), "two\nlines");
  EXPECT_EQ(m[6]->sub, winquake::kTeExplosion);
  EXPECT_FLOAT_EQ(m[6]->origin[2], 24.0f);
  EXPECT_EQ(m[7]->sub, winquake::kTeLightning2);
  EXPECT_FLOAT_EQ(m[7]->angles[0], -1.0f);  // the end of the beam
  EXPECT_EQ(m[8]->entity, 100);           // explosion2: first colour
  EXPECT_EQ(m[8]->colormap, 8);           // and how many
  EXPECT_EQ(m[9]->kind, MsgKind::Particle);
  EXPECT_EQ(m[9]->stat[0], 1024);  // count 255 stands for 1024
  EXPECT_EQ(m[9]->entity, 73);
  EXPECT_FLOAT_EQ(m[9]->angles[0], -16.0f);
  EXPECT_EQ(m[10]->kind, MsgKind::Damage);
  EXPECT_EQ(m[10]->stat[1], 10);
  EXPECT_EQ(m[11]->sub, 12);
  EXPECT_EQ(m[11]->entity, 7);
  EXPECT_EQ(m[16]->kind, MsgKind::Intermission);
  EXPECT_EQ(d.Text(*m[17]), "The end");
  EXPECT_EQ(m[18]->kind, MsgKind::Static);
  EXPECT_FLOAT_EQ(m[18]->angles[1], 45.0f);
  EXPECT_EQ(m[19]->kind, MsgKind::Disconnect);
}

TEST(DemoLoad, CameraThatIsNotANumberIsMarkedInvalid) {
  TestBlock b{{" time 1s;"}, "0x7fc00000 0 0"};
  const Demo d = LoadOrFail(DemoOf({b}));
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_FALSE(d.blocks[0].cameraValid);
}

TEST(DemoLoad, PiecesSplitAnywhereReadTheSameAsTheWholeText) {
  const std::string text = DumpOf({Signon(), FrameAt(1), TestBlock{{" centerprint \"x;y\";", " disconnect;"}}});
  Demo whole;
  winquake::DumpReader all(whole);
  all.Feed(text);
  all.Finish();
  for (std::size_t cut = 1; cut < text.size(); cut += 7) {
    Demo pieces;
    winquake::DumpReader r(pieces);
    r.Feed(text.substr(0, cut));
    r.Feed(text.substr(cut, 3));
    r.Feed(text.substr(std::min(text.size(), cut + 3)));
    r.Finish();
    ASSERT_EQ(pieces.blocks.size(), whole.blocks.size()) << cut;
    ASSERT_EQ(pieces.messages.size(), whole.messages.size()) << cut;
    EXPECT_EQ(pieces.strings, whole.strings) << cut;
  }
  EXPECT_EQ(whole.blocks.size(), 3u);
}

TEST(DemoLoad, UnreadableLinesAreCountedNotPlayed) {
  Demo d;
  winquake::DumpReader r(d);
  r.Feed("track \"-1\";\nblock {\n camera 0 0 0;\n entity 1 0x82 x notanumber;\n print \"unterminated;\n"
         " tempentity nosuchthing 1 2 3;\n entity 99999 0x80;\n futuremessage 1 2;\n print \"ok\";\n}\n");
  r.Finish();
  ASSERT_EQ(d.blocks.size(), 1u);
  EXPECT_EQ(d.skippedLines, 4u);  // an unknown word is simply not the game's business
  ASSERT_EQ(d.messages.size(), 1u);
  EXPECT_EQ(d.Text(d.messages[0]), "ok");
}

TEST(DemoLoad, BytesThatAreNotADemoGiveAReason) {
  std::string error;
  EXPECT_FALSE(winquake::LoadDemoBytes("", error).has_value());
  EXPECT_TRUE(Contains(error, "not a demo")) << error;
  error.clear();
  EXPECT_FALSE(winquake::LoadDemoBytes("this is a text file\nwith lines\n", error).has_value());
  EXPECT_TRUE(Contains(error, "not a demo")) << error;
  error.clear();
  EXPECT_FALSE(winquake::LoadDemoBytes("-1\n", error).has_value());
  EXPECT_EQ(error, "it holds no blocks");
}

TEST(DemoLoad, ADamagedDemoPlaysWhatCanBeReadAndSaysSo) {
  std::string bytes = DemoOf({Signon(), FrameAt(1), FrameAt(1.1)});
  bytes.append("\x40\x00\x00\x00\x01\x02", 6);  // the start of a block cut short
  std::string error;
  std::optional<Demo> d = winquake::LoadDemoBytes(bytes, error);
  ASSERT_TRUE(d.has_value()) << error;
  EXPECT_EQ(d->blocks.size(), 3u);
  ASSERT_FALSE(d->warnings.empty());

  // An unknown message id in the middle of a block: the rest of that block is lost.
  std::string unknown = DemoOf({Signon(), TestBlock{{" time 1s;", " raw 23ff;"}}, FrameAt(2)});
  d = winquake::LoadDemoBytes(unknown, error);
  ASSERT_TRUE(d.has_value()) << error;
  EXPECT_EQ(d->blocks.size(), 3u);
  EXPECT_FALSE(d->warnings.empty());
}

TEST(DemoFile, MissingFoldersFifosAndHugeFilesAreRefusedAtOnce) {
  clipvex::test::TempDir dir;
  std::string error;
  EXPECT_FALSE(winquake::LoadDemoFile(dir.File("absent.dem"), error).has_value());
  EXPECT_EQ(error, "couldn't open: no such file");

  EXPECT_FALSE(winquake::LoadDemoFile(dir.Path(), error).has_value());
  EXPECT_EQ(error, "couldn't open: not a regular file");

  // A FIFO with no writer would block a plain open for ever.
  ASSERT_EQ(::mkfifo(dir.File("fifo.dem").c_str(), 0600), 0);
  EXPECT_FALSE(winquake::LoadDemoFile(dir.File("fifo.dem"), error).has_value());
  EXPECT_EQ(error, "couldn't open: not a regular file");

  // A sparse file just past the limit: refused before a byte is read.
  const std::string big = dir.File("big.dem");
  clipvex::test::WriteFile(big, "-1\n");
  std::filesystem::resize_file(big, winquake::kMaxDemoBytes + 1);
  EXPECT_FALSE(winquake::LoadDemoFile(big, error).has_value());
  EXPECT_TRUE(Contains(error, "too large")) << error;

  clipvex::test::WriteFile(dir.File("ok.dem"), DemoOf({Signon(), FrameAt(1)}));
  std::optional<Demo> d = winquake::LoadDemoFile(dir.File("ok.dem"), error);
  ASSERT_TRUE(d.has_value()) << error;
  EXPECT_EQ(d->blocks.size(), 2u);
}

class FixtureLoad : public ::testing::TestWithParam<std::pair<const char*, std::size_t>> {
 protected:
  void SetUp() override { CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder()); }
};

TEST_P(FixtureLoad, EveryBlockAndLineOfARealDemoIsRead) {
  const auto [name, blocks] = GetParam();
  std::string error;
  std::optional<Demo> d = winquake::LoadDemoFile(clipvex::test::DemoFixture(std::string(name) + ".dem"), error);
  ASSERT_TRUE(d.has_value()) << error;
  EXPECT_EQ(d->blocks.size(), blocks);
  EXPECT_EQ(d->skippedLines, 0u);
  EXPECT_TRUE(d->warnings.empty());
  std::size_t timed = 0;
  for (const winquake::Block& b : d->blocks) timed += b.hasTime;
  if (blocks > 1) {
    EXPECT_GT(timed, blocks / 2);
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureLoad,
                         ::testing::Values(std::make_pair("p15_e4m2_id101", 1324u),
                                           std::make_pair("p15_introseq_tf107", 2312u),
                                           std::make_pair("p15_ctf8_mp109", 3042u),
                                           std::make_pair("p15_e0m3_pause_cutscene", 3244u),
                                           std::make_pair("p666_medusa_start_2levels", 4051u),
                                           std::make_pair("p666_swampy_long_nodisconnect", 22655u),
                                           std::make_pair("p666_e1m1_smoothme", 913u),
                                           std::make_pair("p999_e2m5_baseline2", 4510u),
                                           std::make_pair("edge_p666_nan_angles", 168u),
                                           std::make_pair("edge_synthetic_qfont", 1u)),
                         [](const auto& info) { return std::string(info.param.first); });

}  // namespace
