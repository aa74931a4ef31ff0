#include "scene.h"

#include <algorithm>
#include <cmath>

#include "scene_internal.h"

namespace winquake::scene {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr float kMaxWorld = 1e6f;
constexpr float kBackfaceEpsilon = 0.01f;

float Sane(float v) { return std::isfinite(v) ? std::clamp(v, -kMaxWorld, kMaxWorld) : 0.0f; }

// n mod m for any n, m > 0.
int Wrap(long long n, int m) {
  const long long r = n % m;
  return static_cast<int>(r < 0 ? r + m : r);
}

// The texel a float position falls in, kept to a range any int holds.
long long Floor(float v) { return static_cast<long long>(std::floor(std::clamp(v, -1e9f, 1e9f))); }

}  // namespace

Axes AnglesToAxes(double pitch, double yaw, double roll) {
  const double p = (std::isfinite(pitch) ? pitch : 0.0) * kPi / 180;
  const double y = (std::isfinite(yaw) ? yaw : 0.0) * kPi / 180;
  const double r = (std::isfinite(roll) ? roll : 0.0) * kPi / 180;
  const double sp = std::sin(p), cp = std::cos(p), sy = std::sin(y), cy = std::cos(y);
  const double sr = std::sin(r), cr = std::cos(r);
  Axes a;
  a.forward = {static_cast<float>(cp * cy), static_cast<float>(cp * sy), static_cast<float>(-sp)};
  a.right = {static_cast<float>(-sr * sp * cy + cr * sy), static_cast<float>(-sr * sp * sy - cr * cy),
             static_cast<float>(-sr * cp)};
  a.up = {static_cast<float>(cr * sp * cy + sr * sy), static_cast<float>(cr * sp * sy - sr * cy),
          static_cast<float>(cr * cp)};
  return a;
}

View MakeView(const float eye[3], const float angles[3], int width, int height) {
  View v;
  v.width = std::max(width, 1);
  v.height = std::max(height, 1);
  v.focal = static_cast<float>(v.width) / 2;  // 90 degrees across
  v.cx = static_cast<float>(v.width) / 2;
  v.cy = static_cast<float>(v.height) / 2;
  // Eye a little off the grid, so that it never lies exactly on a plane.
  v.eye = {Sane(eye[0]) + 1.0f / 32, Sane(eye[1]) + 1.0f / 32, Sane(eye[2]) + 1.0f / 32};
  v.axes = AnglesToAxes(angles[0], angles[1], angles[2]);
  const Axes& a = v.axes;
  v.side[0] = a.right + a.forward * ((v.cx + 1) / v.focal);
  v.side[1] = a.right * -1 + a.forward * ((static_cast<float>(v.width) - v.cx + 1) / v.focal);
  v.side[2] = a.up * -1 + a.forward * ((v.cy + 1) / v.focal);
  v.side[3] = a.up + a.forward * ((static_cast<float>(v.height) - v.cy + 1) / v.focal);
  return v;
}

int ClipToView(const View& view, const ClipVertex* in, int n, ClipVertex* out, int attributes, float nearZ) {
  const float kx0 = (view.cx + 1) / view.focal, kx1 = (static_cast<float>(view.width) - view.cx + 1) / view.focal;
  const float ky0 = (view.cy + 1) / view.focal, ky1 = (static_cast<float>(view.height) - view.cy + 1) / view.focal;
  auto distance = [&](int plane, const ClipVertex& c) {
    switch (plane) {
      case 0:
        return c.z - nearZ;
      case 1:
        return c.x + c.z * kx0;
      case 2:
        return -c.x + c.z * kx1;
      case 3:
        return -c.y + c.z * ky0;
      default:
        return c.y + c.z * ky1;
    }
  };
  ClipVertex buffer[kMaxClipVertices];
  const ClipVertex* src = in;
  int count = std::min(n, kMaxClipVertices - 8);
  for (int plane = 0; plane < 5 && count >= 3; ++plane) {
    bool all = true;
    for (int i = 0; i < count && all; ++i) all = distance(plane, src[i]) >= 0;
    if (all) continue;
    // Alternate between the caller's buffer and ours, ending in `out`.
    ClipVertex* dst = src == out ? buffer : out;
    int m = 0;
    for (int i = 0; i < count; ++i) {
      const ClipVertex& a = src[i];
      const ClipVertex& b = src[(i + 1) % count];
      const float da = distance(plane, a), db = distance(plane, b);
      if (m + 2 > kMaxClipVertices) break;  // only a polygon that is far from convex gets here
      if (da >= 0) dst[m++] = a;
      if ((da >= 0) != (db >= 0)) {
        const float t = da / (da - db);
        ClipVertex& c = dst[m++];
        c.x = a.x + (b.x - a.x) * t;
        c.y = a.y + (b.y - a.y) * t;
        c.z = a.z + (b.z - a.z) * t;
        for (int k = 0; k < attributes; ++k) c.a[k] = a.a[k] + (b.a[k] - a.a[k]) * t;
      }
    }
    src = dst;
    count = m;
  }
  if (count < 3) return 0;
  if (src != out) std::copy(src, src + count, out);
  return count;
}

bool Rows::Scan(const float* u, const float* v, int n, int height) {
  if (static_cast<int>(left.size()) < height) {
    left.resize(static_cast<std::size_t>(height));
    right.resize(static_cast<std::size_t>(height));
  }
  float top = v[0], bottom = v[0];
  for (int i = 1; i < n; ++i) top = std::min(top, v[i]), bottom = std::max(bottom, v[i]);
  top = std::clamp(top, -1.0f, static_cast<float>(height) + 1);
  bottom = std::clamp(bottom, -1.0f, static_cast<float>(height) + 1);
  y0 = std::max(0, static_cast<int>(std::ceil(top - 0.5f)));
  y1 = std::min(height, static_cast<int>(std::ceil(bottom - 0.5f)));
  if (y0 >= y1) return false;
  for (int y = y0; y < y1; ++y) {
    left[static_cast<std::size_t>(y)] = 1e9f;
    right[static_cast<std::size_t>(y)] = -1e9f;
  }
  for (int i = 0; i < n; ++i) {
    const int j = i + 1 == n ? 0 : i + 1;
    float ua = u[i], va = v[i], ub = u[j], vb = v[j];
    if (va == vb) continue;
    if (va > vb) std::swap(ua, ub), std::swap(va, vb);
    const int ys = std::max(y0, static_cast<int>(std::ceil(std::max(va, -1.0f) - 0.5f)));
    const int ye = std::min(y1, static_cast<int>(std::ceil(std::min(vb, static_cast<float>(height) + 1) - 0.5f)));
    const float slope = (ub - ua) / (vb - va);
    for (int y = ys; y < ye; ++y) {
      const float x = ua + (static_cast<float>(y) + 0.5f - va) * slope;
      left[static_cast<std::size_t>(y)] = std::min(left[static_cast<std::size_t>(y)], x);
      right[static_cast<std::size_t>(y)] = std::max(right[static_cast<std::size_t>(y)], x);
    }
  }
  return true;
}

void Rows::Columns(int y, int width, int& x0, int& x1) const {
  const float l = std::clamp(left[static_cast<std::size_t>(y)], -1.0f, static_cast<float>(width) + 1);
  const float r = std::clamp(right[static_cast<std::size_t>(y)], -1.0f, static_cast<float>(width) + 1);
  x0 = std::max(0, static_cast<int>(std::ceil(l - 0.5f)));
  x1 = std::min(width, static_cast<int>(std::ceil(r - 0.5f)));
}

bool TriangleGradient(const float u[3], const float v[3], const float a[3], Gradient& g) {
  const float du1 = u[1] - u[0], dv1 = v[1] - v[0], du2 = u[2] - u[0], dv2 = v[2] - v[0];
  const float det = du1 * dv2 - du2 * dv1;
  if (!(std::abs(det) > 1e-6f)) return false;
  const float da1 = a[1] - a[0], da2 = a[2] - a[0];
  g.du = (da1 * dv2 - da2 * dv1) / det;
  g.dv = (da2 * du1 - da1 * du2) / det;
  g.base = a[0] - g.du * u[0] - g.dv * v[0];
  return true;
}

void Frame::Fallback(const std::string& line) {
  if (std::find(fallbacks.begin(), fallbacks.end(), line) == fallbacks.end()) fallbacks.push_back(line);
}

namespace {

// Eye and camera axes in the space of a brush model.
struct LocalView {
  Vec3 eye;
  Axes axes;
};

// The light samples of a face, combined over its styles, as the colour
// map's row times 256 (64 .. 63 * 256 + 192): a grid of (smax + 1) x
// (tmax + 1), the last column and row repeated.
void FaceLight(const BspMap& map, const BspFace& face, const int values[4], int numStyles, std::vector<int>& light,
               int& stride) {
  const int smax = face.extents[0] / 16 + 1, tmax = face.extents[1] / 16 + 1;
  stride = smax + 1;
  light.assign(static_cast<std::size_t>(stride) * (tmax + 1), 0);
  for (int t = 0; t < tmax; ++t) {
    for (int s = 0; s < smax; ++s) {
      int value;
      if (!map.hasLighting) {
        value = 64;  // a map without light is drawn at full brightness
      } else if (face.lightOffset < 0) {
        value = (255 * 256) >> 2;  // black
      } else {
        int sum = 0;
        const std::uint8_t* sample = map.lighting.data() + face.lightOffset + t * smax + s;
        for (int k = 0; k < numStyles; ++k) sum += sample[static_cast<std::ptrdiff_t>(k) * smax * tmax] * values[k];
        value = std::max(64, (255 * 256 - sum) >> 2);
      }
      light[static_cast<std::size_t>(t) * stride + s] = value;
    }
    light[static_cast<std::size_t>(t) * stride + smax] = light[static_cast<std::size_t>(t) * stride + smax - 1];
  }
  std::copy_n(light.begin() + static_cast<std::ptrdiff_t>(tmax - 1) * stride, stride,
              light.begin() + static_cast<std::ptrdiff_t>(tmax) * stride);
}

// Texture times light map, at one mip level: the face's surface.
void BuildSurface(const Frame& f, const BspMap& map, const BspFace& face, int mip, int texture, const int values[4],
                  int numStyles, Surface& out) {
  const BspTexture& tex = map.textures[static_cast<std::size_t>(texture)];
  const int mw = tex.mipWidth[static_cast<std::size_t>(mip)], mh = tex.mipHeight[static_cast<std::size_t>(mip)];
  const std::uint8_t* src = tex.mips[static_cast<std::size_t>(mip)].data();
  out.width = std::max(1, face.extents[0] >> mip);
  out.height = std::max(1, face.extents[1] >> mip);
  out.texels.resize(static_cast<std::size_t>(out.width) * out.height);
  thread_local std::vector<int> light;
  int stride = 0;
  FaceLight(map, face, values, numStyles, light, stride);
  const int shift = 4 - mip, block = 1 << shift, mask = block - 1;
  const std::uint8_t* colormap = f.colors.colormap.data();
  const int startS = Wrap(face.textureMins[0] >> mip, mw);
  for (int y = 0; y < out.height; ++y) {
    const int ly = y >> shift, fy = y & mask;
    const int* l0 = light.data() + static_cast<std::ptrdiff_t>(ly) * stride;
    const int* l1 = l0 + stride;
    const std::uint8_t* row = src + static_cast<std::ptrdiff_t>(Wrap((face.textureMins[1] >> mip) + y, mh)) * mw;
    std::uint8_t* o = out.texels.data() + static_cast<std::ptrdiff_t>(y) * out.width;
    int tx = startS;
    for (int x = 0; x < out.width; ++x) {
      const int lx = x >> shift, fx = x & mask;
      const int a = l0[lx] * (block - fy) + l1[lx] * fy;
      const int b = l0[lx + 1] * (block - fy) + l1[lx + 1] * fy;
      const int value = (a * (block - fx) + b * fx) >> (2 * shift);
      o[x] = colormap[(value >> 8) * 256 + row[tx]];
      if (++tx == mw) tx = 0;
    }
  }
}

// The texture a face shows now: the frame of an animated texture, its
// alternate frames when the entity's frame is not 0.
int CurrentTexture(const Frame& f, const BspMap& map, int texture, int entityFrame) {
  const BspTexture& t = map.textures[static_cast<std::size_t>(texture)];
  if (t.animation < 0) return texture;
  const TextureAnimation& anim = map.animations[static_cast<std::size_t>(t.animation)];
  const std::vector<int>& seq =
      (entityFrame != 0 && !anim.alternate.empty()) || anim.frames.empty() ? anim.alternate : anim.frames;
  if (seq.empty()) return texture;
  const auto step = static_cast<long long>(std::floor(f.time * 5));
  return seq[static_cast<std::size_t>(Wrap(step, static_cast<int>(seq.size())))];
}

const Surface& SurfaceOf(Frame& f, MapCache& cache, std::uint32_t faceIndex, int mip, int texture) {
  const BspMap& map = *cache.map;
  const BspFace& face = map.faces[faceIndex];
  int values[4] = {0, 0, 0, 0};
  int numStyles = 0;
  for (; numStyles < 4 && face.styles[static_cast<std::size_t>(numStyles)] != 255; ++numStyles) {
    const int style = face.styles[static_cast<std::size_t>(numStyles)];
    values[numStyles] = style < PlayState::kLightStyles ? f.state.LightStyleValue(style, f.time) : 0;
  }
  Surface& s = cache.surfaces[faceIndex * 4 + static_cast<std::uint32_t>(mip)];
  const bool same = s.texture == texture && std::equal(values, values + 4, s.styles) && !s.texels.empty();
  if (!same) {
    f.impl.bytes -= s.texels.size();
    BuildSurface(f, map, face, mip, texture, values, numStyles, s);
    s.texture = texture;
    std::copy(values, values + 4, s.styles);
    f.impl.bytes += s.texels.size();
  }
  s.used = f.impl.frame;
  return s;
}

// The mip level for a face whose nearest corner is `nearZ` away.
int MipLevel(const Frame& f, const BspTexInfo& ti, float nearZ) {
  const float ls = std::sqrt(ti.s[0] * ti.s[0] + ti.s[1] * ti.s[1] + ti.s[2] * ti.s[2]);
  const float lt = std::sqrt(ti.t[0] * ti.t[0] + ti.t[1] * ti.t[1] + ti.t[2] * ti.t[2]);
  const float mean = (ls + lt) / 2;
  const float adjust = mean >= 0.99f ? 1.0f : mean >= 0.49f ? 2.0f : mean >= 0.32f ? 3.0f : 4.0f;
  const float x = f.view.focal / std::max(nearZ, 0.01f) * adjust;
  return x >= 1.0f ? 0 : x >= 0.4f ? 1 : x >= 0.2f ? 2 : 3;
}

// Walks the face's rows front to back: every pixel nearer than the depth
// buffer gets texel(s, t) of the perspective-corrected texture coordinates
// and its depth.
template <typename Texel>
void FillSpans(const Rows& rows, int width, float* depth, std::uint8_t* pixels, const Gradient& iz, const Gradient& gs,
               const Gradient& gt, Texel texel) {
  for (int y = rows.y0; y < rows.y1; ++y) {
    int x0, x1;
    rows.Columns(y, width, x0, x1);
    const float vc = static_cast<float>(y) + 0.5f;
    float* zrow = depth + static_cast<std::ptrdiff_t>(y) * width;
    std::uint8_t* prow = pixels + static_cast<std::ptrdiff_t>(y) * width;
    const float uc = static_cast<float>(x0) + 0.5f;
    float izi = iz.At(uc, vc), sz = gs.At(uc, vc), tz = gt.At(uc, vc);
    for (int x = x0; x < x1; ++x, izi += iz.du, sz += gs.du, tz += gt.du) {
      if (!(izi > zrow[x])) continue;
      const float z = 1.0f / izi;
      prow[x] = texel(sz * z, tz * z);
      zrow[x] = izi;
    }
  }
}

void DrawFace(Frame& f, MapCache& cache, std::uint32_t faceIndex, const LocalView& lv, int entityFrame) {
  const BspMap& map = *cache.map;
  const BspFace& face = map.faces[faceIndex];
  if (face.numVertices == 0) return;
  const float side = Dot(face.normal, lv.eye) - face.dist;
  if (!(side > kBackfaceEpsilon)) return;

  ClipVertex in[kMaxClipVertices], out[kMaxClipVertices];
  const Axes& ax = lv.axes;
  const int n = static_cast<int>(std::min<std::uint32_t>(face.numVertices, kMaxClipVertices - 8));
  for (int i = 0; i < n; ++i) {
    const Vec3 d = map.faceVertices[face.firstVertex + static_cast<std::uint32_t>(i)] - lv.eye;
    in[i] = ClipVertex{Dot(d, ax.right), Dot(d, ax.up), Dot(d, ax.forward), {0, 0, 0}};
  }
  const int m = ClipToView(f.view, in, n, out, 0);
  if (m < 3) return;
  float u[kMaxClipVertices], v[kMaxClipVertices];
  float nearZ = out[0].z;
  const View& view = f.view;
  for (int i = 0; i < m; ++i) {
    u[i] = view.cx + view.focal * out[i].x / out[i].z;
    v[i] = view.cy - view.focal * out[i].y / out[i].z;
    nearZ = std::min(nearZ, out[i].z);
  }
  Rows& rows = f.impl.rows;
  if (!rows.Scan(u, v, m, view.height)) return;

  // 1/Z over the screen from the face's plane; s/Z and t/Z from its texture vectors.
  const float k = -1.0f / side;
  const float nr = Dot(face.normal, ax.right), nu = Dot(face.normal, ax.up), nf = Dot(face.normal, ax.forward);
  Gradient iz;
  iz.du = k * nr / view.focal;
  iz.dv = -k * nu / view.focal;
  iz.base = k * (nf - view.cx * nr / view.focal + view.cy * nu / view.focal);
  const BspTexInfo& ti = map.texinfo[face.texinfo];
  auto textureGradient = [&](const float* vec) {
    const Vec3 t{vec[0], vec[1], vec[2]};
    const float atEye = Dot(t, lv.eye) + vec[3];
    const float tr = Dot(t, ax.right), tu = Dot(t, ax.up), tf = Dot(t, ax.forward);
    Gradient g;
    g.du = atEye * iz.du + tr / view.focal;
    g.dv = atEye * iz.dv - tu / view.focal;
    g.base = atEye * iz.base + tf - view.cx * tr / view.focal + view.cy * tu / view.focal;
    return g;
  };
  Gradient gs = textureGradient(ti.s), gt = textureGradient(ti.t);

  const int texture = CurrentTexture(f, map, ti.texture, entityFrame);
  const BspTexture& tex = map.textures[static_cast<std::size_t>(texture)];
  const int width = view.width;
  float* depth = f.Depth();
  std::uint8_t* pixels = f.fb.pixels.data();

  if (tex.kind == TextureKind::Sky) {
    // The front layer on the left half, the back layer on the right.
    const int tw = tex.mipWidth[0], th = tex.mipHeight[0], half = std::max(1, tw / 2), back = tw > 1 ? half : 0;
    const std::uint8_t* src = tex.mips[0].data();
    const float slow = static_cast<float>(std::fmod(f.time * 8, 128.0 * 64));
    const float fast = static_cast<float>(std::fmod(f.time * 16, 128.0 * 64));
    const Axes& wa = view.axes;
    for (int y = rows.y0; y < rows.y1; ++y) {
      int x0, x1;
      rows.Columns(y, width, x0, x1);
      const float vc = static_cast<float>(y) + 0.5f;
      const Vec3 rowDir = wa.forward + wa.up * ((view.cy - vc) / view.focal);
      float* zrow = depth + static_cast<std::ptrdiff_t>(y) * width;
      std::uint8_t* prow = pixels + static_cast<std::ptrdiff_t>(y) * width;
      for (int x = x0; x < x1; ++x) {
        const float uc = static_cast<float>(x) + 0.5f;
        const float izi = iz.At(uc, vc);
        if (!(izi > zrow[x])) continue;
        Vec3 d = rowDir + wa.right * ((uc - view.cx) / view.focal);
        d.z *= 3;
        const float len = std::sqrt(Dot(d, d));
        const float dx = 378 * d.x / len, dy = 378 * d.y / len;
        std::uint8_t c =
            src[static_cast<std::ptrdiff_t>(Wrap(Floor(fast + dy), th)) * tw + Wrap(Floor(fast + dx), half)];
        if (c == 0)
          c = src[static_cast<std::ptrdiff_t>(Wrap(Floor(slow + dy), th)) * tw + back +
                  Wrap(Floor(slow + dx), std::max(1, tw - back))];
        prow[x] = c;
        zrow[x] = izi;
      }
    }
    return;
  }

  if (tex.kind == TextureKind::Liquid) {
    static const std::array<int, 128> kTurb = [] {
      std::array<int, 128> t{};
      for (int i = 0; i < 128; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<int>(std::lround(8 + 8 * std::sin(2 * kPi * i / 128)));
      return t;
    }();
    const int tw = tex.mipWidth[0], th = tex.mipHeight[0];
    const std::uint8_t* src = tex.mips[0].data();
    const auto turb = static_cast<long long>(std::floor(std::fmod(f.time * 20, 1 << 20)));
    FillSpans(rows, width, depth, pixels, iz, gs, gt, [&](float sf, float tf) {
      const long long s = Floor(sf), t = Floor(tf);
      const long long s2 = s + kTurb[static_cast<std::size_t>((t + turb) & 127)];
      const long long t2 = t + kTurb[static_cast<std::size_t>((s + turb) & 127)];
      return src[static_cast<std::ptrdiff_t>(Wrap(t2, th)) * tw + Wrap(s2, tw)];
    });
    return;
  }

  const int mip = MipLevel(f, ti, nearZ);
  const Surface& surface = SurfaceOf(f, cache, faceIndex, mip, texture);
  // Surface coordinates: texels of the mip from the face's texture minimum.
  const float scale = 1.0f / static_cast<float>(1 << mip);
  const float minS = static_cast<float>(face.textureMins[0]), minT = static_cast<float>(face.textureMins[1]);
  gs = Gradient{(gs.base - minS * iz.base) * scale, (gs.du - minS * iz.du) * scale, (gs.dv - minS * iz.dv) * scale};
  gt = Gradient{(gt.base - minT * iz.base) * scale, (gt.du - minT * iz.du) * scale, (gt.dv - minT * iz.dv) * scale};
  const float maxS = static_cast<float>(surface.width - 1), maxT = static_cast<float>(surface.height - 1);
  const std::uint8_t* texels = surface.texels.data();
  const int sw = surface.width;
  FillSpans(rows, width, depth, pixels, iz, gs, gt, [&](float s, float t) {
    const int si = !(s > 0) ? 0 : s >= maxS ? sw - 1 : static_cast<int>(s);
    const int tj = !(t > 0) ? 0 : t >= maxT ? surface.height - 1 : static_cast<int>(t);
    return texels[static_cast<std::ptrdiff_t>(tj) * sw + si];
  });
}

bool BoxOutside(const View& view, const float mins[3], const float maxs[3]) {
  for (const Vec3& n : view.side) {
    // The corner furthest along the plane's normal.
    const Vec3 p{n.x >= 0 ? maxs[0] : mins[0], n.y >= 0 ? maxs[1] : mins[1], n.z >= 0 ? maxs[2] : mins[2]};
    if (Dot(n, p - view.eye) < 0) return true;
  }
  return false;
}

void MarkVisible(const BspMap& map, MapCache& c, const Vec3& eye) {
  if (++c.mark == 0) {
    std::fill(c.leafMark.begin(), c.leafMark.end(), 0);
    std::fill(c.nodeMark.begin(), c.nodeMark.end(), 0);
    std::fill(c.faceMark.begin(), c.faceMark.end(), 0);
    c.mark = 1;
  }
  const int leaf = map.LeafAt(eye);
  auto markLeaf = [&](std::size_t l) {
    c.leafMark[l] = c.mark;
    for (std::int32_t n = map.leafs[l].parent; n >= 0 && c.nodeMark[static_cast<std::size_t>(n)] != c.mark;
         n = map.nodes[static_cast<std::size_t>(n)].parent)
      c.nodeMark[static_cast<std::size_t>(n)] = c.mark;
  };
  const BspLeaf& here = map.leafs[static_cast<std::size_t>(leaf)];
  if (leaf <= 0 || here.contents == kContentsSolid || here.visOffset < 0 || map.visibility.empty()) {
    for (std::size_t l = 1; l < map.leafs.size(); ++l) markLeaf(l);
    return;
  }
  thread_local std::vector<std::uint8_t> row;
  map.VisibleLeafs(leaf, row);
  for (int i = 0; i < map.visLeafs; ++i)
    if (row[static_cast<std::size_t>(i) >> 3] & (1 << (i & 7))) markLeaf(static_cast<std::size_t>(i) + 1);
  markLeaf(static_cast<std::size_t>(leaf));
}

void WalkWorld(Frame& f, MapCache& c, std::int32_t link, const LocalView& lv) {
  const BspMap& map = *c.map;
  if (link < 0) {
    const auto leaf = static_cast<std::size_t>(-1 - static_cast<std::int64_t>(link));
    const BspLeaf& l = map.leafs[leaf];
    if (c.leafMark[leaf] != c.mark || BoxOutside(f.view, l.mins, l.maxs)) return;
    for (std::uint32_t i = 0; i < l.numMarks; ++i) c.faceMark[map.marks[l.firstMark + i]] = c.mark;
    return;
  }
  const BspNode& node = map.nodes[static_cast<std::size_t>(link)];
  if (c.nodeMark[static_cast<std::size_t>(link)] != c.mark || BoxOutside(f.view, node.mins, node.maxs)) return;
  const BspPlane& plane = map.planes[node.plane];
  const int near = Dot(plane.normal, lv.eye) - plane.dist >= 0 ? 0 : 1;
  WalkWorld(f, c, node.children[near], lv);
  for (std::uint32_t i = 0; i < node.numFaces; ++i) {
    const std::uint32_t face = node.firstFace + i;
    if (c.faceMark[face] == c.mark) DrawFace(f, c, face, lv, 0);
  }
  WalkWorld(f, c, node.children[1 - near], lv);
}

}  // namespace

void DrawWorld(Frame& f) {
  MapCache& c = f.impl.CacheFor(f.world);
  const BspMap& map = *f.world;
  c.leafMark.resize(map.leafs.size(), 0);
  c.nodeMark.resize(map.nodes.size(), 0);
  c.faceMark.resize(map.faces.size(), 0);
  MarkVisible(map, c, f.view.eye);
  const LocalView lv{f.view.eye, f.view.axes};
  WalkWorld(f, c, map.models[0].headNode, lv);
}

void DrawBrushModel(Frame& f, const std::shared_ptr<const BspMap>& map, std::size_t model, const EntityState& e) {
  if (model >= map->models.size()) return;
  const BspSubmodel& sm = map->models[model];
  const Axes ea = AnglesToAxes(e.angles[0], e.angles[1], e.angles[2]);
  const Vec3 origin{Sane(e.origin[0]), Sane(e.origin[1]), Sane(e.origin[2])};
  // The model's box as a sphere, for the frustum.
  const Vec3 mid{(sm.mins[0] + sm.maxs[0]) / 2, (sm.mins[1] + sm.maxs[1]) / 2, (sm.mins[2] + sm.maxs[2]) / 2};
  const Vec3 half{(sm.maxs[0] - sm.mins[0]) / 2, (sm.maxs[1] - sm.mins[1]) / 2, (sm.maxs[2] - sm.mins[2]) / 2};
  const float radius = std::sqrt(Dot(half, half));
  const Vec3 centre = origin + ea.forward * mid.x - ea.right * mid.y + ea.up * mid.z;
  for (const Vec3& n : f.view.side)
    if (Dot(n, centre - f.view.eye) < -radius * 1.8f) return;  // side normals are not unit length
  if (Dot(f.view.axes.forward, centre - f.view.eye) < -radius) return;

  auto toLocal = [&](const Vec3& w) { return Vec3{Dot(w, ea.forward), -Dot(w, ea.right), Dot(w, ea.up)}; };
  LocalView lv;
  lv.eye = toLocal(f.view.eye - origin);
  lv.axes = {toLocal(f.view.axes.forward), toLocal(f.view.axes.right), toLocal(f.view.axes.up)};
  MapCache& c = f.impl.CacheFor(map);
  for (std::uint32_t i = 0; i < sm.numFaces; ++i) DrawFace(f, c, sm.firstFace + i, lv, e.frame);
}

}  // namespace winquake::scene

namespace winquake {

using scene::MapCache;

scene::MapCache& SceneRenderer::Impl::CacheFor(const std::shared_ptr<const BspMap>& map) {
  for (auto& c : maps) {
    if (c->map == map) {
      c->used = frame;
      return *c;
    }
  }
  // Keep the caches of a few maps (the level and its item boxes).
  constexpr std::size_t kMaxMaps = 8;
  if (maps.size() >= kMaxMaps) {
    auto oldest =
        std::min_element(maps.begin(), maps.end(), [](const auto& a, const auto& b) { return a->used < b->used; });
    for (const auto& [key, s] : (*oldest)->surfaces) bytes -= s.texels.size();
    maps.erase(oldest);
  }
  auto c = std::make_unique<MapCache>();
  c->map = map;
  c->used = frame;
  maps.push_back(std::move(c));
  return *maps.back();
}

void SceneRenderer::Impl::Trim() {
  if (bytes <= kCacheBytes) return;
  // The surfaces not drawn in this picture go, least recently drawn first,
  // down to three quarters of the budget.
  std::vector<std::pair<std::uint64_t, std::pair<MapCache*, std::uint32_t>>> old;
  for (auto& c : maps)
    for (const auto& [key, s] : c->surfaces)
      if (s.used < frame) old.push_back({s.used, {c.get(), key}});
  std::sort(old.begin(), old.end());
  for (const auto& [used, where] : old) {
    if (bytes <= kCacheBytes / 4 * 3) break;
    auto it = where.first->surfaces.find(where.second);
    bytes -= it->second.texels.size();
    where.first->surfaces.erase(it);
  }
}

SceneRenderer::SceneRenderer() : impl_(std::make_unique<Impl>()) {}
SceneRenderer::~SceneRenderer() = default;

std::size_t SceneRenderer::CachedBytes() const { return impl_->bytes; }

bool SceneRenderer::DrawView(const PlayState& state, const GameData& data, Framebuffer& fb,
                             std::vector<std::string>& fallbacks) {
  const std::string& mapName = state.MapName();
  if (mapName.empty()) return false;
  const ColorTables* colors = data.Colors();
  if (!colors) {
    const std::string line = data.ColorsProblem() + "; drawing the level grid instead";
    if (std::find(fallbacks.begin(), fallbacks.end(), line) == fallbacks.end()) fallbacks.push_back(line);
    return false;
  }
  std::string problem;
  std::shared_ptr<const BspMap> world = data.Map(mapName, &problem);
  if (!world) {
    const std::string line = mapName + ": " + problem + "; drawing the level grid instead";
    if (std::find(fallbacks.begin(), fallbacks.end(), line) == fallbacks.end()) fallbacks.push_back(line);
    return false;
  }

  Impl& impl = *impl_;
  ++impl.frame;
  float eye[3], angles[3];
  state.Camera(eye, angles);
  const double t = state.Time();
  scene::Frame f{state,
                 data,
                 *colors,
                 impl,
                 fb,
                 scene::MakeView(eye, angles, fb.width, fb.height),
                 std::isfinite(t) ? std::fmod(std::abs(t), 100000.0) : 0.0,
                 world,
                 fallbacks};
  impl.depth.assign(fb.pixels.size(), 0.0f);
  std::fill(fb.pixels.begin(), fb.pixels.end(), 0);
  scene::DrawWorld(f);
  scene::DrawEntities(f);

  // The colour shift: each colour replaced by the palette's nearest to the
  // colour blended with the shift.
  const Blend blend = state.CurrentBlend();
  if (blend.alpha > 0) {
    const double key[5] = {blend.r, blend.g, blend.b, std::round(blend.alpha * 64), 0};
    if (!std::equal(key, key + 5, impl.tintKey) || impl.tintColors != colors) {
      const double a = key[3] / 64;
      for (int i = 0; i < 256; ++i) {
        const std::uint8_t* c = colors->palette.data() + i * 3;
        impl.tint[static_cast<std::size_t>(i)] =
            colors->Nearest(static_cast<int>(std::lround(c[0] + (blend.r - c[0]) * a)),
                            static_cast<int>(std::lround(c[1] + (blend.g - c[1]) * a)),
                            static_cast<int>(std::lround(c[2] + (blend.b - c[2]) * a)));
      }
      std::copy(key, key + 5, impl.tintKey);
      impl.tintColors = colors;
    }
    for (std::uint8_t& p : fb.pixels) p = impl.tint[p];
  }
  impl.Trim();
  return true;
}

Picture DrawPicture(const PlayState& state, const GameData* data, int width, int height, SceneRenderer* renderer,
                    bool hud) {
  SceneRenderer fresh;
  SceneRenderer& r = renderer ? *renderer : fresh;
  Framebuffer fb(width, height);
  Picture p;
  if (data && r.DrawView(state, *data, fb, p.fallbacks)) {
    p.fromData = true;
    p.palette = data->Colors()->palette;
    fb.ink = data->Colors()->fromBuiltin.data();
  } else {
    RenderView(state, fb);
    p.palette = ShiftedPalette(state.CurrentBlend());
  }
  if (hud) RenderHud(state, fb);
  p.width = fb.width;
  p.height = fb.height;
  p.pixels = std::move(fb.pixels);
  return p;
}

}  // namespace winquake
