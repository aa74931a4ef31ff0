// The entities of the scene: alias models, sprites, brush entities, the
// view weapon, markers for what cannot be read, and particles.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "bytes.h"
#include "scene_internal.h"

namespace winquake::scene {

namespace {

constexpr float kMaxWorld = 1e6f;

bool SaneOrigin(const float o[3]) {
  for (int k = 0; k < 3; ++k)
    if (!std::isfinite(o[k]) || std::abs(o[k]) > kMaxWorld) return false;
  return true;
}

Vec3 ToView(const View& view, const Vec3& w) {
  const Vec3 d = w - view.eye;
  return {Dot(d, view.axes.right), Dot(d, view.axes.up), Dot(d, view.axes.forward)};
}

// Light of the face hit first by the segment from `start` to `end` below
// `link`: -1 when none is hit.
int LightAlong(const Frame& f, const BspMap& map, std::int32_t link, const Vec3& start, const Vec3& end) {
  if (link < 0) return -1;
  const BspNode& node = map.nodes[static_cast<std::size_t>(link)];
  const BspPlane& plane = map.planes[node.plane];
  const float front = Dot(plane.normal, start) - plane.dist, back = Dot(plane.normal, end) - plane.dist;
  const int side = front < 0 ? 1 : 0;
  if ((back < 0 ? 1 : 0) == side) return LightAlong(f, map, node.children[side], start, end);
  const float frac = front / (front - back);
  const Vec3 mid = start + (end - start) * frac;
  const int r = LightAlong(f, map, node.children[side], start, mid);
  if (r >= 0) return r;
  for (std::uint32_t i = 0; i < node.numFaces; ++i) {
    const BspFace& face = map.faces[node.firstFace + i];
    if (face.numVertices == 0) continue;
    const BspTexInfo& ti = map.texinfo[face.texinfo];
    if (ti.special || map.textures[static_cast<std::size_t>(ti.texture)].kind != TextureKind::Normal) continue;
    const float s = Dot(mid, Vec3{ti.s[0], ti.s[1], ti.s[2]}) + ti.s[3];
    const float t = Dot(mid, Vec3{ti.t[0], ti.t[1], ti.t[2]}) + ti.t[3];
    if (!(std::abs(s) < 1e7f && std::abs(t) < 1e7f)) continue;
    const int ds = static_cast<int>(s) - face.textureMins[0], dt = static_cast<int>(t) - face.textureMins[1];
    if (ds < 0 || dt < 0 || ds > face.extents[0] || dt > face.extents[1]) continue;
    if (face.lightOffset < 0) return 0;
    const int smax = face.extents[0] / 16 + 1, tmax = face.extents[1] / 16 + 1;
    const std::uint8_t* sample = map.lighting.data() + face.lightOffset + (dt >> 4) * smax + (ds >> 4);
    int sum = 0;
    for (int k = 0; k < 4 && face.styles[static_cast<std::size_t>(k)] != 255; ++k) {
      const int style = face.styles[static_cast<std::size_t>(k)];
      const int value = style < PlayState::kLightStyles ? f.state.LightStyleValue(style, f.time) : 0;
      sum += sample[static_cast<std::ptrdiff_t>(k) * smax * tmax] * value;
    }
    return sum >> 8;
  }
  return LightAlong(f, map, node.children[1 - side], mid, end);
}

// Alias models: the pose of the entity's frame, placed, lit from the +x
// side over the light under it, drawn with affine skins and a depth test.
void DrawAlias(Frame& f, const AliasModel& m, const EntityState& e, bool weapon) {
  const TimedGroup& frame = m.frames[e.frame < m.frames.size() ? e.frame : 0];
  const std::size_t pose = frame.first + frame.At(f.time);
  if (pose >= m.PoseCount() || m.skins.empty()) return;
  const TimedGroup& skinGroup = m.skins[e.skin < m.skins.size() ? e.skin : 0];
  const std::size_t picture = skinGroup.first + skinGroup.At(f.time);
  if (picture >= m.pictures.size()) return;
  const std::uint8_t* skin = m.pictures[picture].data();
  const View& view = f.view;

  Axes ax;
  Vec3 origin;
  if (weapon) {
    ax = view.axes;
    origin = view.eye;
  } else {
    if (!SaneOrigin(e.origin)) return;
    const double yaw = (m.flags & kAliasRotate) ? std::fmod(100 * f.time, 360.0) : e.angles[1];
    ax = AnglesToAxes(-e.angles[0], yaw, e.angles[2]);
    origin = {e.origin[0], e.origin[1], e.origin[2]};
  }
  // A sphere round every position a pose can hold, for the frustum.
  float reach = 0;
  for (int k = 0; k < 3; ++k) reach += std::abs(m.origin[k]) + std::abs(m.scale[k]) * 255;
  const Vec3 centre = ToView(view, origin);
  if (centre.z + reach < kAliasNearZ) return;
  for (const Vec3& n : view.side)
    if (Dot(n, origin - view.eye) < -reach * 1.8f) return;

  // Light: the world's under the origin, as ambient and a directed share.
  int light = f.world->hasLighting ? LightUnder(f, origin) : 255;
  if (weapon) light = std::max(light, 24);
  const int ambient = std::max(5, std::min(light, 128));
  const int shade = std::min(light, 192 - ambient);

  // Model space to view space.
  const Vec3 mx = ax.forward * m.scale[0], my = ax.right * -m.scale[1], mz = ax.up * m.scale[2];
  const Vec3 base = origin + ax.forward * m.origin[0] - ax.right * m.origin[1] + ax.up * m.origin[2];
  const Axes& c = view.axes;
  const Vec3 bx{Dot(base - view.eye, c.right), Dot(base - view.eye, c.up), Dot(base - view.eye, c.forward)};
  const Vec3 row[3] = {{Dot(mx, c.right), Dot(my, c.right), Dot(mz, c.right)},
                       {Dot(mx, c.up), Dot(my, c.up), Dot(mz, c.up)},
                       {Dot(mx, c.forward), Dot(my, c.forward), Dot(mz, c.forward)}};

  const std::uint8_t* verts = m.Pose(pose);
  const std::size_t n = m.numVertices;
  thread_local std::vector<Vec3> viewPos, normals;
  thread_local std::vector<float> shading;
  viewPos.resize(n);
  normals.assign(n, Vec3{});
  shading.resize(n);
  for (std::size_t i = 0; i < n; ++i) {
    const Vec3 raw{static_cast<float>(verts[i * 4]), static_cast<float>(verts[i * 4 + 1]),
                   static_cast<float>(verts[i * 4 + 2])};
    viewPos[i] = Vec3{bx.x + Dot(row[0], raw), bx.y + Dot(row[1], raw), bx.z + Dot(row[2], raw)};
  }
  // Vertex normals from the pose's triangles (in world directions), turned
  // outwards by the sign of the enclosed volume.
  auto world = [&](std::size_t i) {
    const std::uint8_t* v = verts + i * 4;
    return mx * static_cast<float>(v[0]) + my * static_cast<float>(v[1]) + mz * static_cast<float>(v[2]);
  };
  float volume = 0;
  for (const AliasTriangle& t : m.triangles) {
    const Vec3 a = world(t.v[0]), b = world(t.v[1]), d = world(t.v[2]);
    const Vec3 e1 = b - a, e2 = d - a;
    const Vec3 cross{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    volume += Dot(a, cross);
    for (std::uint32_t k : t.v) normals[k] = normals[k] + cross;
  }
  const float outward = volume < 0 ? -1.0f : 1.0f;
  for (std::size_t i = 0; i < n; ++i) {
    const float len = std::sqrt(Dot(normals[i], normals[i]));
    float v = static_cast<float>((255 - ambient) * 64);
    if (len > 0) {
      const float cosine = -normals[i].x * outward / len;  // the light comes from +x
      if (cosine < 0) v += static_cast<float>(shade * 64) * cosine;
    }
    shading[i] = std::max(v, 0.0f);
  }

  const int sw = m.skinWidth, sh = m.skinHeight;
  const std::uint8_t* colormap = f.colors.colormap.data();
  float* depth = f.Depth();
  std::uint8_t* pixels = f.fb.pixels.data();
  const int width = view.width;
  Rows& rows = f.impl.rows;
  for (const AliasTriangle& t : m.triangles) {
    ClipVertex in[3], out[8];
    bool ahead = false;
    for (int k = 0; k < 3; ++k) {
      const std::uint32_t i = t.v[k];
      const AliasSkinVertex& st = m.skinVertices[i];
      const float s = static_cast<float>(st.s) + (!t.facesFront && st.onSeam ? static_cast<float>(sw / 2) : 0.0f);
      in[k] = ClipVertex{viewPos[i].x, viewPos[i].y, viewPos[i].z, {s, static_cast<float>(st.t), shading[i]}};
      ahead = ahead || viewPos[i].z >= kAliasNearZ;
    }
    if (!ahead) continue;
    const int count = ClipToView(view, in, 3, out, 3, kAliasNearZ);
    if (count < 3) continue;
    float u[8], v[8], iz[8];
    for (int k = 0; k < count; ++k) {
      iz[k] = 1.0f / out[k].z;
      u[k] = view.cx + view.focal * out[k].x * iz[k];
      v[k] = view.cy - view.focal * out[k].y * iz[k];
    }
    // Drawn only when its corners run clockwise on the screen (y down).
    if (!((v[0] - v[1]) * (u[0] - u[2]) - (u[0] - u[1]) * (v[0] - v[2]) > 0)) continue;
    for (int k = 1; k + 1 < count; ++k) {
      const float tu[3] = {u[0], u[k], u[k + 1]}, tv[3] = {v[0], v[k], v[k + 1]};
      const float tz[3] = {iz[0], iz[k], iz[k + 1]};
      const float ts[3] = {out[0].a[0], out[k].a[0], out[k + 1].a[0]};
      const float tt[3] = {out[0].a[1], out[k].a[1], out[k + 1].a[1]};
      const float tl[3] = {out[0].a[2], out[k].a[2], out[k + 1].a[2]};
      Gradient gz, gs, gt, gl;
      if (!TriangleGradient(tu, tv, tz, gz) || !TriangleGradient(tu, tv, ts, gs) || !TriangleGradient(tu, tv, tt, gt) ||
          !TriangleGradient(tu, tv, tl, gl))
        continue;
      if (!rows.Scan(tu, tv, 3, view.height)) continue;
      for (int y = rows.y0; y < rows.y1; ++y) {
        int x0, x1;
        rows.Columns(y, width, x0, x1);
        const float vc = static_cast<float>(y) + 0.5f, uc = static_cast<float>(x0) + 0.5f;
        float zi = gz.At(uc, vc), s = gs.At(uc, vc), tcoord = gt.At(uc, vc), l = gl.At(uc, vc);
        float* zrow = depth + static_cast<std::ptrdiff_t>(y) * width;
        std::uint8_t* prow = pixels + static_cast<std::ptrdiff_t>(y) * width;
        for (int x = x0; x < x1; ++x, zi += gz.du, s += gs.du, tcoord += gt.du, l += gl.du) {
          if (!(zi > zrow[x])) continue;
          const int si = !(s > 0) ? 0 : s >= static_cast<float>(sw - 1) ? sw - 1 : static_cast<int>(s);
          const int ti = !(tcoord > 0) ? 0 : tcoord >= static_cast<float>(sh - 1) ? sh - 1 : static_cast<int>(tcoord);
          const int lightRow = !(l > 0) ? 0 : l >= 63 * 256 ? 63 : static_cast<int>(l) >> 8;
          prow[x] = colormap[lightRow * 256 + skin[static_cast<std::ptrdiff_t>(ti) * sw + si]];
          zrow[x] = zi;
        }
      }
    }
  }
}

// Sprites: the picture of the entity's frame facing the view, unlit, its
// colour 255 transparent.
void DrawSprite(Frame& f, const SpriteModel& sprite, const EntityState& e) {
  if (sprite.frames.empty() || !SaneOrigin(e.origin)) return;
  const TimedGroup& frame = sprite.frames[e.frame < sprite.frames.size() ? e.frame : 0];
  const std::size_t index = frame.first + frame.At(f.time);
  if (index >= sprite.pictures.size()) return;
  const SpritePicture& pic = sprite.pictures[index];
  const View& view = f.view;
  const Vec3 p = ToView(view, Vec3{e.origin[0], e.origin[1], e.origin[2]});
  if (p.z < kNearZ) return;
  const float k = view.focal / p.z;
  const float u0 = view.cx + (p.x + static_cast<float>(pic.originX)) * k;
  const float u1 = u0 + static_cast<float>(pic.width) * k;
  const float v0 = view.cy - (p.y + static_cast<float>(pic.originY)) * k;
  const float v1 = v0 + static_cast<float>(pic.height) * k;
  const int x0 = std::max(0, static_cast<int>(std::ceil(std::max(u0, -1.0f) - 0.5f)));
  const int x1 = std::min(view.width, static_cast<int>(std::ceil(std::min(u1, view.width + 1.0f) - 0.5f)));
  const int y0 = std::max(0, static_cast<int>(std::ceil(std::max(v0, -1.0f) - 0.5f)));
  const int y1 = std::min(view.height, static_cast<int>(std::ceil(std::min(v1, view.height + 1.0f) - 0.5f)));
  const float zi = 1.0f / p.z;
  for (int y = y0; y < y1; ++y) {
    const int ty = std::clamp(static_cast<int>((static_cast<float>(y) + 0.5f - v0) / k), 0, pic.height - 1);
    for (int x = x0; x < x1; ++x) {
      const int tx = std::clamp(static_cast<int>((static_cast<float>(x) + 0.5f - u0) / k), 0, pic.width - 1);
      const std::uint8_t c = pic.pixels[static_cast<std::size_t>(ty) * pic.width + tx];
      const std::size_t at = static_cast<std::size_t>(y) * view.width + x;
      if (c == 255 || !(zi > f.impl.depth[at])) continue;
      f.fb.pixels[at] = c;
      f.impl.depth[at] = zi;
    }
  }
}

// The schematic view's marker of an entity whose model cannot be drawn,
// behind what is nearer.
void DrawMarker(Frame& f, const EntityState& e, ModelKind kind) {
  if (kind == ModelKind::None || kind == ModelKind::Brush || !SaneOrigin(e.origin)) return;
  const MarkerStyle style = MarkerStyleOf(kind);
  const View& view = f.view;
  const Vec3 p = ToView(view, Vec3{e.origin[0], e.origin[1], e.origin[2] + static_cast<float>(style.lift)});
  if (p.z < 4) return;
  const double x = view.cx + view.focal * p.x / p.z, y = view.cy - view.focal * p.y / p.z;
  const double pw = std::clamp(style.width * view.focal / p.z, 2.0, 200.0);
  const double ph = std::clamp(style.height * view.focal / p.z, 2.0, 200.0);
  if (x + pw < 0 || x - pw > view.width || y + ph < 0 || y - ph > view.height) return;
  const double shade = 15 - std::min(9.0, static_cast<double>(p.z) / 250);
  const std::uint8_t fill = f.colors.fromBuiltin[ShadeOf(style.row, shade)];
  const std::uint8_t border = f.colors.fromBuiltin[pw < 5 ? ShadeOf(style.row, shade) : ShadeOf(style.row, shade - 6)];
  const int left = static_cast<int>(std::lround(x - pw / 2)), right = static_cast<int>(std::lround(x + pw / 2));
  const int top = static_cast<int>(std::lround(y - ph / 2)), bottom = static_cast<int>(std::lround(y + ph / 2));
  const double hw = std::max(1.0, (right - left) / 2.0), hh = std::max(1.0, (bottom - top) / 2.0);
  const float zi = 1.0f / p.z;
  for (int yy = std::max(top, 0); yy <= std::min(bottom, view.height - 1); ++yy) {
    for (int xx = std::max(left, 0); xx <= std::min(right, view.width - 1); ++xx) {
      std::uint8_t c;
      if (style.diamond) {
        const double d = std::abs(xx - (left + right) / 2.0) / hw + std::abs(yy - (top + bottom) / 2.0) / hh;
        if (d > 1.0) continue;
        c = d > 0.7 ? border : fill;
      } else {
        c = xx == left || xx == right || yy == top || yy == bottom ? border : fill;
      }
      const std::size_t at = static_cast<std::size_t>(yy) * view.width + xx;
      if (!(zi > f.impl.depth[at])) continue;
      f.fb.pixels[at] = c;
      f.impl.depth[at] = zi;
    }
  }
}

std::string Lower(const std::string& s) { return bytes::Lower(s); }

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void DrawEntity(Frame& f, const EntityState& e) {
  const std::string& name = f.state.ModelName(e.model);
  if (name.empty() || !SaneOrigin(e.origin)) return;
  if (name[0] == '*') {
    char* end = nullptr;
    const long n = std::strtol(name.c_str() + 1, &end, 10);
    if (end && *end == '\0' && n > 0 && static_cast<std::size_t>(n) < f.world->models.size())
      DrawBrushModel(f, f.world, static_cast<std::size_t>(n), e);
    return;
  }
  const std::string lower = Lower(name);
  std::string problem = "not a model the game draws";
  if (EndsWith(lower, ".bsp")) {
    if (auto map = f.data.Map(name, &problem)) return DrawBrushModel(f, map, 0, e);
  } else if (EndsWith(lower, ".mdl")) {
    if (auto alias = f.data.Alias(name, &problem)) return DrawAlias(f, *alias, e, false);
  } else if (EndsWith(lower, ".spr")) {
    if (auto sprite = f.data.Sprite(name, &problem)) return DrawSprite(f, *sprite, e);
  }
  f.Fallback(name + ": " + problem + "; drawing a marker instead");
  DrawMarker(f, e, f.state.KindOf(e.model));
}

void DrawParticles(Frame& f) {
  const View& view = f.view;
  const float scale = static_cast<float>(view.width) / 320;
  for (const Particle& p : f.state.Particles()) {
    if (!SaneOrigin(p.origin)) continue;
    const Vec3 q = ToView(view, Vec3{p.origin[0], p.origin[1], p.origin[2]});
    if (q.z < 8) continue;
    const int side = std::max(1, static_cast<int>(std::clamp(256 / q.z, 1.0f, 4.0f) * scale));
    const int x0 = static_cast<int>(std::floor(view.cx + view.focal * q.x / q.z));
    const int y0 = static_cast<int>(std::floor(view.cy - view.focal * q.y / q.z));
    if (x0 + side <= 0 || y0 + side <= 0 || x0 >= view.width || y0 >= view.height) continue;
    const std::uint8_t c = f.colors.fromBuiltin[p.color];
    const float zi = 1.0f / q.z;
    for (int y = std::max(y0, 0); y < std::min(y0 + side, view.height); ++y) {
      for (int x = std::max(x0, 0); x < std::min(x0 + side, view.width); ++x) {
        const std::size_t at = static_cast<std::size_t>(y) * view.width + x;
        if (!(zi > f.impl.depth[at])) continue;
        f.fb.pixels[at] = c;
        f.impl.depth[at] = zi;
      }
    }
  }
}

}  // namespace

int LightUnder(const Frame& f, const Vec3& p) {
  const BspMap& map = *f.world;
  if (!map.hasLighting) return 255;
  const int light = LightAlong(f, map, map.models[0].headNode, p, p - Vec3{0, 0, 2048});
  return std::max(light, 0);
}

void DrawEntities(Frame& f) {
  for (const EntityState& s : f.state.Statics()) DrawEntity(f, s);
  const auto& entities = f.state.Entities();
  for (std::size_t i = 1; i < entities.size(); ++i) {
    if (static_cast<int>(i) == f.state.ViewEntity() || !f.state.Visible(entities[i])) continue;
    DrawEntity(f, entities[i].current);
  }
  if (f.state.HasClientData() && f.state.Intermission() == 0 && f.state.WeaponModel() > 0) {
    const std::string& name = f.state.ModelName(f.state.WeaponModel());
    std::string problem;
    if (!name.empty()) {
      if (auto weapon = f.data.Alias(name, &problem)) {
        EntityState e;
        e.frame = f.state.WeaponFrame();
        DrawAlias(f, *weapon, e, true);
      } else {
        f.Fallback(name + ": " + problem + "; the view weapon is left out");
      }
    }
  }
  DrawParticles(f);
}

}  // namespace winquake::scene
