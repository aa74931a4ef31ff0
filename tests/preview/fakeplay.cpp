#include "preview/fakeplay.h"

#include <demfmt/demfmt.h>
#include <stdio.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "imaging/pcx.h"
#include "preview/previewdump.h"

namespace clipvex::test {

std::vector<int> ScreenshotBlocks(const std::string& demoPath) {
  const std::string text = demfmt::demo_to_dump(demfmt::read_file(demoPath)).text;
  std::vector<int> blocks;
  std::uint32_t hash = 0;
  bool shot = false;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string_view line(text.data() + at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.substr(0, 7) == "block {") {
      hash = 2166136261u;
      shot = false;
    } else if (line == kScreenshotLine) {
      shot = true;
    } else if (line == "}") {
      // Blocks repeat in real demos (a pause): the place in the run counts too.
      if (shot) blocks.push_back(static_cast<int>((hash + 7919u * static_cast<std::uint32_t>(blocks.size())) % 1000003u));
    } else {
      for (char c : line) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
    }
    at = end + 1;
  }
  return blocks;
}

std::string WriteScreenshot(const std::string& folder, int seed) {
  constexpr int kWidth = 64;
  constexpr int kHeight = 48;
  std::array<std::uint8_t, 768> palette{};
  for (int i = 0; i < 256; ++i) {
    // A colour wheel: neighbouring seeds get far-apart colours.
    palette[static_cast<std::size_t>(i) * 3 + 0] = static_cast<std::uint8_t>((i * 7) & 0xff);
    palette[static_cast<std::size_t>(i) * 3 + 1] = static_cast<std::uint8_t>((i * 53 + 80) & 0xff);
    palette[static_cast<std::size_t>(i) * 3 + 2] = static_cast<std::uint8_t>(255 - ((i * 31) & 0xff));
  }
  palette[255 * 3] = palette[255 * 3 + 1] = palette[255 * 3 + 2] = 255;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(kWidth) * kHeight);
  const int background = (seed * 37) % 255;
  const int bar = seed % kHeight;
  const int column = (seed / kHeight) % kWidth;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      int index = background;
      if (y >= bar && y < bar + 6) index = 255;                      // a white bar that moves with the seed
      if (x >= column && x < column + 4) index = (background + 128) % 255;  // and a column
      if (x < (seed % 8 + 1) * 8 && y > kHeight - 8) index = 255 - background;  // and a block count gauge
      pixels[static_cast<std::size_t>(y) * kWidth + x] = static_cast<std::uint8_t>(index);
    }
  }
  const std::vector<std::uint8_t> bytes = EncodePcx8(kWidth, kHeight, pixels.data(), palette.data());
  for (int n = 0; n < kMaxScreenshots; ++n) {
    const std::string name = ScreenshotName(n);
    std::error_code ec;
    if (std::filesystem::exists(folder + name, ec)) continue;
    const std::string temporary = folder + "." + name + ".part";
    {
      std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      if (!out) return {};
    }
    if (std::rename(temporary.c_str(), (folder + name).c_str()) != 0) return {};
    return name;
  }
  return {};
}

}  // namespace clipvex::test
