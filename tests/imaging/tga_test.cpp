#include "imaging/tga.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/png.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 2 x 2 picture: red, green on the top row; blue, white below.
const Bytes kRgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};

Bytes Header(int type, int depth, int width, int height, int descriptor, int mapLength = 0, int mapDepth = 0) {
  Bytes b(18, 0);
  b[1] = mapLength > 0 ? 1 : 0;
  b[2] = static_cast<std::uint8_t>(type);
  b[5] = static_cast<std::uint8_t>(mapLength);
  b[7] = static_cast<std::uint8_t>(mapDepth);
  b[12] = static_cast<std::uint8_t>(width);
  b[14] = static_cast<std::uint8_t>(height);
  b[16] = static_cast<std::uint8_t>(depth);
  b[17] = static_cast<std::uint8_t>(descriptor);
  return b;
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* what;
  Bytes file;
  Bytes pixels;  // the picture as RGB, rows from the top
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.what; }

class TgaDecode : public ::testing::TestWithParam<Case> {};

TEST_P(TgaDecode, GivesThePictureAndIsCompleteOnlyWithItsLastByte) {
  const Bytes& file = GetParam().file;
  const RgbImage image = DecodeTga(file.data(), file.size());
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.pixels, GetParam().pixels);
  EXPECT_TRUE(TgaComplete(file.data(), file.size()));
  // An engine writing the file in place: every shorter piece is not yet a picture.
  for (std::size_t size = 0; size < file.size(); ++size) {
    EXPECT_FALSE(TgaComplete(file.data(), size)) << size << " of " << file.size() << " bytes";
    EXPECT_NE(test::ErrorOf<TgaError>([&] { DecodeTga(file.data(), size); }).find("truncated"), std::string::npos)
        << size;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, TgaDecode,
    ::testing::Values(
        // Rows from the bottom, blue green red.
        Case{"stored 24-bit", Cat(Header(2, 24, 2, 2, 0), {255, 0, 0, 255, 255, 255, 0, 0, 255, 0, 255, 0}), kRgb},
        // Rows from the top, with alpha.
        Case{"stored 32-bit top-down",
             Cat(Header(2, 32, 2, 2, 0x28), {0, 0, 255, 9, 0, 255, 0, 9, 255, 0, 0, 9, 255, 255, 255, 9}), kRgb},
        // 5-5-5: red 0x7C00, green 0x03E0, blue 0x001F, white 0x7FFF; right to left.
        Case{"stored 16-bit right to left",
             Cat(Header(2, 16, 2, 2, 0x30), {0xE0, 0x03, 0x00, 0x7C, 0xFF, 0x7F, 0x1F, 0x00}), kRgb},
        // A run of two bottom pixels would differ: one raw packet of two, then a run.
        Case{"run-length 24-bit",
             Cat(Header(10, 24, 2, 2, 0x20), {0x01, 0, 0, 255, 0, 255, 0, 0x00, 255, 0, 0, 0x80, 255, 255, 255}), kRgb},
        Case{"grey", Cat(Header(3, 8, 2, 2, 0x20), {10, 20, 30, 40}),
             Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40}},
        Case{"colour-mapped",
             Cat(Header(1, 8, 2, 2, 0x20, 4, 24), {0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 0, 1, 2, 3}), kRgb}),
    [](const ::testing::TestParamInfo<Case>& info) {
      std::string name;
      for (const char* c = info.param.what; *c != '\0'; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
      }
      return name;
    });

TEST(TgaDecode, RefusesWhatItCannotDecodeWithAReason) {
  const struct {
    Bytes file;
    const char* reason;
  } bad[] = {
      {Bytes(10, 0), "truncated"},
      {Header(5, 24, 2, 2, 0), "Unsupported TGA image type 5"},
      {Header(2, 12, 2, 2, 0), "Unsupported TGA pixel depth 12"},
      {Header(3, 24, 2, 2, 0), "Unsupported TGA grey depth 24"},
      {Header(1, 8, 2, 2, 0), "has no colour map"},
      {Header(2, 24, 0, 2, 0), "has no pixels"},
      {Cat(Header(1, 8, 1, 1, 0, 1, 24), {0, 0, 0, 7}), "a colour its map does not hold"},
  };
  for (const auto& b : bad) {
    EXPECT_NE(test::ErrorOf<TgaError>([&] { DecodeTga(b.file.data(), b.file.size()); }).find(b.reason),
              std::string::npos)
        << b.reason;
  }
  // Past the limits: refused from the header alone, nothing allocated.
  Bytes huge = Header(2, 24, 0, 0, 0);
  huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
  EXPECT_NE(test::ErrorOf<TgaError>([&] { DecodeTga(huge.data(), huge.size()); }).find("too large"), std::string::npos);
  EXPECT_FALSE(TgaComplete(huge.data(), huge.size()));
}

TEST(PngComplete, NeedsTheSignatureAndTheEndChunk) {
  // A 1 x 1 grey picture.
  const Bytes png = {0x89, 'P',  'N',  'G',  '\r', '\n', 0x1A, '\n', 0,    0,    0,    13,  'I',  'H',  'D',  'R',  0,
                     0,    0,    1,    0,    0,    0,    1,    8,    0,    0,    0,    0,   0x3A, 0x7E, 0x9B, 0x55, 0,
                     0,    0,    10,   'I',  'D',  'A',  'T',  0x78, 0x9C, 0x63, 0x60, 0,   0,    0,    2,    0,    1,
                     0x73, 0x75, 0x01, 0x18, 0,    0,    0,    0,    'I',  'E',  'N',  'D', 0xAE, 0x42, 0x60, 0x82};
  EXPECT_TRUE(PngComplete(png.data(), png.size()));
  for (std::size_t size = 0; size < png.size(); ++size) EXPECT_FALSE(PngComplete(png.data(), size)) << size;
  Bytes notPng = png;
  notPng[1] = 'X';
  EXPECT_FALSE(PngComplete(notPng.data(), notPng.size()));
  EXPECT_FALSE(PngComplete(nullptr, 0));
}

}  // namespace
}  // namespace clipvex
