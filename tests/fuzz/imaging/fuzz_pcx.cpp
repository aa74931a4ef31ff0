// Any bytes as a PCX file: decoding either raises the one error type or gives
// a picture whose pixels fill it exactly; that picture written as 24 bits
// reads back the same.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "imaging/pcx.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "fuzz_pcx: %s\n", what);
  std::abort();
}

bool SameSize(const clipvex::RgbImage& image) {
  return image.width >= 1 && image.height >= 1 && image.width <= clipvex::kPcxMaxSide &&
         image.height <= clipvex::kPcxMaxSide &&
         image.pixels.size() == static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  clipvex::RgbImage image;
  try {
    image = clipvex::DecodePcx(data, size);
  } catch (const clipvex::PcxError&) {
    return 0;
  }
  if (!SameSize(image)) Broken("decoded pixels do not fill the picture");

  const std::vector<std::uint8_t> file = clipvex::EncodePcx24(image);
  const clipvex::RgbImage again = clipvex::DecodePcx(file.data(), file.size());
  if (again.width != image.width || again.height != image.height) Broken("24-bit copy changed size");
  if (again.pixels != image.pixels) Broken("24-bit copy changed pixels");
  return 0;
}
