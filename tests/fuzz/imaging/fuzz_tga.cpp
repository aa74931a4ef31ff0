// Any bytes as a TGA screenshot: decoding either raises the one error type
// or gives a picture whose pixels fill it exactly, and a file the decoder
// reads whole is complete, while one it finds truncated is not. The PNG
// completeness test takes any bytes too.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "imaging/png.h"
#include "imaging/tga.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "fuzz_tga: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  (void)clipvex::PngComplete(data, size);
  const bool complete = clipvex::TgaComplete(data, size);
  clipvex::RgbImage image;
  try {
    image = clipvex::DecodeTga(data, size);
  } catch (const clipvex::TgaError& e) {
    if (complete && std::string(e.what()).find("truncated") != std::string::npos) {
      Broken("a complete file was found truncated");
    }
    return 0;
  }
  if (!complete) Broken("a file read whole was not complete");
  if (image.width < 1 || image.height < 1 || image.width > clipvex::kPcxMaxSide ||
      image.height > clipvex::kPcxMaxSide ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3) {
    Broken("decoded pixels do not fill the picture");
  }
  return 0;
}
