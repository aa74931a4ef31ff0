#include "bsp.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "bytes.h"

namespace winquake {

namespace {

using bytes::F32;
using bytes::I16;
using bytes::I32;
using bytes::U16;
using bytes::U32;

enum Lump {
  kEntities,
  kPlanes,
  kTextures,
  kVertexes,
  kVisibility,
  kNodes,
  kTexinfo,
  kFaces,
  kLighting,
  kClipnodes,
  kLeafs,
  kMarksurfaces,
  kEdges,
  kSurfedges,
  kModels,
  kLumpCount
};

constexpr std::size_t kHeaderBytes = 4 + kLumpCount * 8;
constexpr float kMaxCoord = 1e6f;  // beyond this a position or a texture vector is damage
constexpr int kMaxExtent = 4096;   // texels; the game refuses 2000 and more
constexpr int kMaxFaceEdges = 256;
constexpr int kMaxTreeDepth = 512;
constexpr int kMaxTextureSide = 4096;

// Record sizes of the three layouts.
struct Layout {
  const char* name;
  std::size_t node, leaf, face, edge, mark;
  bool wide;        // int indices in nodes, leafs, faces, edges, marksurfaces
  bool floatBoxes;  // bounding boxes of nodes and leafs as floats
};
constexpr Layout kBsp29{"BSP29", 24, 28, 20, 4, 2, false, false};
constexpr Layout k2psb{"2PSB", 32, 32, 28, 8, 4, true, false};
constexpr Layout kBsp2{"BSP2", 44, 44, 28, 8, 4, true, true};

struct Reader {
  std::string_view data;
  std::int64_t offset[kLumpCount] = {};
  std::int64_t length[kLumpCount] = {};
  const char* At(Lump l, std::size_t byte) const { return data.data() + offset[l] + byte; }
  std::size_t Count(Lump l, std::size_t size) const { return static_cast<std::size_t>(length[l]) / size; }
};

bool Finite(float v) { return std::isfinite(v) && std::abs(v) <= kMaxCoord; }

void ReadBox(const char* p, bool floats, float mins[3], float maxs[3]) {
  for (int k = 0; k < 3; ++k) {
    if (floats) {
      mins[k] = F32(p + 4 * k);
      maxs[k] = F32(p + 12 + 4 * k);
      if (!Finite(mins[k])) mins[k] = -kMaxCoord;
      if (!Finite(maxs[k])) maxs[k] = kMaxCoord;
    } else {
      mins[k] = I16(p + 2 * k);
      maxs[k] = I16(p + 6 + 2 * k);
    }
  }
}

// A child link of a node as stored: BSP29 stores an unsigned 16-bit value,
// a node below the node count and otherwise the leaf 65535 - value.
std::int32_t ChildLink(std::int64_t raw, bool wide, std::size_t nodeCount) {
  if (!wide) {
    const auto v = static_cast<std::uint16_t>(raw);
    if (v < nodeCount) return v;
    return -1 - (65535 - static_cast<std::int32_t>(v));
  }
  return static_cast<std::int32_t>(raw);
}

void ReadTextures(const Reader& r, BspMap& map) {
  const std::int64_t lumpLen = r.length[kTextures];
  std::int64_t count = lumpLen >= 4 ? I32(r.At(kTextures, 0)) : 0;
  if (count < 0 || 4 + 4 * count > lumpLen) count = std::max<std::int64_t>(0, (lumpLen - 4) / 4);
  map.textures.reserve(static_cast<std::size_t>(count) + 1);
  for (std::int64_t i = 0; i < count; ++i) {
    BspTexture tex;
    const std::int32_t at = I32(r.At(kTextures, static_cast<std::size_t>(4 + 4 * i)));
    bool ok = at >= 0 && bytes::Fits(at, 40, static_cast<std::uint64_t>(lumpLen));
    if (ok) {
      const char* p = r.At(kTextures, static_cast<std::size_t>(at));
      tex.name = bytes::Name(p, 16);
      const std::uint32_t w = U32(p + 16), h = U32(p + 20);
      ok = w >= 1 && h >= 1 && w <= kMaxTextureSide && h <= kMaxTextureSide;
      if (ok) {
        tex.width = static_cast<int>(w);
        tex.height = static_cast<int>(h);
        for (int m = 0; m < 4 && ok; ++m) {
          const int mw = std::max(1, tex.width >> m), mh = std::max(1, tex.height >> m);
          tex.mipWidth[m] = mw;
          tex.mipHeight[m] = mh;
          const std::uint32_t mipAt = U32(p + 24 + 4 * m);
          const std::int64_t from = static_cast<std::int64_t>(at) + mipAt;
          if (mipAt != 0 &&
              bytes::Fits(from, static_cast<std::int64_t>(mw) * mh, static_cast<std::uint64_t>(lumpLen))) {
            const char* px = r.At(kTextures, static_cast<std::size_t>(from));
            tex.mips[m].assign(px, px + static_cast<std::size_t>(mw) * mh);
          } else if (m == 0) {
            ok = false;  // no pixels (or an external texture the game would fetch from a WAD)
          } else {
            // A smaller mip that is missing is sampled from the one above.
            const std::vector<std::uint8_t>& up = tex.mips[m - 1];
            const int uw = tex.mipWidth[m - 1], uh = tex.mipHeight[m - 1];
            tex.mips[m].resize(static_cast<std::size_t>(mw) * mh);
            for (int y = 0; y < mh; ++y)
              for (int x = 0; x < mw; ++x)
                tex.mips[m][static_cast<std::size_t>(y) * mw + x] =
                    up[static_cast<std::size_t>(std::min(uh - 1, y * 2)) * uw + std::min(uw - 1, x * 2)];
          }
        }
      }
    }
    if (!ok) {
      ++map.missingTextures;
      tex = BspTexture();
      tex.name.clear();  // drawn with the placeholder
    } else {
      const std::string lower = bytes::Lower(tex.name);
      if (lower.rfind("sky", 0) == 0)
        tex.kind = TextureKind::Sky;
      else if (!lower.empty() && lower[0] == '*')
        tex.kind = TextureKind::Liquid;
    }
    map.textures.push_back(std::move(tex));
  }
  // The placeholder: a checkerboard of 8x8 squares of colours 255 and 0.
  BspTexture none;
  none.name = "notexture";
  none.width = none.height = 16;
  for (int m = 0; m < 4; ++m) {
    const int side = 16 >> m;
    none.mipWidth[m] = none.mipHeight[m] = side;
    none.mips[m].resize(static_cast<std::size_t>(side) * side);
    for (int y = 0; y < side; ++y)
      for (int x = 0; x < side; ++x)
        none.mips[m][static_cast<std::size_t>(y) * side + x] = ((x * 2 >> (3 - m)) ^ (y * 2 >> (3 - m))) & 1 ? 0 : 255;
  }
  map.textures.push_back(std::move(none));

  // Animations: "+0name".."+9name" and "+aname".."+jname", each sequence up
  // to its first missing frame.
  std::map<std::string, std::array<int, 20>> groups;
  for (std::size_t i = 0; i + 1 < map.textures.size(); ++i) {
    const std::string& n = map.textures[i].name;
    if (n.size() < 2 || n[0] != '+') continue;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(n[1])));
    int slot = -1;
    if (c >= '0' && c <= '9')
      slot = c - '0';
    else if (c >= 'a' && c <= 'j')
      slot = 10 + (c - 'a');
    if (slot < 0) continue;
    auto [it, inserted] = groups.try_emplace(bytes::Lower(n.substr(2)));
    if (inserted) it->second.fill(-1);
    if (it->second[static_cast<std::size_t>(slot)] < 0)
      it->second[static_cast<std::size_t>(slot)] = static_cast<int>(i);
  }
  for (const auto& [name, slots] : groups) {
    TextureAnimation anim;
    for (int k = 0; k < 10 && slots[static_cast<std::size_t>(k)] >= 0; ++k)
      anim.frames.push_back(slots[static_cast<std::size_t>(k)]);
    for (int k = 10; k < 20 && slots[static_cast<std::size_t>(k)] >= 0; ++k)
      anim.alternate.push_back(slots[static_cast<std::size_t>(k)]);
    if (anim.frames.empty() && anim.alternate.empty()) continue;
    const int index = static_cast<int>(map.animations.size());
    for (int t : anim.frames) map.textures[static_cast<std::size_t>(t)].animation = index;
    for (int t : anim.alternate) map.textures[static_cast<std::size_t>(t)].animation = index;
    map.animations.push_back(std::move(anim));
  }
}

// Cuts links that would make the tree of a model revisit a node (a cycle,
// or a node shared by two parents) or reach too deep, and records each
// node's and leaf's parent.
void CheckTree(BspMap& map) {
  std::vector<std::uint8_t> seen(map.nodes.size(), 0);
  struct Item {
    std::int32_t node;
    int depth;
  };
  std::vector<Item> stack;
  for (BspSubmodel& model : map.models) {
    if (model.headNode >= 0) {
      if (seen[static_cast<std::size_t>(model.headNode)]) {
        // Another model's tree: drawing walks it again from here, which is fine.
        continue;
      }
      seen[static_cast<std::size_t>(model.headNode)] = 1;
      stack.push_back({model.headNode, 0});
    }
    while (!stack.empty()) {
      const Item item = stack.back();
      stack.pop_back();
      BspNode& node = map.nodes[static_cast<std::size_t>(item.node)];
      for (std::int32_t& child : node.children) {
        if (child >= 0) {
          if (seen[static_cast<std::size_t>(child)] || item.depth + 1 > kMaxTreeDepth) {
            child = -1;  // the solid leaf
            ++map.droppedLinks;
            continue;
          }
          seen[static_cast<std::size_t>(child)] = 1;
          map.nodes[static_cast<std::size_t>(child)].parent = item.node;
          stack.push_back({child, item.depth + 1});
        } else {
          BspLeaf& leaf = map.leafs[static_cast<std::size_t>(-1 - child)];
          if (leaf.parent < 0) leaf.parent = item.node;
        }
      }
    }
  }
}

void ReadFace(const Reader& r, const Layout& layout, std::size_t i, const std::vector<Vec3>& vertexes,
              const std::vector<std::array<std::uint32_t, 2>>& edges, BspMap& map) {
  const char* p = r.At(kFaces, i * layout.face);
  std::uint32_t plane, side, numEdges, texinfo;
  std::int64_t firstEdge;
  const std::uint8_t* styles;
  std::int32_t lightOffset;
  if (layout.wide) {
    plane = U32(p);
    side = U32(p + 4);
    firstEdge = I32(p + 8);
    numEdges = U32(p + 12);
    texinfo = U32(p + 16);
    styles = reinterpret_cast<const std::uint8_t*>(p + 20);
    lightOffset = I32(p + 24);
  } else {
    plane = U16(p);
    side = U16(p + 2);
    firstEdge = I32(p + 4);
    numEdges = U16(p + 8);
    texinfo = U16(p + 10);
    styles = reinterpret_cast<const std::uint8_t*>(p + 12);
    lightOffset = I32(p + 16);
  }
  BspFace face;
  const std::size_t surfedges = r.Count(kSurfedges, 4);
  bool ok = plane < map.planes.size() && texinfo < map.texinfo.size() && numEdges >= 3 && numEdges <= kMaxFaceEdges &&
            firstEdge >= 0 && static_cast<std::uint64_t>(firstEdge) + numEdges <= surfedges;
  const std::size_t first = map.faceVertices.size();
  for (std::uint32_t k = 0; ok && k < numEdges; ++k) {
    const std::int64_t e = I32(r.At(kSurfedges, static_cast<std::size_t>(firstEdge + k) * 4));
    const std::uint64_t index = static_cast<std::uint64_t>(e >= 0 ? e : -e);
    if (index >= edges.size()) {
      ok = false;
      break;
    }
    const std::uint32_t v = edges[index][e >= 0 ? 0 : 1];
    if (v >= vertexes.size()) {
      ok = false;
      break;
    }
    map.faceVertices.push_back(vertexes[v]);
  }
  if (ok) {
    const BspPlane& pl = map.planes[plane];
    face.normal = side ? Vec3{-pl.normal.x, -pl.normal.y, -pl.normal.z} : pl.normal;
    face.dist = side ? -pl.dist : pl.dist;
    face.texinfo = texinfo;
    const BspTexInfo& ti = map.texinfo[texinfo];
    // Extents: products and sums in double, each result stored as a float,
    // as the light compiler did.
    double mins[2] = {1e30, 1e30}, maxs[2] = {-1e30, -1e30};
    for (std::size_t k = first; k < map.faceVertices.size(); ++k) {
      const Vec3& v = map.faceVertices[k];
      for (int a = 0; a < 2; ++a) {
        const float* vec = a == 0 ? ti.s : ti.t;
        const auto val = static_cast<float>(static_cast<double>(v.x) * vec[0] + static_cast<double>(v.y) * vec[1] +
                                            static_cast<double>(v.z) * vec[2] + vec[3]);
        mins[a] = std::min(mins[a], static_cast<double>(val));
        maxs[a] = std::max(maxs[a], static_cast<double>(val));
      }
    }
    for (int a = 0; a < 2 && ok && !ti.special; ++a) {
      const double lo = std::floor(mins[a] / 16), hi = std::ceil(maxs[a] / 16);
      if (!(std::abs(lo) < 1e6 && std::abs(hi) < 1e6) || (hi - lo) * 16 > kMaxExtent) {
        ok = false;
        break;
      }
      face.textureMins[a] = static_cast<int>(lo) * 16;
      face.extents[a] = static_cast<int>(hi - lo) * 16;
    }
  }
  if (ok) {
    int numStyles = 0;
    for (int k = 0; k < 4; ++k) {
      face.styles[static_cast<std::size_t>(k)] = styles[k];
      if (styles[k] != 255 && numStyles == k) ++numStyles;
    }
    const std::int64_t size =
        static_cast<std::int64_t>(face.extents[0] / 16 + 1) * (face.extents[1] / 16 + 1) * numStyles;
    if (lightOffset >= 0 && numStyles > 0 && !map.texinfo[texinfo].special &&
        bytes::Fits(lightOffset, size, map.lighting.size()))
      face.lightOffset = lightOffset;
    face.firstVertex = static_cast<std::uint32_t>(first);
    face.numVertices = static_cast<std::uint32_t>(map.faceVertices.size() - first);
  } else {
    map.faceVertices.resize(first);
    ++map.droppedFaces;
  }
  map.faces.push_back(face);
}

}  // namespace

std::shared_ptr<const BspMap> ReadBsp(std::string_view data, std::string& error) {
  if (data.size() < kHeaderBytes) {
    error = "too short to be a map";
    return nullptr;
  }
  const Layout* layout = nullptr;
  if (I32(data.data()) == 29)
    layout = &kBsp29;
  else if (data.substr(0, 4) == "BSP2")
    layout = &kBsp2;
  else if (data.substr(0, 4) == "2PSB")
    layout = &k2psb;
  if (!layout) {
    error = "not a map of a version the game reads (version " + std::to_string(I32(data.data())) + ")";
    return nullptr;
  }
  Reader r;
  r.data = data;
  static constexpr const char* kLumpNames[kLumpCount] = {
      "entities", "planes",    "textures", "vertexes",     "visibility", "nodes",     "texinfo", "faces",
      "lighting", "clipnodes", "leafs",    "marksurfaces", "edges",      "surfedges", "models"};
  for (int l = 0; l < kLumpCount; ++l) {
    r.offset[l] = I32(data.data() + 4 + 8 * l);
    r.length[l] = I32(data.data() + 8 + 8 * l);
    if (!bytes::Fits(r.offset[l], r.length[l], data.size())) {
      error = std::string("the ") + kLumpNames[l] + " lump lies outside the file";
      return nullptr;
    }
  }

  auto map = std::make_shared<BspMap>();
  map->format = layout->name;
  const char* ent = r.At(kEntities, 0);
  map->entities = bytes::Name(ent, static_cast<std::size_t>(r.length[kEntities]));
  map->lighting.assign(r.At(kLighting, 0), r.At(kLighting, static_cast<std::size_t>(r.length[kLighting])));
  map->hasLighting = r.length[kLighting] > 0;
  map->visibility.assign(r.At(kVisibility, 0), r.At(kVisibility, static_cast<std::size_t>(r.length[kVisibility])));

  for (std::size_t i = 0, n = r.Count(kPlanes, 20); i < n; ++i) {
    const char* p = r.At(kPlanes, i * 20);
    BspPlane pl{{F32(p), F32(p + 4), F32(p + 8)}, F32(p + 12)};
    if (!Finite(pl.normal.x) || !Finite(pl.normal.y) || !Finite(pl.normal.z) || !Finite(pl.dist)) pl = BspPlane();
    map->planes.push_back(pl);
  }
  if (map->planes.empty()) map->planes.emplace_back();  // nodes with no plane of their own point here
  std::vector<Vec3> vertexes;
  for (std::size_t i = 0, n = r.Count(kVertexes, 12); i < n; ++i) {
    const char* p = r.At(kVertexes, i * 12);
    Vec3 v{F32(p), F32(p + 4), F32(p + 8)};
    if (!Finite(v.x) || !Finite(v.y) || !Finite(v.z)) v = Vec3{};
    vertexes.push_back(v);
  }
  std::vector<std::array<std::uint32_t, 2>> edges;
  for (std::size_t i = 0, n = r.Count(kEdges, layout->edge); i < n; ++i) {
    const char* p = r.At(kEdges, i * layout->edge);
    edges.push_back(layout->wide ? std::array<std::uint32_t, 2>{U32(p), U32(p + 4)}
                                 : std::array<std::uint32_t, 2>{U16(p), U16(p + 2)});
  }

  ReadTextures(r, *map);
  for (std::size_t i = 0, n = r.Count(kTexinfo, 40); i < n; ++i) {
    const char* p = r.At(kTexinfo, i * 40);
    BspTexInfo ti;
    bool finite = true;
    for (int k = 0; k < 4; ++k) {
      ti.s[k] = F32(p + 4 * k);
      ti.t[k] = F32(p + 16 + 4 * k);
      finite = finite && Finite(ti.s[k]) && Finite(ti.t[k]);
    }
    if (!finite) ti = BspTexInfo();
    ti.special = (I32(p + 36) & 1) != 0;
    const std::int32_t tex = I32(p + 32);
    const bool usable = finite && tex >= 0 && static_cast<std::size_t>(tex) + 1 < map->textures.size() &&
                        !map->textures[static_cast<std::size_t>(tex)].mips[0].empty();
    ti.texture = usable ? tex : map->MissingTexture();
    map->texinfo.push_back(ti);
  }

  const std::size_t faceCount = r.Count(kFaces, layout->face);
  map->faces.reserve(faceCount);
  map->faceVertices.reserve(r.Count(kSurfedges, 4));
  for (std::size_t i = 0; i < faceCount; ++i) ReadFace(r, *layout, i, vertexes, edges, *map);

  for (std::size_t i = 0, n = r.Count(kMarksurfaces, layout->mark); i < n; ++i) {
    const char* p = r.At(kMarksurfaces, i * layout->mark);
    const std::uint32_t f = layout->wide ? U32(p) : U16(p);
    map->marks.push_back(f < map->faces.size() ? f : 0);
  }
  if (map->faces.empty()) map->marks.clear();

  const std::size_t nodeCount = r.Count(kNodes, layout->node);
  const std::size_t leafCount = r.Count(kLeafs, layout->leaf);
  if (leafCount == 0) {
    error = "the map has no leafs";
    return nullptr;
  }
  for (std::size_t i = 0; i < leafCount; ++i) {
    const char* p = r.At(kLeafs, i * layout->leaf);
    BspLeaf leaf;
    leaf.contents = I32(p);
    leaf.visOffset = I32(p + 4);
    ReadBox(p + 8, layout->floatBoxes, leaf.mins, leaf.maxs);
    const char* marks = p + 8 + (layout->floatBoxes ? 24 : 12);
    const std::uint32_t first = layout->wide ? U32(marks) : U16(marks);
    const std::uint32_t count = layout->wide ? U32(marks + 4) : U16(marks + 2);
    if (static_cast<std::uint64_t>(first) + count <= map->marks.size()) {
      leaf.firstMark = first;
      leaf.numMarks = count;
    }
    map->leafs.push_back(leaf);
  }
  map->leafs[0].contents = kContentsSolid;
  map->leafs[0].numMarks = 0;
  for (std::size_t i = 0; i < nodeCount; ++i) {
    const char* p = r.At(kNodes, i * layout->node);
    BspNode node;
    const std::uint32_t plane = U32(p);
    bool ok = plane < map->planes.size();
    node.plane = ok ? plane : 0;
    const char* box;
    const char* faces;
    if (layout->wide) {
      node.children[0] = ChildLink(I32(p + 4), true, nodeCount);
      node.children[1] = ChildLink(I32(p + 8), true, nodeCount);
      box = p + 12;
      faces = box + (layout->floatBoxes ? 24 : 12);
    } else {
      node.children[0] = ChildLink(U16(p + 4), false, nodeCount);
      node.children[1] = ChildLink(U16(p + 6), false, nodeCount);
      box = p + 8;
      faces = p + 20;
    }
    ReadBox(box, layout->floatBoxes, node.mins, node.maxs);
    const std::uint32_t first = layout->wide ? U32(faces) : U16(faces);
    const std::uint32_t count = layout->wide ? U32(faces + 4) : U16(faces + 2);
    if (static_cast<std::uint64_t>(first) + count <= map->faces.size()) {
      node.firstFace = first;
      node.numFaces = count;
    }
    for (std::int32_t& child : node.children) {
      const bool valid = child >= 0 ? static_cast<std::size_t>(child) < nodeCount
                                    : static_cast<std::size_t>(-1 - static_cast<std::int64_t>(child)) < leafCount;
      if (!valid || !ok) {
        child = -1;
        ++map->droppedLinks;
      }
    }
    map->nodes.push_back(node);
  }

  for (std::size_t i = 0, n = r.Count(kModels, 64); i < n; ++i) {
    const char* p = r.At(kModels, i * 64);
    BspSubmodel m;
    for (int k = 0; k < 3; ++k) {
      m.mins[k] = F32(p + 4 * k);
      m.maxs[k] = F32(p + 12 + 4 * k);
      if (!Finite(m.mins[k]) || !Finite(m.maxs[k])) m.mins[k] = -kMaxCoord, m.maxs[k] = kMaxCoord;
    }
    const std::int32_t head = I32(p + 36);
    m.headNode = head >= 0 && static_cast<std::size_t>(head) < nodeCount ? head : -1;
    const std::int32_t first = I32(p + 56), count = I32(p + 60);
    if (first >= 0 && count >= 0 &&
        static_cast<std::uint64_t>(first) + static_cast<std::uint64_t>(count) <= map->faces.size()) {
      m.firstFace = static_cast<std::uint32_t>(first);
      m.numFaces = static_cast<std::uint32_t>(count);
    }
    if (i == 0) map->visLeafs = std::clamp<std::int32_t>(I32(p + 52), 0, static_cast<std::int32_t>(leafCount - 1));
    map->models.push_back(m);
  }
  if (map->models.empty()) {
    error = "the map has no models";
    return nullptr;
  }
  CheckTree(*map);
  return map;
}

int BspMap::LeafAt(const Vec3& p) const {
  std::int32_t link = models.empty() ? -1 : models[0].headNode;
  // The tree was checked while reading: every walk ends within its depth.
  while (link >= 0) {
    const BspNode& node = nodes[static_cast<std::size_t>(link)];
    const BspPlane& pl = planes[node.plane];
    link = node.children[Dot(pl.normal, p) - pl.dist > 0 ? 0 : 1];
  }
  return -1 - link;
}

void BspMap::VisibleLeafs(int leaf, std::vector<std::uint8_t>& row) const {
  const std::size_t rowBytes = (static_cast<std::size_t>(visLeafs) + 7) / 8;
  row.assign(rowBytes, 0);
  const BspLeaf* l =
      leaf > 0 && static_cast<std::size_t>(leaf) < leafs.size() ? &leafs[static_cast<std::size_t>(leaf)] : nullptr;
  if (!l || l->visOffset < 0 || static_cast<std::size_t>(l->visOffset) >= visibility.size()) {
    std::fill(row.begin(), row.end(), 0xff);
    return;
  }
  std::size_t in = static_cast<std::size_t>(l->visOffset), out = 0;
  while (out < rowBytes && in < visibility.size()) {
    const std::uint8_t b = visibility[in++];
    if (b) {
      row[out++] = b;
      continue;
    }
    if (in >= visibility.size()) break;
    out += visibility[in++];  // a run of zero bytes, possibly past the row's end
  }
}

std::string BspMap::EntityValue(std::string_view classname, std::string_view key) const {
  // Blocks of "key" "value" pairs between braces.
  std::size_t i = 0;
  while ((i = entities.find('{', i)) != std::string::npos) {
    const std::size_t end = entities.find('}', i);
    const std::string_view block =
        std::string_view(entities).substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
    std::vector<std::string_view> words;
    std::size_t q = 0;
    while ((q = block.find('"', q)) != std::string_view::npos) {
      const std::size_t close = block.find('"', q + 1);
      if (close == std::string_view::npos) break;
      words.push_back(block.substr(q + 1, close - q - 1));
      q = close + 1;
    }
    bool match = false;
    for (std::size_t k = 0; k + 1 < words.size(); k += 2)
      if (words[k] == "classname" && words[k + 1] == classname) match = true;
    if (match)
      for (std::size_t k = 0; k + 1 < words.size(); k += 2)
        if (words[k] == key) return std::string(words[k + 1]);
    if (end == std::string::npos) break;
    i = end + 1;
  }
  return {};
}

}  // namespace winquake
