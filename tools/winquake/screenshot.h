// Screenshots: the screen as an 8-bit paletted PCX named quakeNN.pcx in the
// game folder, NN the lowest number from 00 to 99 not in use. The file is
// written completely under a temporary name and then given its name
// without replacing anything, so whoever waits for it never reads half a
// file and no existing file is lost.
#pragma once

#include <optional>
#include <string>

#include "palette.h"
#include "render.h"

namespace winquake {

inline constexpr int kMaxScreenshots = 100;

// "quake07.pcx" for 7.
std::string ScreenshotName(int number);

// The lowest number whose file does not exist in `dir`, or nullopt when all
// 100 do.
std::optional<int> LowestFreeScreenshot(const std::string& dir);

struct ScreenshotResult {
  bool ok = false;
  std::string name;   // the file written (without the folder)
  std::string error;  // why nothing was written
};

ScreenshotResult WriteScreenshot(const std::string& dir, const Framebuffer& fb, const Palette& palette);

}  // namespace winquake
