// Alias models (.mdl, "IDPO" version 6: monsters, items, weapons) and
// sprites (.spr, "IDSP" version 1: explosions, bubbles) read into what
// drawing needs. Every count is checked against the bytes actually present
// before anything is allocated; bytes after the last frame are ignored.
// Read models never change: they can be shared between threads.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace winquake {

// Pictures or poses that follow each other in time: picture i shows while
// (time mod the last end time) is below intervals[i] and not below the one
// before. A single entry has no intervals.
struct TimedGroup {
  std::uint32_t first = 0, count = 1;
  std::vector<float> intervals;  // end times, `count` of them for a group
  // The entry to show at `time` (an index from `first`).
  std::uint32_t At(double time) const;
};

struct AliasTriangle {
  bool facesFront = true;
  std::uint32_t v[3] = {0, 0, 0};
};

struct AliasSkinVertex {
  bool onSeam = false;
  int s = 0, t = 0;
};

class AliasModel {
 public:
  float scale[3] = {1, 1, 1}, origin[3] = {0, 0, 0};
  float radius = 0;
  int flags = 0;
  bool randomSync = false;
  int skinWidth = 0, skinHeight = 0;
  std::vector<std::vector<std::uint8_t>> pictures;  // skinWidth x skinHeight palette indices each
  std::vector<TimedGroup> skins;                    // into pictures
  std::vector<AliasSkinVertex> skinVertices;
  std::vector<AliasTriangle> triangles;
  std::uint32_t numVertices = 0;
  std::vector<std::uint8_t> poseVertices;  // per pose, numVertices x (x, y, z, normal index)
  std::vector<TimedGroup> frames;          // into the poses
  std::vector<std::string> frameNames;     // the first pose's name of each frame

  std::size_t PoseCount() const { return numVertices ? poseVertices.size() / (4u * numVertices) : 0; }
  const std::uint8_t* Pose(std::size_t pose) const { return poseVertices.data() + pose * 4u * numVertices; }
};

enum AliasFlags { kAliasRotate = 8 };

std::shared_ptr<const AliasModel> ReadAliasModel(std::string_view bytes, std::string& error);

struct SpritePicture {
  int originX = 0, originY = 0;  // the picture spans originX..originX+width right, originY-height..originY up
  int width = 0, height = 0;
  std::vector<std::uint8_t> pixels;  // rows top first; 255 is transparent
};

class SpriteModel {
 public:
  int type = 0;  // 0 upright facing the view, 1 upright facing the eye, 2 facing the view, 3 oriented, 4 ...
  std::vector<SpritePicture> pictures;
  std::vector<TimedGroup> frames;
};

std::shared_ptr<const SpriteModel> ReadSprite(std::string_view bytes, std::string& error);

}  // namespace winquake
