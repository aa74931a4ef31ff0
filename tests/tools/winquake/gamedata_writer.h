// Small game data files written from scratch, for the tests and as seeds of
// the fuzz targets: packs, a palette and colour map, a box-shaped room as a
// map (with one brush entity), a tetrahedron as an alias model and a sprite.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace wq_data {

class Bytes {
 public:
  Bytes& I32(std::int32_t v) {
    for (int k = 0; k < 4; ++k) s.push_back(static_cast<char>((static_cast<std::uint32_t>(v) >> (8 * k)) & 0xff));
    return *this;
  }
  Bytes& U16(std::uint16_t v) {
    s.push_back(static_cast<char>(v & 0xff));
    s.push_back(static_cast<char>(v >> 8));
    return *this;
  }
  Bytes& F32(float f) {
    std::int32_t v;
    std::memcpy(&v, &f, 4);
    return I32(v);
  }
  Bytes& U8(std::uint8_t v) {
    s.push_back(static_cast<char>(v));
    return *this;
  }
  Bytes& Name(const std::string& n, std::size_t width) {
    std::string f = n.substr(0, width);
    f.resize(width, '\0');
    s += f;
    return *this;
  }
  Bytes& Raw(const std::string& r) {
    s += r;
    return *this;
  }
  std::string s;
};

// A pack of `files` in order; the directory after the data.
inline std::string PackOf(const std::vector<std::pair<std::string, std::string>>& files) {
  Bytes data, dir;
  std::int32_t at = 12;
  for (const auto& [name, bytes] : files) {
    data.Raw(bytes);
    dir.Name(name, 56).I32(at).I32(static_cast<std::int32_t>(bytes.size()));
    at += static_cast<std::int32_t>(bytes.size());
  }
  Bytes out;
  out.Raw("PACK").I32(at).I32(static_cast<std::int32_t>(dir.s.size())).Raw(data.s).Raw(dir.s);
  return out.s;
}

// A palette of grey ramps and a colour map whose row r darkens by r/63.
inline std::string Palette() {
  Bytes p;
  for (int i = 0; i < 256; ++i)
    p.U8(static_cast<std::uint8_t>(i)).U8(static_cast<std::uint8_t>(255 - i)).U8(static_cast<std::uint8_t>(i / 2));
  return p.s;
}
inline std::string Colormap() {
  Bytes c;
  for (int r = 0; r < 64; ++r)
    for (int i = 0; i < 256; ++i) c.U8(static_cast<std::uint8_t>(i * (63 - r) / 63));
  return c.s;
}

// A 16x16 texture of two colours in 4x4 squares, with its mips.
inline std::string Miptex(const std::string& name, std::uint8_t a, std::uint8_t b) {
  Bytes t;
  t.Name(name, 16).I32(16).I32(16).I32(40).I32(40 + 256).I32(40 + 256 + 64).I32(40 + 256 + 64 + 16);
  for (int m = 0; m < 4; ++m) {
    const int side = 16 >> m;
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x) t.U8(((x << m) / 4 + (y << m) / 4) % 2 ? a : b);
  }
  return t.s;
}

// A room 128 units on each side round the origin, its six faces facing in
// (texture "wall", light 200), and a brush entity "*1": one face of texture
// "door" on the plane x = 48, facing -x. The player starts at (0 0 -40).
// `bsp2`: in the widened BSP2 layout instead of version 29.
inline std::string BoxRoom(bool bsp2 = false) {
  struct Face {
    float n[3];
    float dist;
    float s[3], t[3];
  };
  // Inward normals: floor, ceiling, -x, +x, -y, +y walls; the door.
  const Face faces[7] = {{{0, 0, 1}, -64, {1, 0, 0}, {0, -1, 0}}, {{0, 0, -1}, -64, {1, 0, 0}, {0, -1, 0}},
                         {{1, 0, 0}, -64, {0, 1, 0}, {0, 0, -1}}, {{-1, 0, 0}, -64, {0, 1, 0}, {0, 0, -1}},
                         {{0, 1, 0}, -64, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, -64, {1, 0, 0}, {0, 0, -1}},
                         {{-1, 0, 0}, -48, {0, 1, 0}, {0, 0, -1}}};
  Bytes planes, vertexes, edges, surfedges, texinfo, facesLump, lighting, marks, nodes, leafs, models, textures;
  // Indices and boxes: 16-bit in version 29, 32-bit (boxes float) in BSP2.
  auto index = [bsp2](Bytes& b, std::int32_t v) -> Bytes& {
    return bsp2 ? b.I32(v) : b.U16(static_cast<std::uint16_t>(v));
  };
  auto coord = [bsp2](Bytes& b, int v) -> Bytes& {
    return bsp2 ? b.F32(static_cast<float>(v)) : b.U16(static_cast<std::uint16_t>(v));
  };
  index(index(edges, 0), 0);  // edge 0 is never used
  int vertex = 0, edge = 1;
  for (int f = 0; f < 7; ++f) {
    const Face& fc = faces[f];
    planes.F32(fc.n[0]).F32(fc.n[1]).F32(fc.n[2]).F32(fc.dist).I32(0);
    // Corners clockwise seen from the front: round axes u, v with u x v = -n.
    const float centre[3] = {fc.n[0] * fc.dist, fc.n[1] * fc.dist, fc.n[2] * fc.dist};
    const float half = f == 6 ? 16.0f : 64.0f;
    const float u[3] = {fc.n[2] != 0 ? 1.0f : 0.0f, 0, fc.n[2] != 0 ? 0.0f : 1.0f};
    const float v[3] = {u[1] * fc.n[2] - u[2] * fc.n[1], u[2] * fc.n[0] - u[0] * fc.n[2],
                        u[0] * fc.n[1] - u[1] * fc.n[0]};
    const float corner[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corner)
      vertexes.F32(centre[0] + half * (c[0] * u[0] + c[1] * v[0]))
          .F32(centre[1] + half * (c[0] * u[1] + c[1] * v[1]))
          .F32(centre[2] + half * (c[0] * u[2] + c[1] * v[2]));
    for (int k = 0; k < 4; ++k) {
      index(index(edges, vertex + k), vertex + (k + 1) % 4);
      surfedges.I32(edge + k);
    }
    texinfo.F32(fc.s[0]).F32(fc.s[1]).F32(fc.s[2]).F32(0).F32(fc.t[0]).F32(fc.t[1]).F32(fc.t[2]).F32(0);
    texinfo.I32(f == 6 ? 1 : 0).I32(0);
    const int side = f == 6 ? 3 : 9;  // light samples a side: extents of 32 or 128 texels
    index(index(facesLump, f), 0).I32(4 * f);
    index(index(facesLump, 4), f);
    facesLump.U8(0).U8(255).U8(255).U8(255).I32(static_cast<std::int32_t>(lighting.s.size()));
    for (int i = 0; i < side * side; ++i) lighting.U8(200);
    vertex += 4;
    edge += 4;
  }
  // The room: a chain of nodes, one per wall, solid behind each, the room's
  // leaf in front of the last; the door's node has only solid leafs.
  for (int n = 0; n < 7; ++n) {
    const std::int16_t front = n < 5 ? static_cast<std::int16_t>(n + 1) : n == 5 ? -2 : -1;
    index(index(nodes.I32(n), front), -1);
    for (int k = 0; k < 3; ++k) coord(nodes, -64);
    for (int k = 0; k < 3; ++k) coord(nodes, 64);
    index(index(nodes, n), 1);
  }
  for (int l = 0; l < 2; ++l) {
    leafs.I32(l == 0 ? -2 : -1).I32(l == 0 ? -1 : 0);
    for (int k = 0; k < 3; ++k) coord(leafs, -64);
    for (int k = 0; k < 3; ++k) coord(leafs, 64);
    index(index(leafs, 0), l == 0 ? 0 : 6).U8(0).U8(0).U8(0).U8(0);
  }
  for (int f = 0; f < 6; ++f) index(marks, f);
  for (int m = 0; m < 2; ++m) {
    for (int k = 0; k < 3; ++k) models.F32(-64);
    for (int k = 0; k < 3; ++k) models.F32(64);
    models.F32(0).F32(0).F32(0).I32(m == 0 ? 0 : 6).I32(0).I32(0).I32(0).I32(1);
    models.I32(m == 0 ? 0 : 6).I32(m == 0 ? 6 : 1);
  }
  const std::string wall = Miptex("wall", 40, 90), door = Miptex("door", 150, 200);
  textures.I32(2).I32(12).I32(12 + static_cast<std::int32_t>(wall.size())).Raw(wall).Raw(door);
  const std::string entities =
      "{\n\"classname\" \"worldspawn\"\n}\n{\n\"classname\" \"info_player_start\"\n\"origin\" \"0 0 -40\"\n}\n";
  const std::string visibility = std::string(1, '\x01');

  // Lumps in the order of the directory: entities, planes, textures,
  // vertexes, visibility, nodes, texinfo, faces, lighting, clipnodes,
  // leafs, marksurfaces, edges, surfedges, models.
  const std::string lumps[15] = {entities, planes.s,  textures.s,  vertexes.s,  visibility,
                                 nodes.s,  texinfo.s, facesLump.s, lighting.s,  std::string(),
                                 leafs.s,  marks.s,   edges.s,     surfedges.s, models.s};
  Bytes out;
  if (bsp2)
    out.Raw("BSP2");
  else
    out.I32(29);
  std::int32_t at = 4 + 15 * 8;
  for (const std::string& l : lumps) {
    out.I32(at).I32(static_cast<std::int32_t>(l.size()));
    at += static_cast<std::int32_t>((l.size() + 3) & ~std::size_t{3});
  }
  for (const std::string& l : lumps) {
    out.Raw(l);
    out.s.resize((out.s.size() + 3) & ~std::size_t{3}, '\0');
  }
  return out.s;
}

// A tetrahedron about 16 units high: one 8x8 skin of colour `color`, two
// frames (a pose, then a group of two poses 0.1 s apart).
inline std::string Tetrahedron(std::uint8_t color = 60) {
  Bytes m;
  m.Raw("IDPO").I32(6).F32(1).F32(1).F32(1).F32(-8).F32(-8).F32(0).F32(16).F32(0).F32(0).F32(0);
  m.I32(1).I32(8).I32(8).I32(4).I32(4).I32(2).I32(0).I32(0).F32(16);
  m.I32(0);
  for (int i = 0; i < 64; ++i) m.U8(color);
  const int st[4][2] = {{0, 0}, {7, 0}, {0, 7}, {7, 7}};
  for (const auto& v : st) m.I32(0).I32(v[0]).I32(v[1]);
  const int tris[4][3] = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};
  for (const auto& t : tris) m.I32(1).I32(t[0]).I32(t[1]).I32(t[2]);
  const std::uint8_t pos[4][3] = {{0, 0, 0}, {16, 0, 0}, {8, 16, 0}, {8, 8, 16}};
  auto pose = [&](const char* name) {
    m.U8(0).U8(0).U8(0).U8(0).U8(16).U8(16).U8(16).U8(0).Name(name, 16);
    for (const auto& p : pos) m.U8(p[0]).U8(p[1]).U8(p[2]).U8(0);
  };
  m.I32(0);
  pose("stand");
  m.I32(1).I32(2).U8(0).U8(0).U8(0).U8(0).U8(16).U8(16).U8(16).U8(0).F32(0.1f).F32(0.2f);
  pose("walk1");
  pose("walk2");
  return m.s;
}

// A sprite of two frames: a 4x4 picture, then a group of two.
inline std::string Sprite() {
  Bytes s;
  s.Raw("IDSP").I32(1).I32(2).F32(8).I32(4).I32(4).I32(2).F32(0).I32(0);
  auto picture = [&](std::uint8_t c) {
    s.I32(-2).I32(2).I32(4).I32(4);
    for (int i = 0; i < 16; ++i) s.U8(i % 5 == 0 ? 255 : c);
  };
  s.I32(0);
  picture(70);
  s.I32(1).I32(2).F32(0.1f).F32(0.2f);
  picture(80);
  picture(90);
  return s.s;
}

}  // namespace wq_data
