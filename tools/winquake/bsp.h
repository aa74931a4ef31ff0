// Levels and brush models: the BSP file (version 29, and the widened BSP2
// and 2PSB variants) read into what drawing needs. Every offset, count and
// index of the file is checked while reading: what does not fit is left
// out (a face, a texture, a light map, a link of the tree) and the rest
// kept, so that whatever a map holds, drawing it can trust every index.
// A BspMap never changes after reading: it can be shared between threads.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace winquake {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline float Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

enum class TextureKind : std::uint8_t { Normal, Sky, Liquid };

struct BspTexture {
  std::string name;
  int width = 0, height = 0;
  TextureKind kind = TextureKind::Normal;
  std::array<std::vector<std::uint8_t>, 4> mips;  // mip m: max(1, width >> m) x max(1, height >> m)
  std::array<int, 4> mipWidth{}, mipHeight{};
  int animation = -1;  // index into BspMap::animations for "+0name" textures
};

// The frames of an animated texture ("+0name".."+9name") and its
// alternate frames ("+aname".."+jname"), as texture indices.
struct TextureAnimation {
  std::vector<int> frames;
  std::vector<int> alternate;
};

struct BspTexInfo {
  float s[4] = {}, t[4] = {};  // texel = point . xyz + offset
  int texture = 0;             // always a valid index (missing ones point at the placeholder)
  bool special = false;        // sky and liquids: no light map, no limit on the extents
};

struct BspFace {
  std::uint32_t firstVertex = 0, numVertices = 0;  // into BspMap::faceVertices; 0: not drawn
  Vec3 normal;                                     // facing out of the front side
  float dist = 0;
  std::uint32_t texinfo = 0;
  std::array<std::uint8_t, 4> styles{255, 255, 255, 255};
  std::int32_t lightOffset = -1;  // into BspMap::lighting, -1: no light map
  int textureMins[2] = {0, 0};
  int extents[2] = {0, 0};
};

struct BspPlane {
  Vec3 normal;
  float dist = 0;
};

// Children: >= 0 a node, < 0 the leaf -1 - child. Leaf 0 is solid.
struct BspNode {
  std::uint32_t plane = 0;
  std::int32_t children[2] = {-1, -1};
  float mins[3] = {}, maxs[3] = {};
  std::uint32_t firstFace = 0, numFaces = 0;
  std::int32_t parent = -1;
};

struct BspLeaf {
  std::int32_t contents = -2;
  std::int32_t visOffset = -1;
  float mins[3] = {}, maxs[3] = {};
  std::uint32_t firstMark = 0, numMarks = 0;
  std::int32_t parent = -1;
};

enum LeafContents : std::int32_t {
  kContentsEmpty = -1,
  kContentsSolid = -2,
  kContentsWater = -3,
  kContentsSlime = -4,
  kContentsLava = -5,
  kContentsSky = -6
};

struct BspSubmodel {
  float mins[3] = {}, maxs[3] = {};
  std::int32_t headNode = -1;  // as a child link: < 0 a leaf
  std::uint32_t firstFace = 0, numFaces = 0;
};

class BspMap {
 public:
  std::string format;  // "BSP29", "BSP2" or "2PSB"
  std::vector<BspPlane> planes;
  std::vector<BspTexture> textures;  // the last one is the placeholder of missing textures
  std::vector<TextureAnimation> animations;
  std::vector<BspTexInfo> texinfo;
  std::vector<BspFace> faces;
  std::vector<Vec3> faceVertices;
  std::vector<BspNode> nodes;
  std::vector<BspLeaf> leafs;
  std::vector<std::uint32_t> marks;  // face indices
  std::vector<BspSubmodel> models;
  std::vector<std::uint8_t> lighting;
  std::vector<std::uint8_t> visibility;
  bool hasLighting = false;
  int visLeafs = 0;  // leafs with a visibility row (not counting leaf 0)
  std::string entities;
  // What reading left out, for tests and notes.
  std::size_t droppedFaces = 0, missingTextures = 0, droppedLinks = 0;

  int MissingTexture() const { return static_cast<int>(textures.size()) - 1; }
  // The leaf holding `p`, walking from the head of model 0.
  int LeafAt(const Vec3& p) const;
  // The visibility row of `leaf`: one bit per leaf from leaf 1, (visLeafs +
  // 7) / 8 bytes. Every bit is set when the map has no data for the leaf.
  void VisibleLeafs(int leaf, std::vector<std::uint8_t>& row) const;
  // The value of "key" in the first entity block of class `classname`.
  std::string EntityValue(std::string_view classname, std::string_view key) const;
};

// Reads a map; nullptr with `error` saying why when the bytes are not a
// map or its essential parts do not fit the file.
std::shared_ptr<const BspMap> ReadBsp(std::string_view bytes, std::string& error);

}  // namespace winquake
