// Screenshots: the lowest free quakeNN.pcx, a whole 8-bit PCX of the
// screen, never replacing a file and never leaving a temporary one.
#include "screenshot.h"

#include <sys/stat.h>

#include <filesystem>

#include "imaging/pcx.h"
#include "support/testsupport.h"
#include "wq_test_util.h"

namespace {

using clipvex::test::TempDir;
using winquake::Framebuffer;

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

Framebuffer Pattern() {
  Framebuffer fb;
  for (int y = 0; y < winquake::kScreenHeight; ++y)
    for (int x = 0; x < winquake::kScreenWidth; ++x) fb.Set(x, y, static_cast<std::uint8_t>((x / 10 + y) & 0xff));
  return fb;
}

TEST(ScreenshotNames, TwoDigitsAndTheLowestFreeNumber) {
  EXPECT_EQ(winquake::ScreenshotName(0), "quake00.pcx");
  EXPECT_EQ(winquake::ScreenshotName(9), "quake09.pcx");
  EXPECT_EQ(winquake::ScreenshotName(10), "quake10.pcx");
  EXPECT_EQ(winquake::ScreenshotName(99), "quake99.pcx");
  TempDir dir;
  EXPECT_EQ(winquake::LowestFreeScreenshot(dir.Path()), 0);
  clipvex::test::WriteFile(dir.File("quake00.pcx"), "x");
  clipvex::test::WriteFile(dir.File("quake02.pcx"), "x");
  EXPECT_EQ(winquake::LowestFreeScreenshot(dir.Path()), 1);  // a gap is filled first
  std::filesystem::create_symlink("nowhere", dir.File("quake01.pcx"));
  EXPECT_EQ(winquake::LowestFreeScreenshot(dir.Path()), 3);  // a dangling link is a name in use
}

TEST(ScreenshotFile, IsAComplete8BitPcxOfTheScreenWithItsPalette) {
  TempDir dir;
  const Framebuffer fb = Pattern();
  winquake::Blend red;
  red.r = 255, red.alpha = 0.5;
  const winquake::Palette palette = winquake::ShiftedPalette(red);
  const winquake::ScreenshotResult r = winquake::WriteScreenshot(dir.Path(), fb, palette);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.name, "quake00.pcx");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"quake00.pcx"});  // no temporary file is left

  const std::string bytes = clipvex::test::ReadFile(dir.File("quake00.pcx"));
  ASSERT_GT(bytes.size(), 128u + 769u);
  EXPECT_EQ(static_cast<unsigned char>(bytes[0]), 0x0a);  // PCX
  EXPECT_EQ(bytes[3], 8);                                  // bits per pixel
  EXPECT_EQ(bytes[65], 1);                                 // one plane: paletted
  EXPECT_EQ(static_cast<unsigned char>(bytes[bytes.size() - 769]), 0x0c);  // the palette follows
  const clipvex::RgbImage img = clipvex::DecodePcx(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  ASSERT_EQ(img.width, 320);
  ASSERT_EQ(img.height, 240);
  for (int y = 0; y < 240; y += 17) {
    for (int x = 0; x < 320; x += 13) {
      const std::uint8_t idx = fb.At(x, y);
      const std::size_t at = (static_cast<std::size_t>(y) * 320 + x) * 3;
      ASSERT_EQ(img.pixels[at], palette[idx * 3]) << x << "," << y;
      ASSERT_EQ(img.pixels[at + 1], palette[idx * 3 + 1]);
      ASSERT_EQ(img.pixels[at + 2], palette[idx * 3 + 2]);
    }
  }
  struct stat st {};
  ASSERT_EQ(::stat(dir.File("quake00.pcx").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0444, 0444u);  // others may read it
}

TEST(ScreenshotFile, NeverReplacesAFileAndStopsWhenAllHundredExist) {
  TempDir dir;
  clipvex::test::WriteFile(dir.File("quake00.pcx"), "keep me");
  winquake::ScreenshotResult r = winquake::WriteScreenshot(dir.Path(), Pattern(), winquake::BasePalette());
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.name, "quake01.pcx");
  EXPECT_EQ(clipvex::test::ReadFile(dir.File("quake00.pcx")), "keep me");

  for (int i = 2; i < winquake::kMaxScreenshots; ++i) clipvex::test::WriteFile(dir.File(winquake::ScreenshotName(i)), "old");
  const auto before = Names(dir.Path());
  r = winquake::WriteScreenshot(dir.Path(), Pattern(), winquake::BasePalette());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "quake00.pcx to quake99.pcx all exist; nothing written");
  EXPECT_EQ(Names(dir.Path()), before);
  EXPECT_EQ(clipvex::test::ReadFile(dir.File("quake99.pcx")), "old");
}

TEST(ScreenshotFile, AMissingOrReadOnlyFolderGivesAnErrorAndNoFile) {
  TempDir dir;
  const winquake::ScreenshotResult r =
      winquake::WriteScreenshot(dir.File("no/such/folder"), Pattern(), winquake::BasePalette());
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "couldn't write quake00.pcx: No such file or directory");
  EXPECT_TRUE(Names(dir.Path()).empty());

  const std::string readOnly = dir.File("read-only");
  std::filesystem::create_directory(readOnly);
  dir.OpenToAll();
  clipvex::test::MakeReadOnly(readOnly);
  {
    clipvex::test::UnprivilegedUser user;
    const winquake::ScreenshotResult shot = winquake::WriteScreenshot(readOnly, Pattern(), winquake::BasePalette());
    EXPECT_FALSE(shot.ok);
    EXPECT_EQ(shot.error, "couldn't write quake00.pcx: Permission denied");
  }
  EXPECT_TRUE(Names(readOnly).empty());
}

}  // namespace
