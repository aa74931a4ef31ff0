#include "preview/shotfiles.h"

#include <gtest/gtest.h>

#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;

RgbImage Filled(int width, int height, const std::function<std::uint8_t(int x, int y, int c)>& value) {
  RgbImage image;
  image.width = width;
  image.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 3; ++c) image.pixels.push_back(value(x, y, c));
    }
  }
  return image;
}

TEST(ShrinkToFit, TakesTheMeanOfEachSquareOfTheLeastWholeFactor) {
  // Columns alternate 0 and 100, rows add 0 or 2: each 2 x 2 square means 51.
  const RgbImage big =
      Filled(640, 480, [](int x, int y, int) { return static_cast<std::uint8_t>(x % 2 * 100 + y % 2 * 2); });
  const RgbImage small = ShrinkToFit(big, 320, 240);
  EXPECT_EQ(small.width, 320);
  EXPECT_EQ(small.height, 240);
  EXPECT_EQ(small.pixels, std::vector<std::uint8_t>(320 * 240 * 3, 51));
  const RgbImage wide =
      ShrinkToFit(Filled(1920, 1080, [](int, int, int c) { return static_cast<std::uint8_t>(c); }), 320, 240);
  EXPECT_EQ(wide.width, 320);
  EXPECT_EQ(wide.height, 180);
  EXPECT_EQ(wide.pixels[5], 2);
  const RgbImage fits = Filled(64, 48, [](int x, int, int) { return static_cast<std::uint8_t>(x); });
  EXPECT_EQ(ShrinkToFit(fits, 320, 240).pixels, fits.pixels);
}

TEST(FreeShotNames, SkipTheNumbersFilesHave) {
  TempDir dir;
  for (const char* name : {"spasm0000.png", "spasm0002.png", "spasm1.png", "other.png"})
    test::WriteFile(dir.File(name), "");
  EXPECT_EQ(FreeShotNames(dir.Path(), *ParseShotPattern("spasm####.png"), 3),
            (std::vector<std::string>{"spasm0001.png", "spasm0003.png", "spasm0004.png"}));
  EXPECT_EQ(FreeShotNames(dir.Path(), *ParseShotPattern("spasm#.png"), 20).size(), 9u) << "spasm1.png is taken";
}

TEST(MakeThumbnail, APngWithNothingToReadItStays) {
  TempDir dir;
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
  test::WriteFile(dir.File("s0.png"), png);
  EXPECT_TRUE(ShotComplete(dir.File("s0.png"), ShotFormat::Png));
  EXPECT_FALSE(MakeThumbnail(dir.File("s0.png"), dir.File("M4.pcx"), ShotFormat::Png, nullptr));
  EXPECT_TRUE(test::FileExists(dir.File("s0.png")));
  EXPECT_FALSE(test::FileExists(dir.File("M4.pcx")));
}

}  // namespace
}  // namespace clipvex
