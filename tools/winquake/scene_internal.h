// What the two halves of the scene renderer share: the view, clipping and
// scan conversion of polygons, the depth buffer and the renderer's caches.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "scene.h"

namespace winquake::scene {

inline Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(const Vec3& a, float k) { return {a.x * k, a.y * k, a.z * k}; }

// Forward, right and up of angles in degrees (pitch down, yaw left, roll).
struct Axes {
  Vec3 forward, right, up;
};
Axes AnglesToAxes(double pitch, double yaw, double roll);

// The camera of one picture. Screen position of a view-space point (X
// right, Y up, Z ahead): u = cx + focal X / Z, v = cy - focal Y / Z; the
// pixel (x, y) covers [x, x + 1) x [y, y + 1).
struct View {
  int width = 0, height = 0;
  float focal = 1, cx = 0, cy = 0;
  Vec3 eye;
  Axes axes;
  Vec3 side[4];  // inward normals of the frustum's side planes, through the eye
};
View MakeView(const float eye[3], const float angles[3], int width, int height);

// A polygon corner in view space with up to three attributes.
struct ClipVertex {
  float x, y, z;
  float a[3];
};
inline constexpr int kMaxClipVertices = 512 + 8;
inline constexpr float kNearZ = 1.0f;       // faces and sprites
inline constexpr float kAliasNearZ = 5.0f;  // alias models, the view weapon too, as the game clips them

// Clips a convex polygon of `n` corners to the view (the plane `nearZ`
// ahead and the four sides, a pixel outside the picture); returns the
// corners left in `out` (room for n + 5).
int ClipToView(const View& view, const ClipVertex* in, int n, ClipVertex* out, int attributes, float nearZ = kNearZ);

// The rows and columns a polygon on the screen covers: the pixels whose
// centres lie inside it.
struct Rows {
  std::vector<float> left, right;
  int y0 = 0, y1 = 0;
  // Fills the rows of the polygon; false when it covers none.
  bool Scan(const float* u, const float* v, int n, int height);
  // The columns [x0, x1) of row y.
  void Columns(int y, int width, int& x0, int& x1) const;
};

// A plane over the screen: value = base + du u + dv v at the pixel centre (u, v).
struct Gradient {
  float base = 0, du = 0, dv = 0;
  float At(float u, float v) const { return base + du * u + dv * v; }
};
// The gradient through three screen points with values a0..a2; false when
// they lie on a line.
bool TriangleGradient(const float u[3], const float v[3], const float a[3], Gradient& g);

struct Surface {
  int texture = -1;
  int styles[4] = {0, 0, 0, 0};
  int width = 0, height = 0;
  std::vector<std::uint8_t> texels;
  std::uint64_t used = 0;
};

// Per map: the lit surfaces and the marks of the visible set.
struct MapCache {
  std::shared_ptr<const BspMap> map;
  std::unordered_map<std::uint32_t, Surface> surfaces;  // face * 4 + mip
  std::vector<std::uint32_t> leafMark, nodeMark, faceMark;
  std::uint32_t mark = 0;
  std::uint64_t used = 0;
};

}  // namespace winquake::scene

namespace winquake {

struct SceneRenderer::Impl {
  std::vector<float> depth;  // 1 / Z per pixel, 0 for nothing drawn
  scene::Rows rows;
  std::vector<std::unique_ptr<scene::MapCache>> maps;
  std::size_t bytes = 0;
  std::uint64_t frame = 0;
  std::array<std::uint8_t, 256> tint{};
  double tintKey[5] = {-1, -1, -1, -1, -1};
  const ColorTables* tintColors = nullptr;

  scene::MapCache& CacheFor(const std::shared_ptr<const BspMap>& map);
  void Trim();
};

}  // namespace winquake

namespace winquake::scene {

// One picture being drawn.
struct Frame {
  const PlayState& state;
  const GameData& data;
  const ColorTables& colors;
  SceneRenderer::Impl& impl;
  Framebuffer& fb;
  View view;
  double time = 0;
  std::shared_ptr<const BspMap> world;
  std::vector<std::string>& fallbacks;

  float* Depth() { return impl.depth.data(); }
  void Fallback(const std::string& line);
};

// Brush models: the world's visible faces, and a model's faces placed at an
// entity's origin and angles.
void DrawWorld(Frame& f);
void DrawBrushModel(Frame& f, const std::shared_ptr<const BspMap>& map, std::size_t model, const EntityState& e);

// Alias models and sprites of the entities (markers for the ones that
// cannot be read), the view weapon and the particles.
void DrawEntities(Frame& f);

// The light of the world under `p` (0..255 and more), as alias models are lit.
int LightUnder(const Frame& f, const Vec3& p);

}  // namespace winquake::scene
