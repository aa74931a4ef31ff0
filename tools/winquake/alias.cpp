#include "alias.h"

#include <cmath>

#include "bytes.h"

namespace winquake {

namespace {

using bytes::F32;
using bytes::I32;

constexpr int kMaxSkinSide = 4096;

// Reads forward through a buffer; every step first checks that its bytes
// are there.
class Cursor {
 public:
  explicit Cursor(std::string_view data) : data_(data) {}
  // The next `size` bytes, or nullptr (and nothing consumed) when fewer remain.
  const char* Take(std::uint64_t size) {
    if (size > data_.size() - pos_) return nullptr;
    const char* p = data_.data() + pos_;
    pos_ += static_cast<std::size_t>(size);
    return p;
  }
  bool Int(std::int32_t& v) {
    const char* p = Take(4);
    if (p) v = I32(p);
    return p != nullptr;
  }
  std::uint64_t Left() const { return data_.size() - pos_; }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// The end times of a group of `count`: floats, read as they are.
bool ReadIntervals(Cursor& c, std::int32_t count, TimedGroup& group) {
  const char* p = c.Take(4ull * static_cast<std::uint64_t>(count));
  if (!p) return false;
  group.intervals.resize(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) group.intervals[static_cast<std::size_t>(i)] = F32(p + 4 * i);
  return true;
}

template <typename T>
std::shared_ptr<const T> Fail(std::string& error, std::string text) {
  error = std::move(text);
  return nullptr;
}

}  // namespace

std::uint32_t TimedGroup::At(double time) const {
  if (count <= 1 || intervals.size() != count) return 0;
  const double full = intervals.back();
  if (!(full > 0) || !std::isfinite(full) || !std::isfinite(time)) return 0;
  const double t = std::fmod(std::abs(time), full);
  for (std::uint32_t i = 0; i < count; ++i)
    if (intervals[i] > t) return i;
  return count - 1;
}

std::shared_ptr<const AliasModel> ReadAliasModel(std::string_view data, std::string& error) {
  Cursor c(data);
  const char* h = c.Take(84);
  if (!h || std::string_view(h, 4) != "IDPO" || I32(h + 4) != 6) {
    error = h ? "not an alias model of version 6" : "too short to be an alias model";
    return nullptr;
  }
  auto m = std::make_shared<AliasModel>();
  for (int k = 0; k < 3; ++k) {
    m->scale[k] = F32(h + 8 + 4 * k);
    m->origin[k] = F32(h + 20 + 4 * k);
    if (!std::isfinite(m->scale[k]) || !std::isfinite(m->origin[k]) || std::abs(m->scale[k]) > 1e4f ||
        std::abs(m->origin[k]) > 1e5f) {
      error = "its scale or origin is not a usable number";
      return nullptr;
    }
  }
  m->radius = F32(h + 32);
  const std::int32_t numSkins = I32(h + 48), width = I32(h + 52), height = I32(h + 56);
  const std::int32_t numVerts = I32(h + 60), numTris = I32(h + 64), numFrames = I32(h + 68);
  m->randomSync = I32(h + 72) != 0;
  m->flags = I32(h + 76);
  if (numSkins < 1 || numVerts < 1 || numTris < 1 || numFrames < 1) {
    error = "it has no skins, vertices, triangles or frames";
    return nullptr;
  }
  if (width < 1 || height < 1 || width > kMaxSkinSide || height > kMaxSkinSide) {
    error = "its skin size " + std::to_string(width) + "x" + std::to_string(height) + " is not usable";
    return nullptr;
  }
  m->skinWidth = width;
  m->skinHeight = height;
  const std::uint64_t skinBytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  const std::string shortFile = "the file ends inside its ";

  for (std::int32_t i = 0; i < numSkins; ++i) {
    std::int32_t type = 0, count = 1;
    if (!c.Int(type)) return Fail<AliasModel>(error, shortFile + "skins");
    TimedGroup group;
    group.first = static_cast<std::uint32_t>(m->pictures.size());
    if (type != 0) {
      if (!c.Int(count) || count < 1 || static_cast<std::uint64_t>(count) > c.Left() / 4 ||
          !ReadIntervals(c, count, group))
        return Fail<AliasModel>(error, shortFile + "skin groups");
    }
    group.count = static_cast<std::uint32_t>(count);
    if (skinBytes * static_cast<std::uint64_t>(count) > c.Left()) return Fail<AliasModel>(error, shortFile + "skins");
    for (std::int32_t k = 0; k < count; ++k) {
      const char* p = c.Take(skinBytes);
      m->pictures.emplace_back(p, p + skinBytes);
    }
    m->skins.push_back(std::move(group));
  }

  if (static_cast<std::uint64_t>(numVerts) > c.Left() / 12) return Fail<AliasModel>(error, shortFile + "skin vertices");
  const char* sv = c.Take(12ull * static_cast<std::uint64_t>(numVerts));
  m->skinVertices.resize(static_cast<std::size_t>(numVerts));
  for (std::int32_t i = 0; i < numVerts; ++i) {
    AliasSkinVertex& v = m->skinVertices[static_cast<std::size_t>(i)];
    v.onSeam = (I32(sv + 12 * i) & 0x20) != 0;
    v.s = I32(sv + 12 * i + 4);
    v.t = I32(sv + 12 * i + 8);
  }
  m->numVertices = static_cast<std::uint32_t>(numVerts);

  if (static_cast<std::uint64_t>(numTris) > c.Left() / 16) return Fail<AliasModel>(error, shortFile + "triangles");
  const char* tp = c.Take(16ull * static_cast<std::uint64_t>(numTris));
  m->triangles.reserve(static_cast<std::size_t>(numTris));
  for (std::int32_t i = 0; i < numTris; ++i) {
    const char* p = tp + 16 * i;
    AliasTriangle t;
    t.facesFront = I32(p) != 0;
    bool ok = true;
    for (int k = 0; k < 3; ++k) {
      const std::int32_t v = I32(p + 4 + 4 * k);
      ok = ok && v >= 0 && v < numVerts;
      t.v[k] = ok ? static_cast<std::uint32_t>(v) : 0;
    }
    if (ok) m->triangles.push_back(t);  // a triangle naming a vertex that is not there is left out
  }

  const std::uint64_t poseBytes = 24 + 4ull * static_cast<std::uint64_t>(numVerts);
  for (std::int32_t i = 0; i < numFrames; ++i) {
    std::int32_t type = 0, count = 1;
    if (!c.Int(type)) return Fail<AliasModel>(error, shortFile + "frames");
    TimedGroup group;
    group.first = static_cast<std::uint32_t>(m->poseVertices.size() / (4u * m->numVertices));
    if (type != 0) {
      if (!c.Int(count) || count < 1 || !c.Take(8) || static_cast<std::uint64_t>(count) > c.Left() / poseBytes ||
          !ReadIntervals(c, count, group))
        return Fail<AliasModel>(error, shortFile + "frame groups");
    }
    group.count = static_cast<std::uint32_t>(count);
    if (static_cast<std::uint64_t>(count) > c.Left() / poseBytes) return Fail<AliasModel>(error, shortFile + "frames");
    for (std::int32_t k = 0; k < count; ++k) {
      const char* p = c.Take(poseBytes);
      if (k == 0) m->frameNames.push_back(bytes::Name(p + 8, 16));
      m->poseVertices.insert(m->poseVertices.end(), p + 24, p + poseBytes);
    }
    m->frames.push_back(std::move(group));
  }
  return m;
}

std::shared_ptr<const SpriteModel> ReadSprite(std::string_view data, std::string& error) {
  Cursor c(data);
  const char* h = c.Take(36);
  if (!h || std::string_view(h, 4) != "IDSP" || I32(h + 4) != 1) {
    error = h ? "not a sprite of version 1" : "too short to be a sprite";
    return nullptr;
  }
  auto s = std::make_shared<SpriteModel>();
  s->type = I32(h + 8);
  const std::int32_t numFrames = I32(h + 24);
  if (numFrames < 1 || static_cast<std::uint64_t>(numFrames) > c.Left() / 4) {
    error = "its frame count " + std::to_string(numFrames) + " does not fit the file";
    return nullptr;
  }
  for (std::int32_t i = 0; i < numFrames; ++i) {
    std::int32_t type = 0, count = 1;
    if (!c.Int(type)) return Fail<SpriteModel>(error, "the file ends inside its frames");
    TimedGroup group;
    group.first = static_cast<std::uint32_t>(s->pictures.size());
    if (type != 0) {
      if (!c.Int(count) || count < 1 || static_cast<std::uint64_t>(count) > c.Left() / 20 ||
          !ReadIntervals(c, count, group))
        return Fail<SpriteModel>(error, "the file ends inside its frame groups");
    }
    group.count = static_cast<std::uint32_t>(count);
    for (std::int32_t k = 0; k < count; ++k) {
      const char* p = c.Take(16);
      if (!p) return Fail<SpriteModel>(error, "the file ends inside its pictures");
      SpritePicture pic;
      pic.originX = I32(p);
      pic.originY = I32(p + 4);
      pic.width = I32(p + 8);
      pic.height = I32(p + 12);
      if (pic.width < 1 || pic.height < 1 || pic.width > kMaxSkinSide || pic.height > kMaxSkinSide ||
          std::abs(static_cast<std::int64_t>(pic.originX)) > 65536 ||
          std::abs(static_cast<std::int64_t>(pic.originY)) > 65536)
        return Fail<SpriteModel>(error, "a picture's size or origin is not usable");
      const std::uint64_t size = static_cast<std::uint64_t>(pic.width) * static_cast<std::uint64_t>(pic.height);
      const char* px = c.Take(size);
      if (!px) return Fail<SpriteModel>(error, "the file ends inside its pictures");
      pic.pixels.assign(px, px + size);
      s->pictures.push_back(std::move(pic));
    }
    s->frames.push_back(std::move(group));
  }
  return s;
}

}  // namespace winquake
