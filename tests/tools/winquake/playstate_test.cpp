// The playback state: what blocks do to entities, camera, tints, texts and
// particles, without a window.
#include "playstate.h"

#include <cmath>

#include "wq_test_util.h"

namespace {

using namespace wq_test;
using winquake::Demo;
using winquake::ModelKind;
using winquake::PlayState;

// Plays every block of `demo` into `state`, gathering what they hand back.
PlayState::Output PlayAll(PlayState& state, const Demo& demo) {
  PlayState::Output out;
  for (const winquake::Block& b : demo.blocks) state.ApplyBlock(demo, b, out);
  return out;
}

TEST(ModelKinds, NamesSortIntoPlayersMonstersItemsMissilesAndTheRest) {
  EXPECT_EQ(winquake::ClassifyModel("progs/player.mdl"), ModelKind::Player);
  EXPECT_EQ(winquake::ClassifyModel("progs/shambler.mdl"), ModelKind::Monster);
  EXPECT_EQ(winquake::ClassifyModel("progs/soldier.mdl"), ModelKind::Monster);
  EXPECT_EQ(winquake::ClassifyModel("progs/g_rock2.mdl"), ModelKind::Item);
  EXPECT_EQ(winquake::ClassifyModel("maps/b_bh25.bsp"), ModelKind::Item);
  EXPECT_EQ(winquake::ClassifyModel("progs/quaddama.mdl"), ModelKind::Item);
  EXPECT_EQ(winquake::ClassifyModel("progs/missile.mdl"), ModelKind::Missile);
  EXPECT_EQ(winquake::ClassifyModel("progs/s_spike.mdl"), ModelKind::Missile);
  EXPECT_EQ(winquake::ClassifyModel("*12"), ModelKind::Brush);
  EXPECT_EQ(winquake::ClassifyModel("maps/e1m1.bsp"), ModelKind::Brush);
  EXPECT_EQ(winquake::ClassifyModel("progs/flame2.mdl"), ModelKind::Other);
  EXPECT_EQ(winquake::ClassifyModel("progs/s_explod.spr"), ModelKind::Other);
  EXPECT_EQ(winquake::ClassifyModel("progs/h_player.mdl"), ModelKind::Other);  // a head is not a player
  EXPECT_EQ(winquake::ClassifyModel(""), ModelKind::None);
}

TEST(Entities, AnUpdateTakesWhatItDoesNotSayFromTheBaselineNotFromTheLastUpdate) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({Signon(), TestBlock{{" time 1s;", " entity 2 0xc2 frame 5 x 100;"}},
                                   TestBlock{{" time 1.1s;", " entity 2 0x84 y 50;"}}}));
  PlayState::Output out;
  s.ApplyBlock(d, d.blocks[0], out);
  s.ApplyBlock(d, d.blocks[1], out);
  const winquake::Entity& e = s.Entities().at(2);
  EXPECT_EQ(e.current.frame, 5);
  EXPECT_FLOAT_EQ(e.current.origin[0], 100.0f);
  EXPECT_EQ(e.current.model, 3);  // from the baseline
  s.ApplyBlock(d, d.blocks[2], out);
  EXPECT_EQ(e.current.frame, 0);                 // back to the baseline's frame
  EXPECT_FLOAT_EQ(e.current.origin[0], 256.0f);  // and its x
  EXPECT_FLOAT_EQ(e.current.origin[1], 50.0f);
  EXPECT_EQ(s.KindOf(e.current.model), ModelKind::Monster);
}

TEST(Entities, OnlyEntitiesOfTheLatestMovingFrameAreVisible) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({Signon(), FrameAt(1), TestBlock{{" time 1.1s;", " entity 1 0x82 x 8;"}},
                                   TestBlock{{" time 1.2s;", " print \"no entities here\\n\";"}}}));
  PlayState::Output out;
  s.ApplyBlock(d, d.blocks[0], out);
  EXPECT_FALSE(s.Visible(s.Entities().at(2)));  // a baseline alone is not drawn
  s.ApplyBlock(d, d.blocks[1], out);
  EXPECT_TRUE(s.Visible(s.Entities().at(2)));
  s.ApplyBlock(d, d.blocks[2], out);
  EXPECT_FALSE(s.Visible(s.Entities().at(2)));  // left out of the latest frame: gone
  EXPECT_TRUE(s.Visible(s.Entities().at(1)));
  s.ApplyBlock(d, d.blocks[3], out);             // a frame that moves nothing keeps the picture
  EXPECT_TRUE(s.Visible(s.Entities().at(1)));
}

TEST(Camera, EyeIsTheViewEntityPlusViewHeightAnglesFromTheBlockOrSetangle) {
  PlayState s;
  TestBlock moved{{" time 1s;", " entity 1 0x8e x 10 y 20 z 30;",
                   " clientdata 0x0201 viewheight 40 items 0x00000000 health 100 ammo 0 shells 0 nails 0 rockets 0 "
                   "cells 0 active 0;"},
                  "10 90 0"};
  TestBlock turned{{" time 1.1s;", " setangle 0 135 0;"}, "10 90 0"};
  TestBlock broken{{" time 1.2s;"}, "0x7fc00000 45 0"};
  const Demo d = LoadOrFail(DemoOf({Signon(), moved, turned, broken}));
  PlayState::Output out;
  float eye[3], angles[3];
  s.ApplyBlock(d, d.blocks[0], out);
  s.Camera(eye, angles);
  EXPECT_FLOAT_EQ(eye[2], 22.0f);  // the default view height over the baseline at 0 0 0
  s.ApplyBlock(d, d.blocks[1], out);
  s.Camera(eye, angles);
  EXPECT_FLOAT_EQ(eye[0], 10.0f);
  EXPECT_FLOAT_EQ(eye[1], 20.0f);
  EXPECT_FLOAT_EQ(eye[2], 70.0f);
  EXPECT_FLOAT_EQ(angles[0], 10.0f);
  EXPECT_FLOAT_EQ(angles[1], 90.0f);
  s.ApplyBlock(d, d.blocks[2], out);
  s.Camera(eye, angles);
  EXPECT_FLOAT_EQ(angles[1], 135.0f);  // setangle comes after the block's own camera
  s.ApplyBlock(d, d.blocks[3], out);
  s.Camera(eye, angles);
  EXPECT_FLOAT_EQ(angles[0], 0.0f);  // a camera line that is not a number changes nothing
  EXPECT_FLOAT_EQ(angles[1], 135.0f);

  // A view entity the demo never mentioned: the camera stays at the origin.
  PlayState fresh;
  const Demo v = LoadOrFail(DemoOf({TestBlock{{" setview 999;"}}}));
  PlayAll(fresh, v);
  fresh.Camera(eye, angles);
  EXPECT_FLOAT_EQ(eye[0], 0.0f);
  EXPECT_FLOAT_EQ(eye[2], 22.0f);
}

TEST(Blocks, TextsAndCommandsAreHandedBackInOrder) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({TestBlock{{" print \"a\";", " stufftext \"v_cshift 0 0 0 \";",
                                               " stufftext \"90;wait\\n\";", " print \"b\\n\";", " disconnect;"}}}));
  const PlayState::Output out = PlayAll(s, d);
  EXPECT_EQ(out.prints, (std::vector<std::string>{"a", "b\n"}));
  EXPECT_EQ(out.stuffText, (std::vector<std::string>{"v_cshift 0 0 0 ", "90;wait\n"}));
  EXPECT_TRUE(out.disconnect);
}

TEST(Texts, CentreTextTimesOutFinaleTextStays) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({TestBlock{{" centerprint \"Hello\";"}}, TestBlock{{" finale \"The End\";"}}}));
  PlayState::Output out;
  s.ApplyBlock(d, d.blocks[0], out);
  EXPECT_TRUE(s.CenterVisible());
  EXPECT_EQ(s.CenterText(), "Hello");
  s.Advance(PlayState::kCenterSeconds - 0.1);
  EXPECT_TRUE(s.CenterVisible());
  s.Advance(0.2);
  EXPECT_FALSE(s.CenterVisible());
  s.ApplyBlock(d, d.blocks[1], out);
  s.Advance(100);
  EXPECT_TRUE(s.CenterVisible());
  EXPECT_EQ(s.Intermission(), 2);
}

TEST(Tints, CshiftStaysBonusFlashAndDamageFadeWithDemoTime) {
  PlayState s;
  s.SetEmptyShift({0, 0, 0, 128});
  winquake::Blend b = s.CurrentBlend();
  EXPECT_NEAR(b.alpha, 128 / 255.0, 1e-9);
  EXPECT_NEAR(b.r, 0, 1e-9);

  s.BonusFlash();
  b = s.CurrentBlend();
  EXPECT_GT(b.alpha, 128 / 255.0);
  EXPECT_GT(b.r, 0);  // the flash's gold lies over the black
  s.Advance(0.25);
  EXPECT_NEAR(s.BonusShift().percent, 25, 1e-9);
  s.Advance(0.3);
  EXPECT_EQ(s.BonusShift().percent, 0);
  s.Advance(-5);  // time never runs backwards for the tints
  EXPECT_EQ(s.BonusShift().percent, 0);

  const Demo d = LoadOrFail(DemoOf({TestBlock{{" damage armor 0 blood 20 from 0 0 0;"}}}));
  PlayAll(s, d);
  EXPECT_EQ(s.DamageShift().percent, 60);
  EXPECT_EQ(s.DamageShift().r, 255);
  s.Advance(1);
  EXPECT_EQ(s.DamageShift().percent, 0);

  s.Reset();  // a new demo: the console's tint is kept, the flashes are not
  EXPECT_EQ(s.EmptyShift().percent, 128);
  EXPECT_EQ(s.BonusShift().percent, 0);
}

TEST(Levels, ANewServerinfoClearsTheLevelButKeepsTimeAndTint) {
  PlayState s;
  s.SetEmptyShift({10, 20, 30, 40});
  const Demo d = LoadOrFail(DemoOf({Signon(), FrameAt(5), TestBlock{{" centerprint \"x\";", " intermission;"}},
                                   TestBlock{{" print \"\\x02\\nBANNER\";",
                                              " serverinfo 15 maxclients 1 gametype 0 level \"Next\";",
                                              " precache_model \"maps/next.bsp\";"}}}));
  PlayState::Output out;
  for (std::size_t i = 0; i < 3; ++i) s.ApplyBlock(d, d.blocks[i], out);
  EXPECT_EQ(s.Intermission(), 1);
  EXPECT_GT(s.Entities().size(), 2u);
  out = PlayState::Output();
  s.ApplyBlock(d, d.blocks[3], out);
  EXPECT_TRUE(s.Entities().empty());
  EXPECT_EQ(s.Intermission(), 0);
  EXPECT_FALSE(s.CenterVisible());
  EXPECT_EQ(s.KindOf(2), ModelKind::None);  // the old model list is gone
  EXPECT_EQ(s.KindOf(1), ModelKind::Brush);
  EXPECT_DOUBLE_EQ(s.Time(), 5.0);
  EXPECT_EQ(s.EmptyShift().percent, 40);
  // The level's name ends the banner's open line.
  EXPECT_EQ(out.prints, (std::vector<std::string>{"\x02\nBANNER", "\n", "\x02Next\n"}));
}

TEST(Particles, TempEntitiesSpawnParticlesThatDieAndNeverOverflow) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({TestBlock{{" tempentity explosion 0 0 0;"}}}));
  PlayAll(s, d);
  const std::size_t n = s.Particles().size();
  EXPECT_GT(n, 50u);
  s.Advance(0.3);
  EXPECT_EQ(s.Particles().size(), n);  // still alive
  s.Advance(1.0);
  EXPECT_TRUE(s.Particles().empty());

  const Demo beam = LoadOrFail(DemoOf({TestBlock{{" tempentity lightning1 entity 1 start 0 0 0 end 120 0 0;"}}}));
  PlayAll(s, beam);
  ASSERT_FALSE(s.Particles().empty());
  for (const winquake::Particle& p : s.Particles()) {
    EXPECT_GE(p.origin[0], 0.0f);
    EXPECT_LE(p.origin[0], 120.0f);
    EXPECT_FLOAT_EQ(p.origin[1], 0.0f);
  }

  std::vector<std::string> many;
  for (int i = 0; i < 40; ++i) many.push_back(" particle 0 0 0 dir 0 0 0 count 255 color 73;");
  const Demo flood = LoadOrFail(DemoOf({TestBlock{many}}));
  PlayAll(s, flood);
  EXPECT_EQ(s.Particles().size(), PlayState::kMaxParticles);
}

TEST(Stats, ClientdataStatsAndCounters) {
  PlayState s;
  const Demo d = LoadOrFail(DemoOf({TestBlock{{" updatestat 12 9;", " killedmonster;", " killedmonster;",
                                               " foundsecret;", " updatestat 200 1;", " setpause 1;"}}}));
  PlayAll(s, d);
  EXPECT_EQ(s.Stat(winquake::kStatTotalMonsters), 9);
  EXPECT_EQ(s.Stat(winquake::kStatMonsters), 2);
  EXPECT_EQ(s.Stat(winquake::kStatSecrets), 1);
  EXPECT_EQ(s.Stat(200), 0);  // out of range: ignored
  EXPECT_TRUE(s.Paused());
  EXPECT_FALSE(s.HasClientData());
}

}  // namespace
