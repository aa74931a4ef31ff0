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
    } else if (line.rfind(R"( stufftext "screenshot)", 0) == 0) {
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

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// The 64 x 48 picture of `seed`: its indices and its palette.
void Picture(int seed, std::vector<std::uint8_t>& pixels, std::array<std::uint8_t, 768>& palette) {
  for (int i = 0; i < 256; ++i) {
    // A colour wheel: neighbouring seeds get far-apart colours.
    palette[static_cast<std::size_t>(i) * 3 + 0] = static_cast<std::uint8_t>((i * 7) & 0xff);
    palette[static_cast<std::size_t>(i) * 3 + 1] = static_cast<std::uint8_t>((i * 53 + 80) & 0xff);
    palette[static_cast<std::size_t>(i) * 3 + 2] = static_cast<std::uint8_t>(255 - ((i * 31) & 0xff));
  }
  palette[255 * 3] = palette[255 * 3 + 1] = palette[255 * 3 + 2] = 255;
  pixels.assign(static_cast<std::size_t>(kWidth) * kHeight, 0);
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
}

std::vector<std::uint8_t> ShotBytes(int seed, ShotFormat format) {
  std::vector<std::uint8_t> pixels;
  std::array<std::uint8_t, 768> palette{};
  Picture(seed, pixels, palette);
  if (format == ShotFormat::Pcx) return EncodePcx8(kWidth, kHeight, pixels.data(), palette.data());
  std::vector<std::uint8_t> tga(18, 0);
  tga[2] = 2;  // true colour, stored
  tga[12] = kWidth;
  tga[14] = kHeight;
  tga[16] = 24;
  for (int y = kHeight - 1; y >= 0; --y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::uint8_t* rgb =
          &palette[static_cast<std::size_t>(pixels[static_cast<std::size_t>(y) * kWidth + x]) * 3];
      tga.insert(tga.end(), {rgb[2], rgb[1], rgb[0]});
    }
  }
  return tga;
}

}  // namespace

std::vector<std::uint8_t> ScreenshotTga(int seed) { return ShotBytes(seed, ShotFormat::Tga); }

std::string WriteShotInPlace(const std::string& folder, int seed, const ShotPattern& pattern, double part) {
  const std::vector<std::uint8_t> bytes = ShotBytes(seed, pattern.format);
  for (int n = 0; n < pattern.Count(); ++n) {
    const std::string name = pattern.Name(n);
    std::error_code ec;
    if (std::filesystem::exists(folder + name, ec)) continue;
    std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
    const auto size = static_cast<std::streamsize>(static_cast<double>(bytes.size()) * std::min(part, 1.0));
    out.write(reinterpret_cast<const char*>(bytes.data()), size);
    return out ? name : std::string();
  }
  return {};
}

void ResumeScreenshot(const std::string& path, int seed, const ShotPattern& pattern) {
  const std::vector<std::uint8_t> bytes = ShotBytes(seed, pattern.format);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string WriteScreenshot(const std::string& folder, int seed) {
  const std::vector<std::uint8_t> bytes = ShotBytes(seed, ShotFormat::Pcx);
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
