// The picture: projection from the demo's camera, entity markers by kind,
// texts, the console, the tint in the palette, and real demos giving
// different pictures at different moments.
#include "render.h"

#include <cmath>

#include "font.h"
#include "palette.h"
#include "support/fixtures.h"
#include "wq_test_util.h"

namespace {

using namespace wq_test;
using winquake::Camera;
using winquake::Demo;
using winquake::Framebuffer;
using winquake::kScreenHeight;
using winquake::kScreenWidth;
using winquake::PlayState;

std::size_t CountRow(const Framebuffer& fb, std::uint8_t row, int x0 = 0, int y0 = 0, int x1 = kScreenWidth,
                     int y1 = kScreenHeight) {
  std::size_t n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) n += (fb.At(x, y) & 0xf0) == row;
  return n;
}

TEST(Projection, AheadIsTheCentreLeftIsLeftBehindIsHidden) {
  const float eye[3] = {0, 0, 0};
  const float yaw0[3] = {0, 0, 0};
  const Camera cam(eye, yaw0);
  const float ahead[3] = {100, 0, 0}, left[3] = {100, 50, 0}, up[3] = {100, 0, 50}, behind[3] = {-100, 0, 0};
  winquake::Projection p = cam.Project(ahead);
  ASSERT_TRUE(p.visible);
  EXPECT_DOUBLE_EQ(p.x, 160);
  EXPECT_DOUBLE_EQ(p.y, 120);
  EXPECT_DOUBLE_EQ(p.depth, 100);
  EXPECT_LT(cam.Project(left).x, 160);  // +y is to the left
  EXPECT_LT(cam.Project(up).y, 120);    // +z is up
  EXPECT_FALSE(cam.Project(behind).visible);
  const float nan[3] = {NAN, 0, 0};
  EXPECT_FALSE(cam.Project(nan).visible);

  const float yaw90[3] = {0, 90, 0};  // turned left: +y is now ahead
  const Camera turned(eye, yaw90);
  p = turned.Project(left);
  ASSERT_TRUE(p.visible);
  EXPECT_NEAR(p.depth, 50, 1e-9);
  const float pitchDown[3] = {30, 0, 0};
  const Camera down(eye, pitchDown);
  EXPECT_LT(down.Project(up).y, 120 - 50 * 160 / 100.0);  // looking down moves a point above higher up
}

TEST(View, MarkersAreColouredByKindAndSizedByDistance) {
  PlayState s;
  const Demo demoNear = LoadOrFail(DemoOf({Signon(), FrameAt(1, 128)}));
  PlayState::Output out;
  for (const auto& b : demoNear.blocks) s.ApplyBlock(demoNear, b, out);
  Framebuffer fb;
  winquake::RenderView(s, fb);
  const std::size_t nearRed = CountRow(fb, winquake::kRowRed);
  EXPECT_EQ((fb.At(160, 140) & 0xf0), winquake::kRowRed);  // the soldier straight ahead, below the eye
  EXPECT_EQ(CountRow(fb, winquake::kRowGreen), 0u);         // the player is the camera, never drawn

  PlayState far;
  const Demo demoFar = LoadOrFail(DemoOf({Signon(), FrameAt(1, 512)}));
  for (const auto& b : demoFar.blocks) far.ApplyBlock(demoFar, b, out);
  winquake::RenderView(far, fb);
  const std::size_t farRed = CountRow(fb, winquake::kRowRed);
  EXPECT_GT(farRed, 0u);
  EXPECT_LT(farRed * 8, nearRed);  // four times as far: a sixteenth of the area, give or take the edges
}

TEST(View, GroundGridMovesWithTheCameraAndParticlesShow) {
  PlayState a, b;
  PlayState::Output out;
  const Demo da = LoadOrFail(DemoOf({Signon(), TestBlock{{" time 1s;", " entity 1 0x8e x 0 y 0 z 0;"}}}));
  const Demo db = LoadOrFail(DemoOf({Signon(), TestBlock{{" time 1s;", " entity 1 0x8e x 0 y 24 z 0;"}}}));
  for (const auto& blk : da.blocks) a.ApplyBlock(da, blk, out);
  for (const auto& blk : db.blocks) b.ApplyBlock(db, blk, out);
  Framebuffer fa, fb;
  winquake::RenderView(a, fa);
  winquake::RenderView(b, fb);
  EXPECT_GT(CountRow(fa, winquake::kRowSky, 0, 0, kScreenWidth, 100), 30000u);  // sky above the horizon
  EXPECT_NE(fa.pixels, fb.pixels);                                               // the grid slid sideways

  const Demo boom = LoadOrFail(DemoOf({TestBlock{{" tempentity explosion 200 0 22;"}}}));
  for (const auto& blk : boom.blocks) a.ApplyBlock(boom, blk, out);
  Framebuffer withParticles;
  winquake::RenderView(a, withParticles);
  EXPECT_GT(CountRow(withParticles, winquake::kRowFlame), 20u);
}

TEST(Texts, GlyphsLandInTheirCellsAndClipAtTheEdges) {
  Framebuffer fb;
  winquake::DrawText(fb, 0, 0, "I", 7, 9);
  // 'I' has a bar across its top row, columns 1 to 3 of the glyph (x 2..4 of the cell).
  EXPECT_EQ(fb.At(2, 0), 7);
  EXPECT_EQ(fb.At(4, 0), 7);
  EXPECT_EQ(fb.At(0, 0), 0);
  winquake::DrawText(fb, 8, 0, "\xc9", 7, 9);  // 'I' | 0x80 draws in gold
  EXPECT_EQ(fb.At(10, 0), 9);
  winquake::DrawText(fb, -4, -4, "edge", 7, 9);
  winquake::DrawText(fb, kScreenWidth - 3, kScreenHeight - 3, "edge", 7, 9);
  winquake::DrawText(fb, 100000, 100000, "far", 7, 9);
  winquake::FillRect(fb, -10, -10, 5, 5, 3);
  winquake::FillRect(fb, kScreenWidth - 2, 0, 50, 1, 3);
  EXPECT_EQ(fb.At(kScreenWidth - 1, 0), 3);
  EXPECT_EQ(winquake::FormatDemoTime(12.346), "12.35");
  EXPECT_EQ(winquake::FormatDemoTime(75.5), "1:15.50");
  EXPECT_EQ(winquake::FormatDemoTime(3725.25), "1:02:05.25");
  EXPECT_EQ(winquake::FormatDemoTime(-0.5), "-0.50");
  EXPECT_EQ(winquake::FormatDemoTime(NAN), "-");
}

TEST(Hud, DemoTimeCentreTextAndStatusShow) {
  PlayState s;
  PlayState::Output out;
  const Demo d = LoadOrFail(DemoOf(
      {Signon(), TestBlock{{" time 12.5s;", " centerprint \"MIDDLE\";",
                            " clientdata 0x0200 items 0x00000000 health 77 ammo 5 shells 0 nails 0 rockets 0 cells 0 "
                            "active 0;"}}}));
  for (const auto& b : d.blocks) s.ApplyBlock(d, b, out);
  Framebuffer fb;
  winquake::RenderHud(s, fb);
  // The time in the bottom right corner, the status in the bottom left, the text in the middle.
  EXPECT_GT(CountRow(fb, winquake::kRowUi, 260, 228, kScreenWidth, kScreenHeight), 100u);
  EXPECT_GT(CountRow(fb, winquake::kRowUi, 0, 228, 100, kScreenHeight), 100u);
  EXPECT_GT(CountRow(fb, winquake::kRowUi, 100, 70, 220, 90), 20u);
  EXPECT_EQ(CountRow(fb, winquake::kRowUi, 0, 120, kScreenWidth, 220), 0u);
}

TEST(ConsolePicture, CoversExactlyItsRowsAndShowsTheInputLine) {
  winquake::Console c;
  c.Print("hello\n", 0);
  c.Type('x');
  Framebuffer fb;
  winquake::RenderConsole(c, 100, 0.0, fb);
  EXPECT_EQ(CountRow(fb, winquake::kRowUi, 0, 0, kScreenWidth, 100), static_cast<std::size_t>(kScreenWidth) * 100);
  EXPECT_EQ(CountRow(fb, winquake::kRowUi, 0, 100, kScreenWidth, kScreenHeight), 0u);
  // "]x" and the cursor sit on the input line, just above the edge.
  const int inputY = 100 - 4 - winquake::kCharHeight;
  std::size_t white = 0;
  for (int y = inputY; y < inputY + 8; ++y)
    for (int x = 0; x < 24; ++x) white += fb.At(x, y) == winquake::kUiWhite;
  EXPECT_GT(white, 10u);
  winquake::RenderConsole(c, 0, 0.0, fb);
  winquake::RenderConsole(c, 100000, 0.0, fb);  // clipped to the screen
}

TEST(Tint, ShiftCoversTheViewRowsAndLeavesTheConsoleRow) {
  winquake::Blend black;
  black.alpha = 1.0;
  const winquake::Palette p = winquake::ShiftedPalette(black);
  const winquake::Palette& base = winquake::BasePalette();
  for (int i = 0; i < 15 * 16 * 3; ++i) ASSERT_EQ(p[i], 0) << i;
  for (int i = 15 * 16 * 3; i < 768; ++i) ASSERT_EQ(p[i], base[i]) << i;
  winquake::Blend none;
  EXPECT_EQ(winquake::ShiftedPalette(none), base);
  winquake::Blend half;
  half.r = 255, half.g = 0, half.b = 0, half.alpha = 0.5;
  const winquake::Palette h = winquake::ShiftedPalette(half);
  EXPECT_EQ(h[0], std::lround((base[0] + 255) / 2.0));  // half way to red
  EXPECT_EQ(h[1], std::lround(base[1] / 2.0));
}

// Two moments a few seconds apart in a real recording give different
// pictures, and so do all nine frames of a strip a second apart.
TEST(RealDemo, MomentsSecondsApartLookDifferent) {
  CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder());
  std::string error;
  std::optional<Demo> d = winquake::LoadDemoFile(clipvex::test::DemoFixture("p15_e4m2_id101.dem"), error);
  ASSERT_TRUE(d.has_value()) << error;
  PlayState s;
  PlayState::Output out;
  std::vector<std::vector<std::uint8_t>> pictures;
  double next = 0;
  for (const auto& b : d->blocks) {
    s.ApplyBlock(*d, b, out);
    if (b.hasTime && b.time >= next && pictures.size() < 9) {
      if (next == 0) next = b.time;
      Framebuffer fb;
      winquake::RenderView(s, fb);
      winquake::RenderHud(s, fb);
      pictures.push_back(fb.pixels);
      next += 3.0;
    }
  }
  ASSERT_EQ(pictures.size(), 9u);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    for (std::size_t j = i + 1; j < pictures.size(); ++j) {
      std::size_t differ = 0;
      for (std::size_t k = 0; k < pictures[i].size(); ++k) differ += pictures[i][k] != pictures[j][k];
      EXPECT_GT(differ, 500u) << "pictures " << i << " and " << j;
    }
  }
}

}  // namespace
