#include "imaging/pcx.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/testsupport.h"

namespace clipvex {
namespace {

using Bytes = std::vector<std::uint8_t>;
// The text of the PcxError that `call` raises, or "no error".
template <typename Call>
std::string ErrorOf(Call&& call) {
  return test::ErrorOf<PcxError>(std::forward<Call>(call));
}

// A header as any writer might fill it in.
struct Header {
  int version = 5;
  int encoding = 1;
  int bits = 8;
  int planes = 1;
  int xMin = 0;
  int yMin = 0;
  int xMax = 0;
  int yMax = 0;
  int bytesPerLine = 0;
};

void Put16(Bytes& b, std::size_t at, int v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// A file of `h`, the body as given and, when given, a 256-colour palette.
Bytes File(const Header& h, const Bytes& body, const Bytes* palette = nullptr) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = static_cast<std::uint8_t>(h.version);
  b[2] = static_cast<std::uint8_t>(h.encoding);
  b[3] = static_cast<std::uint8_t>(h.bits);
  Put16(b, 4, h.xMin);
  Put16(b, 6, h.yMin);
  Put16(b, 8, h.xMax);
  Put16(b, 10, h.yMax);
  b[65] = static_cast<std::uint8_t>(h.planes);
  Put16(b, 66, h.bytesPerLine);
  // Grown and copied rather than inserted: GCC 12 at -O3 takes an insert
  // at the end of this vector for a write past it (-Warray-bounds).
  b.resize(128 + body.size());
  std::copy(body.begin(), body.end(), b.begin() + 128);
  if (palette) {
    b.push_back(0x0C);
    b.insert(b.end(), palette->begin(), palette->end());
  }
  return b;
}

// Entry i is (i, 255 - i, 7 i mod 256): every entry differs in every channel.
Bytes TestPalette() {
  Bytes p(768);
  for (int i = 0; i < 256; ++i) {
    p[3 * i] = static_cast<std::uint8_t>(i);
    p[3 * i + 1] = static_cast<std::uint8_t>(255 - i);
    p[3 * i + 2] = static_cast<std::uint8_t>(7 * i);
  }
  return p;
}

Bytes ThroughPalette(const Bytes& indices, const Bytes& palette) {
  Bytes rgb;
  for (std::uint8_t i : indices) rgb.insert(rgb.end(), &palette[3 * i], &palette[3 * i] + 3);
  return rgb;
}

RgbImage Decode(const Bytes& file) { return DecodePcx(file.data(), file.size()); }

// Rows of runs of every length from 1 to 130 (past one 63-byte run), with
// values cycling through all 256, those that look like run counts included.
Bytes RunnyPixels(int width, int height, int channels) {
  Bytes out;
  int value = 0xBE, run = 1, left = 1;
  for (int i = 0; i < width * height * channels; ++i) {
    out.push_back(static_cast<std::uint8_t>(value));
    if (--left == 0) {
      value = (value + 1) & 0xFF;
      run = run % 130 + 1;
      left = run;
    }
  }
  return out;
}

// The most memory the process has held so far, in KiB.
long PeakKib() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

TEST(PcxEncode, EightBitFileHasTheFixedHeaderEvenLinesAndRuns) {
  Bytes palette = TestPalette();
  const Bytes indices = {0xC5, 7, 7, 1, 1, 1};  // 3 x 2
  Bytes file = EncodePcx8(3, 2, indices.data(), palette.data());
  Header h;
  h.xMax = 2;
  h.yMax = 1;
  h.bytesPerLine = 4;  // padded to even
  // A lone byte that looks like a count goes out as a run of one; runs end
  // with the line, the zero padding included.
  Bytes expected = File(h, {0xC1, 0xC5, 0xC2, 7, 0, 0xC3, 1, 0}, &palette);
  Put16(expected, 12, 72);
  Put16(expected, 14, 72);
  Put16(expected, 68, 1);
  EXPECT_EQ(file, expected);
}

TEST(PcxEncode, TwentyFourBitFileHasRedGreenBluePlanesPerLine) {
  RgbImage image{2, 1, {10, 20, 30, 10, 21, 0xC8}};
  Bytes file = EncodePcx24(image);
  ASSERT_GT(file.size(), 128u);
  EXPECT_EQ(file[1], 5);
  EXPECT_EQ(file[2], 1);
  EXPECT_EQ(file[3], 8);
  EXPECT_EQ(file[65], 3);
  EXPECT_EQ(file[66], 2);
  EXPECT_EQ(Bytes(file.begin() + 128, file.end()), (Bytes{0xC2, 10, 20, 21, 30, 0xC1, 0xC8}));
}

TEST(PcxEncode, RoundTripsThroughTheDecoder) {
  Bytes palette = TestPalette();
  for (int width : {1, 2, 63, 64, 131, 201}) {
    const int height = 7;
    Bytes indices = RunnyPixels(width, height, 1);
    RgbImage got = Decode(EncodePcx8(width, height, indices.data(), palette.data()));
    EXPECT_EQ(got.width, width);
    EXPECT_EQ(got.height, height);
    EXPECT_EQ(got.pixels, ThroughPalette(indices, palette)) << width;

    RgbImage rgb{width, height, RunnyPixels(width, height, 3)};
    RgbImage back = Decode(EncodePcx24(rgb));
    EXPECT_EQ(back.width, width);
    EXPECT_EQ(back.height, height);
    EXPECT_EQ(back.pixels, rgb.pixels) << width;
  }
  // 200 equal bytes that look like a count: runs of 63, 63, 63 and 11.
  Bytes flat(200, 0xD0);
  Bytes file = EncodePcx8(200, 1, flat.data(), palette.data());
  EXPECT_EQ(Bytes(file.begin() + 128, file.end() - 769), (Bytes{0xFF, 0xD0, 0xFF, 0xD0, 0xFF, 0xD0, 0xCB, 0xD0}));
  EXPECT_EQ(Decode(file).pixels, ThroughPalette(flat, palette));
  // A flat screenshot line is five runs of 63 and one of 5.
  Bytes screen(320 * 240, 4);
  EXPECT_EQ(EncodePcx8(320, 240, screen.data(), palette.data()).size(), 128 + 240 * 12 + 769u);
}

TEST(PcxEncode, RejectsSizesAndBuffersItCannotWrite) {
  Bytes palette = TestPalette();
  Bytes one(1);
  EXPECT_EQ(ErrorOf([&] { EncodePcx8(0, 1, one.data(), palette.data()); }), "Cannot write a PCX image of 0 x 1 pixels");
  EXPECT_EQ(ErrorOf([&] { EncodePcx8(1, -3, one.data(), palette.data()); }),
            "Cannot write a PCX image of 1 x -3 pixels");
  EXPECT_EQ(ErrorOf([&] { EncodePcx8(kPcxMaxSide + 1, 1, one.data(), palette.data()); }),
            "The PCX image is too large: 16385 x 1 pixels");
  EXPECT_EQ(ErrorOf([&] { EncodePcx8(1, 1, nullptr, palette.data()); }),
            "Cannot write a PCX image without its pixels and palette");
  EXPECT_EQ(ErrorOf([&] { EncodePcx8(1, 1, one.data(), nullptr); }),
            "Cannot write a PCX image without its pixels and palette");
  EXPECT_EQ(ErrorOf([&] {
              EncodePcx24(RgbImage{2, 2, Bytes(11)});
            }),
            "Cannot write a PCX image of 2 x 2 pixels from 11 bytes");
  EXPECT_EQ(ErrorOf([&] {
              EncodePcx24(RgbImage{kPcxMaxSide, kPcxMaxSide, {}});
            }),
            "The PCX image is too large: 16384 x 16384 pixels");
}

TEST(PcxDecode, ReadsWhatOtherWritersProduce) {
  Bytes palette = TestPalette();
  {  // Run by run, odd unpadded lines, an old version number.
    Header h;
    h.version = 3;
    h.xMax = 2;
    h.yMax = 1;
    h.bytesPerLine = 3;
    RgbImage got = Decode(File(h, {5, 0xC1, 0xC0, 6, 0xC1, 0xFF, 8, 9}, &palette));
    EXPECT_EQ(got.pixels, ThroughPalette({5, 0xC0, 6, 0xFF, 8, 9}, palette));
  }
  {  // One run over both lines, empty runs, padding bytes and an origin away from zero.
    Header h;
    h.xMin = 10;
    h.yMin = 20;
    h.xMax = 12;
    h.yMax = 21;
    h.bytesPerLine = 4;
    RgbImage got = Decode(File(h, {0xC0, 0x33, 0xC7, 2, 0xC0, 1, 0x77}, &palette));
    EXPECT_EQ(got.width, 3);
    EXPECT_EQ(got.height, 2);
    EXPECT_EQ(got.pixels, ThroughPalette({2, 2, 2, 2, 2, 2}, palette));
  }
  {  // Stored byte by byte: bytes that look like counts are pixels.
    Header h;
    h.encoding = 0;
    h.xMax = 2;
    h.bytesPerLine = 3;
    EXPECT_EQ(Decode(File(h, {0xC5, 0xFF, 1}, &palette)).pixels, ThroughPalette({0xC5, 0xFF, 1}, palette));
  }
  {  // 24 bits: a run from the red plane into the green one, and past the end.
    Header h;
    h.planes = 3;
    h.xMax = 1;
    h.bytesPerLine = 2;
    RgbImage got = Decode(File(h, {1, 0xC2, 9, 3, 0xC5, 4}));
    EXPECT_EQ(got.pixels, (Bytes{1, 9, 4, 9, 3, 4}));
  }
  {  // A fourth plane is dropped.
    Header h;
    h.planes = 4;
    h.xMax = 1;
    h.yMax = 1;
    h.bytesPerLine = 2;
    RgbImage got = Decode(File(h, {1, 2, 3, 4, 5, 6, 0xC2, 0xEE, 7, 8, 9, 10, 11, 12, 0xC2, 0xEE}));
    EXPECT_EQ(got.pixels, (Bytes{1, 3, 5, 2, 4, 6, 7, 9, 11, 8, 10, 12}));
  }
}

TEST(PcxDecode, ReadsOneBitPlanesThroughTheHeaderColours) {
  Header h;
  h.encoding = 0;
  h.bits = 1;
  h.xMax = 9;
  h.bytesPerLine = 2;
  // Pixels 1 0 1 1 0 0 0 0 | 0 1, the leftmost in the top bit.
  Bytes mono = File(h, {0xB0, 0x40});
  const Bytes black = {0, 0, 0}, white = {255, 255, 255};
  Bytes expected;
  for (int bit : {1, 0, 1, 1, 0, 0, 0, 0, 0, 1}) {
    const Bytes& colour = bit ? white : black;
    expected.insert(expected.end(), colour.begin(), colour.end());
  }
  EXPECT_EQ(Decode(mono).pixels, expected) << "a zero colour map is black and white";
  for (int i = 0; i < 6; ++i) mono[16 + i] = static_cast<std::uint8_t>(i + 1);
  EXPECT_EQ(Decode(mono).pixels,
            (Bytes{4, 5, 6, 1, 2, 3, 4, 5, 6, 4, 5, 6, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 5, 6}));

  // Sixteen colours: plane p holds bit p of the index.
  h.planes = 4;
  h.xMax = 2;
  Bytes ega = File(h, {0xA0, 0, 0x60, 0, 0x20, 0, 0x20, 0});
  for (int i = 0; i < 48; ++i) ega[16 + i] = static_cast<std::uint8_t>(10 * (i / 3) + i % 3);
  EXPECT_EQ(Decode(ega).pixels, (Bytes{10, 11, 12, 20, 21, 22, 150, 151, 152}));
}

TEST(PcxDecode, RejectsMalformedHeadersWithAReason) {
  Bytes palette = TestPalette();
  Header good;
  good.xMax = 1;
  good.bytesPerLine = 2;
  const Bytes body = {1, 2};
  struct Case {
    const char* what;
    void (*change)(Header&);
    std::string message;
  };
  const Case cases[] = {
      {"version 1", [](Header& h) { h.version = 1; }, "Not a PCX image"},
      {"version 6", [](Header& h) { h.version = 6; }, "Not a PCX image"},
      {"compression", [](Header& h) { h.encoding = 2; }, "Unsupported PCX compression: encoding 2"},
      {"4 bits", [](Header& h) { h.bits = 4; }, "Unsupported PCX image: 4 bits per pixel, 1 plane"},
      {"2 planes", [](Header& h) { h.planes = 2; }, "Unsupported PCX image: 8 bits per pixel, 2 planes"},
      {"1 bit, 3 planes", [](Header& h) { h.bits = 1, h.planes = 3; },
       "Unsupported PCX image: 1 bits per pixel, 3 planes"},
      {"xMax < xMin", [](Header& h) { h.xMin = 2; }, "The PCX image has an invalid size: x 2 to 1, y 0 to 0"},
      {"yMax < yMin", [](Header& h) { h.yMin = 1; }, "The PCX image has an invalid size: x 0 to 1, y 1 to 0"},
      {"side", [](Header& h) { h.xMax = kPcxMaxSide; }, "The PCX image is too large: 16385 x 1 pixels"},
      {"pixels", [](Header& h) { h.xMax = 8191, h.yMax = 8192; }, "The PCX image is too large: 8192 x 8193 pixels"},
      {"short lines", [](Header& h) { h.bytesPerLine = 1; },
       "The PCX image has lines of 1 bytes, too short for 2 pixels"},
      {"short bit lines", [](Header& h) { h.bits = 1, h.xMax = 8, h.bytesPerLine = 1; },
       "The PCX image has lines of 1 bytes, too short for 9 pixels"},
  };
  ASSERT_EQ(ErrorOf([&] { Decode(File(good, body, &palette)); }), "no error");
  for (const Case& c : cases) {
    Header h = good;
    c.change(h);
    EXPECT_EQ(ErrorOf([&] { Decode(File(h, body, &palette)); }), c.message) << c.what;
  }
  Bytes file = File(good, body, &palette);
  EXPECT_EQ(ErrorOf([&] { DecodePcx(file.data(), 0); }), "Not a PCX image");
  EXPECT_EQ(ErrorOf([&] { DecodePcx(nullptr, 0); }), "Not a PCX image");
  EXPECT_EQ(ErrorOf([&] { DecodePcx(file.data(), 127); }), "The PCX image is truncated");
  file[0] = 0x0B;
  EXPECT_EQ(ErrorOf([&] { Decode(file); }), "Not a PCX image");
}

TEST(PcxDecode, MissingPaletteOrShortBodyIsAnErrorWhereverTheFileEnds) {
  Bytes palette = TestPalette();
  Bytes indices = RunnyPixels(40, 9, 1);
  Bytes file8 = EncodePcx8(40, 9, indices.data(), palette.data());
  Bytes file24 = EncodePcx24(RgbImage{40, 9, RunnyPixels(40, 9, 3)});
  for (std::size_t cut = 0; cut < file8.size(); ++cut) {
    EXPECT_NE(ErrorOf([&] { DecodePcx(file8.data(), cut); }), "no error") << cut;
  }
  for (std::size_t cut = 0; cut < file24.size(); ++cut) {
    EXPECT_NE(ErrorOf([&] { DecodePcx(file24.data(), cut); }), "no error") << cut;
  }
  // The body ends early but the palette is there: the palette is never read as picture.
  Bytes shortBody(file8.begin(), file8.end() - 770);
  shortBody.push_back(0x0C);
  shortBody.insert(shortBody.end(), palette.begin(), palette.end());
  EXPECT_EQ(ErrorOf([&] { Decode(shortBody); }), "The PCX image is truncated");
  Bytes noMarker = file8;
  noMarker[noMarker.size() - 769] = 0x0D;
  EXPECT_EQ(ErrorOf([&] { Decode(noMarker); }), "The PCX image has no 256-colour palette");
  Header h;
  h.xMax = 1;
  h.bytesPerLine = 2;
  EXPECT_EQ(ErrorOf([&] { Decode(File(h, {1, 2})); }), "The PCX image has no 256-colour palette");
  h.encoding = 0;
  h.planes = 3;
  EXPECT_EQ(ErrorOf([&] { Decode(File(h, {1, 2, 3, 4, 5})); }), "The PCX image is truncated");
}

TEST(PcxDecode, LargestPictureClaimedByAFewBytesFailsWithoutAllocatingIt) {
  // 8192 x 8192 is within the limits: decoding it would take 192 MiB for the
  // pixels alone.
  Header h;
  h.planes = 3;
  h.xMax = 8191;
  h.yMax = 8191;
  h.bytesPerLine = 8192;
  const Bytes file = File(h, Bytes(100000, 0xFF));  // runs of 63, far too few
  const long before = PeakKib();
  EXPECT_EQ(ErrorOf([&] { Decode(file); }), "The PCX image is truncated");
  EXPECT_LT(PeakKib() - before, 32 * 1024);
}

TEST(LoadPcxFile, ReadsAFileAndReportsFileErrors) {
  test::TempDir dir;
  RgbImage image{5, 3, RunnyPixels(5, 3, 3)};
  Bytes encoded = EncodePcx24(image);
  std::string path = dir.File("M12.pcx");
  test::WriteFile(path, std::string(encoded.begin(), encoded.end()));
  RgbImage got = LoadPcxFile(path);
  EXPECT_EQ(got.width, 5);
  EXPECT_EQ(got.height, 3);
  EXPECT_EQ(got.pixels, image.pixels);

  EXPECT_EQ(ErrorOf([&] { LoadPcxFile(dir.File("missing.pcx")); }), "File not found");
  EXPECT_EQ(ErrorOf([&] { LoadPcxFile(""); }), "File not found");
  EXPECT_EQ(ErrorOf([&] { LoadPcxFile(dir.Path()); }), "File access denied");
  std::string text = dir.File("quake00.pcx");
  test::WriteFile(text, "not a picture");
  EXPECT_EQ(ErrorOf([&] { LoadPcxFile(text); }), "Not a PCX image");
  EXPECT_EQ(test::ReadFile(text), "not a picture");
}

}  // namespace
}  // namespace clipvex
