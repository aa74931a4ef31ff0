// PCX images: the thumbnails and screenshots the game writes. Reads 8-bit
// paletted and 24-bit (three planes) run-length encoded files; writes both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace clipvex {

// A decoded picture: `pixels` holds width * height RGB triples, rows from the
// top, no padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// Decodes a whole PCX file held in memory. Anything malformed (not a PCX,
// an unsupported depth, a size past the limits, a truncated body or palette)
// raises ClipvexError with a message that says what is wrong.
RgbImage DecodePcx(const std::uint8_t* data, std::size_t size);

// Reads and decodes the file at `path`; file errors raise the usual texts.
RgbImage LoadPcxFile(const std::string& path);

// An 8-bit paletted PCX (version 5, RLE, 256-colour palette at the end) of
// `indices` (width * height bytes, rows from the top) and `palette` (768
// bytes, RGB).
std::vector<std::uint8_t> EncodePcx8(int width, int height, const std::uint8_t* indices,
                                     const std::uint8_t* palette);

// A 24-bit PCX (version 5, RLE, three colour planes) of `image`.
std::vector<std::uint8_t> EncodePcx24(const RgbImage& image);

}  // namespace clipvex
