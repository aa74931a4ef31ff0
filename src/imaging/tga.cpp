#include "imaging/tga.h"

#include <algorithm>
#include <string>
#include <vector>

namespace clipvex {

namespace {

constexpr std::size_t kHeaderSize = 18;
constexpr std::uint8_t kTopDown = 0x20;      // descriptor: the first row is the top one
constexpr std::uint8_t kRightToLeft = 0x10;  // descriptor: rows run from the right
constexpr std::uint8_t kRunPacket = 0x80;    // run-length packet header: a run, not raw pixels

enum class Kind { Mapped = 1, TrueColour = 2, Grey = 3 };

struct Header {
  Kind kind = Kind::TrueColour;
  bool rle = false;
  unsigned mapFirst = 0;
  unsigned mapLength = 0;
  unsigned mapBytes = 0;  // per entry
  unsigned width = 0;
  unsigned height = 0;
  unsigned pixelBytes = 0;
  std::uint8_t descriptor = 0;
  std::size_t mapAt = 0;   // where the colour map starts
  std::size_t bodyAt = 0;  // where the pixel data starts
  std::size_t Pixels() const { return static_cast<std::size_t>(width) * height; }
};

[[noreturn]] void Fail(const std::string& what) { throw TgaError(what); }

unsigned Get16(const std::uint8_t* data, std::size_t at) {
  return static_cast<unsigned>(data[at]) | (static_cast<unsigned>(data[at + 1]) << 8);
}

bool ColourDepth(unsigned bits) { return bits == 15 || bits == 16 || bits == 24 || bits == 32; }

Header ReadHeader(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < kHeaderSize) Fail("The TGA image is truncated");
  Header h;
  const unsigned idLength = data[0];
  const unsigned mapType = data[1];
  const unsigned type = data[2];
  if (mapType > 1) Fail("Not a TGA image: colour map type " + std::to_string(mapType));
  if (type != 1 && type != 2 && type != 3 && type != 9 && type != 10 && type != 11) {
    Fail("Unsupported TGA image type " + std::to_string(type));
  }
  h.kind = static_cast<Kind>(type & 3);
  h.rle = type >= 9;
  h.mapFirst = Get16(data, 3);
  h.mapLength = Get16(data, 5);
  const unsigned mapDepth = data[7];
  h.width = Get16(data, 12);
  h.height = Get16(data, 14);
  const unsigned depth = data[16];
  h.descriptor = data[17];
  if (mapType == 1) {
    if (!ColourDepth(mapDepth)) Fail("Unsupported TGA colour map depth " + std::to_string(mapDepth));
    h.mapBytes = (mapDepth + 7) / 8;
  }
  switch (h.kind) {
    case Kind::Mapped:
      if (mapType != 1 || h.mapLength == 0) Fail("The colour-mapped TGA image has no colour map");
      if (depth != 8) Fail("Unsupported TGA index depth " + std::to_string(depth));
      break;
    case Kind::TrueColour:
      if (!ColourDepth(depth)) Fail("Unsupported TGA pixel depth " + std::to_string(depth));
      break;
    case Kind::Grey:
      if (depth != 8) Fail("Unsupported TGA grey depth " + std::to_string(depth));
      break;
  }
  h.pixelBytes = (depth + 7) / 8;
  if (h.width == 0 || h.height == 0) Fail("The TGA image has no pixels");
  if (h.width > kPcxMaxSide || h.height > kPcxMaxSide || static_cast<long long>(h.Pixels()) > kPcxMaxPixels) {
    Fail("The TGA image is too large: " + std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels");
  }
  h.mapAt = kHeaderSize + idLength;
  h.bodyAt = h.mapAt + static_cast<std::size_t>(mapType == 1 ? h.mapLength : 0) * h.mapBytes;
  return h;
}

// One colour of `bytes` bytes (2: 5-5-5, 3: B G R, 4: B G R A) as R G B.
void Colour(const std::uint8_t* p, unsigned bytes, std::uint8_t* rgb) {
  if (bytes == 2) {
    const unsigned v = Get16(p, 0);
    const auto widen = [](unsigned five) { return static_cast<std::uint8_t>((five << 3) | (five >> 2)); };
    rgb[0] = widen((v >> 10) & 31);
    rgb[1] = widen((v >> 5) & 31);
    rgb[2] = widen(v & 31);
    return;
  }
  rgb[0] = p[2];
  rgb[1] = p[1];
  rgb[2] = p[0];
}

// Walks the pixel data in file order, calling `put(n, pixel)` for pixels 0
// to width x height - 1; false when the data ends early. Runs past the last
// pixel are cut short.
template <typename Put>
bool WalkPixels(const Header& h, const std::uint8_t* data, std::size_t size, Put&& put) {
  const std::size_t total = h.Pixels();
  std::size_t at = h.bodyAt;
  if (at > size) return false;
  if (!h.rle) {
    if ((size - at) / h.pixelBytes < total) return false;
    for (std::size_t n = 0; n < total; ++n, at += h.pixelBytes) put(n, data + at);
    return true;
  }
  std::size_t n = 0;
  while (n < total) {
    if (at >= size) return false;
    const std::uint8_t packet = data[at++];
    const std::size_t count = std::min<std::size_t>((packet & 0x7F) + 1u, total - n);
    if (packet & kRunPacket) {
      if (size - at < h.pixelBytes) return false;
      for (std::size_t i = 0; i < count; ++i) put(n++, data + at);
      at += h.pixelBytes;
    } else {
      if ((size - at) / h.pixelBytes < count) return false;
      for (std::size_t i = 0; i < count; ++i, at += h.pixelBytes) put(n++, data + at);
    }
  }
  return true;
}

}  // namespace

RgbImage DecodeTga(const std::uint8_t* data, std::size_t size) {
  const Header h = ReadHeader(data, size);
  std::vector<std::uint8_t> map;
  if (h.kind == Kind::Mapped) {
    if (h.bodyAt > size) Fail("The TGA image is truncated");
    map.resize(static_cast<std::size_t>(h.mapLength) * 3);
    for (unsigned i = 0; i < h.mapLength; ++i) {
      Colour(data + h.mapAt + static_cast<std::size_t>(i) * h.mapBytes, h.mapBytes,
             &map[static_cast<std::size_t>(i) * 3]);
    }
  }
  // Too few bytes for the pixels the header asks for (a run packet of two
  // bytes or more gives at most 128 of them): refused before the picture
  // is allocated.
  const std::size_t body = h.bodyAt <= size ? size - h.bodyAt : 0;
  if ((h.rle ? body / 2 * 128 : body / h.pixelBytes) < h.Pixels()) Fail("The TGA image is truncated");
  RgbImage image;
  image.width = static_cast<int>(h.width);
  image.height = static_cast<int>(h.height);
  image.pixels.assign(h.Pixels() * 3, 0);
  bool badIndex = false;
  const bool topDown = (h.descriptor & kTopDown) != 0;
  const bool rightToLeft = (h.descriptor & kRightToLeft) != 0;
  const bool whole = WalkPixels(h, data, size, [&](std::size_t n, const std::uint8_t* p) {
    const std::size_t row = n / h.width;
    const std::size_t column = n % h.width;
    const std::size_t y = topDown ? row : h.height - 1 - row;
    const std::size_t x = rightToLeft ? h.width - 1 - column : column;
    std::uint8_t* out = &image.pixels[(y * h.width + x) * 3];
    switch (h.kind) {
      case Kind::TrueColour:
        Colour(p, h.pixelBytes, out);
        break;
      case Kind::Grey:
        out[0] = out[1] = out[2] = p[0];
        break;
      case Kind::Mapped: {
        const unsigned index = p[0];
        if (index < h.mapFirst || index - h.mapFirst >= h.mapLength) {
          badIndex = true;
          break;
        }
        const std::uint8_t* colour = &map[static_cast<std::size_t>(index - h.mapFirst) * 3];
        out[0] = colour[0];
        out[1] = colour[1];
        out[2] = colour[2];
        break;
      }
    }
  });
  if (!whole) Fail("The TGA image is truncated");
  if (badIndex) Fail("The TGA image uses a colour its map does not hold");
  return image;
}

bool TgaComplete(const std::uint8_t* data, std::size_t size) {
  try {
    const Header h = ReadHeader(data, size);
    return WalkPixels(h, data, size, [](std::size_t, const std::uint8_t*) {});
  } catch (const TgaError&) {
    return false;
  }
}

}  // namespace clipvex
