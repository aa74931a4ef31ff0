// The screenshot files of a run: the names a game will give them, whether
// one is complete, and how one becomes a thumbnail. The preview game writes
// PCX files whole under their names; other engines write PNG or TGA files
// in place, so a file is taken only once all of it is there.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "imaging/pcx.h"
#include "settings/engineprofile.h"

namespace clipvex {

// A thumbnail made from another format is shrunk by a whole factor until it
// fits the preview game's screen.
inline constexpr int kThumbnailWidth = 320;
inline constexpr int kThumbnailHeight = 240;

// Decodes the pictures the editor cannot decode itself (PNG); the window
// layer's image readers stand behind it.
class PictureReader {
 public:
  virtual ~PictureReader() = default;
  // The picture at `path`, or nothing when it cannot be read.
  virtual std::optional<RgbImage> Read(const std::string& path) = 0;
};

// Whether the screenshot at `path` is all there: a PCX that exists (the
// preview game renames it into place when it is whole), a PNG that ends
// with its IEND chunk, a TGA that holds all of its pixels.
bool ShotComplete(const std::string& path, ShotFormat format);

// The names of the next `count` screenshots of a game that takes the lowest
// number no file in `folder` has; fewer when the pattern runs out.
std::vector<std::string> FreeShotNames(const std::string& folder, const ShotPattern& pattern, int count);

// `image` made smaller by the least whole factor that fits it into
// `width` x `height` (each pixel the mean of its square); unchanged when it fits.
RgbImage ShrinkToFit(const RgbImage& image, int width, int height);

// Makes the screenshot `from` the thumbnail `to`, never replacing a file: a
// PCX is renamed; a complete PNG or TGA is decoded (PNG through `reader`),
// shrunk to fit 320 x 240 and written as a 24-bit PCX, and the screenshot
// is deleted. False when no thumbnail was made.
bool MakeThumbnail(const std::string& from, const std::string& to, ShotFormat format, PictureReader* reader);

// What the screenshot files of `folder` look like now (names, sizes and
// times): equal texts mean the game wrote nothing in between.
std::string ShotFolderState(const std::string& folder, const ShotPattern& pattern);

// Renames `from` to `to` unless `to` exists (never replacing a file). False
// when nothing was renamed.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);

}  // namespace clipvex
