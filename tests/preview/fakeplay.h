// The part of the preview game that the editor sees, for tests: which blocks
// of a demo ask for a screenshot, and screenshot files written the way the
// game writes them.
#pragma once

#include <string>
#include <vector>

#include "settings/engineprofile.h"

namespace clipvex::test {

// One number for each block of the demo at `demoPath` that holds a
// screenshot line (any "screenshot" command), in playing order, drawn from the block's text and its
// place among the screenshots: different demos give different numbers. A
// file that is not a demo raises the converter library's error.
std::vector<int> ScreenshotBlocks(const std::string& demoPath);

// Writes the game's next screenshot into `folder` (ending with a separator):
// quakeNN.pcx with the lowest free NN, complete under a temporary name and
// then renamed into place. The picture (64 x 48, 8-bit) is drawn from
// `seed`, so different seeds give visibly different pictures. Returns the
// file name, or an empty text when quake00 to quake99 all exist.
std::string WriteScreenshot(const std::string& folder, int seed);

// The same picture as a TGA (24 bits, rows from the bottom).
std::vector<std::uint8_t> ScreenshotTga(int seed);

// Writes the next screenshot of a game with the names of `pattern` (PCX or
// TGA) into `folder`, the lowest free number, in place: with `part` below 1
// only that share of the file is written now, and ResumeScreenshot writes the
// rest. Returns the file name, or an empty text when no name is free.
std::string WriteShotInPlace(const std::string& folder, int seed, const ShotPattern& pattern, double part = 1);
void ResumeScreenshot(const std::string& path, int seed, const ShotPattern& pattern);

}  // namespace clipvex::test
