// PCX images: the thumbnails and screenshots the game writes. Reads 8-bit
// paletted, 24-bit (three or four planes) and 1-bit (one or four planes)
// pictures, run-length encoded or stored; writes 8-bit and 24-bit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace clipvex {

// Every failure of the codec: the text says what is wrong with the picture
// or the file.
class PcxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decoded picture: `pixels` holds width * height RGB triples, rows from the
// top, no padding.
struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// The largest picture either direction of the codec handles: no side longer
// than kPcxMaxSide, no more than kPcxMaxPixels pixels in all (a screenshot of
// any real screen fits many times over). A header asking for more is refused
// before anything is allocated.
inline constexpr int kPcxMaxSide = 16384;
inline constexpr long long kPcxMaxPixels = 1LL << 26;

// Decodes a whole PCX file held in memory. Anything malformed (not a PCX,
// an unsupported depth, a size past the limits, a truncated body or palette)
// raises PcxError with a message that says what is wrong.
RgbImage DecodePcx(const std::uint8_t* data, std::size_t size);

// Reads and decodes the file at `path`; file errors raise
// PcxError with "File not found", "File access denied" or the system's text.
RgbImage LoadPcxFile(const std::string& path);

// An 8-bit paletted PCX (version 5, RLE, 256-colour palette at the end) of
// `indices` (width * height bytes, rows from the top) and `palette` (768
// bytes, RGB). A size of zero or past the limits, or a missing buffer,
// raises PcxError.
std::vector<std::uint8_t> EncodePcx8(int width, int height, const std::uint8_t* indices, const std::uint8_t* palette);

// A 24-bit PCX (version 5, RLE, three colour planes) of `image`; a size
// past the limits or one that does not fit its pixels raises PcxError.
std::vector<std::uint8_t> EncodePcx24(const RgbImage& image);

}  // namespace clipvex
