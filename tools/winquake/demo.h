// A demo as the game plays it: its blocks, each with the camera angles of
// its header and the messages that matter for the picture and the console.
// Demo bytes are read through the converter's own reader (demfmt) into dump
// text, and the dump text is read here line by line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "demfmt/protocol.h"

namespace winquake {

enum class MsgKind : std::uint8_t {
  Disconnect,
  Print,
  StuffText,
  CenterPrint,
  Finale,
  Cutscene,
  SetAngle,       // angles
  SetView,        // entity
  ServerInfo,     // a new level: the model list starts again; text: the level's name
  PrecacheModel,  // text: the next entry of the model list
  Entity,         // entity, fields, model .. effects, origin, angles
  ClientData,     // viewheight, health, armor, ammo in `stat`; model, frame: the view weapon
  Baseline,       // entity, model .. skin, origin, angles
  Static,         // model .. skin, origin, angles
  TempEntity,     // sub: type; origin (start), angles (end of beams), entity;
                  // explosion2: entity first colour, colormap colour count
  Particle,       // origin, angles: direction x 16, stat[0]: count, entity: colour
  Damage,         // stat: armour and blood taken, origin: where from
  UpdateStat,     // sub: index, entity: value
  KilledMonster,
  FoundSecret,
  Intermission,
  Bf,
  SetPause,       // entity: 1 paused, 0 running
  LightStyle,     // sub: the style, text: its pattern ("a" dark .. "z" bright, a letter per 0.1 s)
};

// Which optional fields an entity update carries (the others come from the
// entity's baseline).
enum EntityField : std::uint16_t {
  kFieldModel = 1 << 0,
  kFieldFrame = 1 << 1,
  kFieldColormap = 1 << 2,
  kFieldSkin = 1 << 3,
  kFieldEffects = 1 << 4,
  kFieldX = 1 << 5,
  kFieldY = 1 << 6,
  kFieldZ = 1 << 7,
  kFieldPitch = 1 << 8,
  kFieldYaw = 1 << 9,
  kFieldRoll = 1 << 10,
};

// Temp entity types: the converter's numbers (demfmt/protocol.h), under the
// names the game's code uses.
using TempEntityType = demfmt::TempEntity;
inline constexpr TempEntityType kTeSpike = demfmt::TE_SPIKE, kTeSuperSpike = demfmt::TE_SUPERSPIKE,
                                kTeGunshot = demfmt::TE_GUNSHOT, kTeExplosion = demfmt::TE_EXPLOSION,
                                kTeTarExplosion = demfmt::TE_TAREXPLOSION, kTeLightning1 = demfmt::TE_LIGHTNING1,
                                kTeLightning2 = demfmt::TE_LIGHTNING2, kTeWizSpike = demfmt::TE_WIZSPIKE,
                                kTeKnightSpike = demfmt::TE_KNIGHTSPIKE, kTeLightning3 = demfmt::TE_LIGHTNING3,
                                kTeLavaSplash = demfmt::TE_LAVASPLASH, kTeTeleport = demfmt::TE_TELEPORT,
                                kTeExplosion2 = demfmt::TE_EXPLOSION2, kTeBeam = demfmt::TE_BEAM;
inline constexpr int kTeCount = demfmt::kTempEntityCount;

struct Message {
  MsgKind kind{};
  std::uint8_t sub = 0;
  std::uint16_t fields = 0;
  std::int32_t entity = 0;
  std::uint16_t model = 0;
  std::uint16_t frame = 0;
  std::uint8_t colormap = 0;
  std::uint8_t skin = 0;
  std::uint8_t effects = 0;
  std::uint8_t pad = 0;
  std::int16_t stat[4] = {};  // clientdata: viewheight, health, armor, ammo
  float origin[3] = {};
  float angles[3] = {};
  std::uint32_t text = 0;     // into Demo::strings
  std::uint32_t textLen = 0;
};

struct Block {
  float camera[3] = {};
  bool cameraValid = false;  // all three angles finite
  bool hasTime = false;
  double time = 0;           // the first svc_time of the block
  std::uint32_t firstMessage = 0;
  std::uint32_t messageCount = 0;
};

struct Demo {
  std::vector<Block> blocks;
  std::vector<Message> messages;
  std::string strings;
  std::vector<std::string> warnings;  // damaged parts the reader kept raw
  std::size_t skippedLines = 0;       // dump lines that could not be read

  std::string_view Text(const Message& m) const {
    return std::string_view(strings).substr(m.text, m.textLen);
  }
};

// Files above this size are refused before they are read.
inline constexpr std::uint64_t kMaxDemoBytes = 32ull << 20;

// Reads dump text given in pieces of any size (lines may be split between
// pieces) into a Demo.
class DumpReader {
 public:
  explicit DumpReader(Demo& demo) : demo_(demo) {}
  void Feed(std::string_view piece);
  void Finish();

 private:
  void Line(std::string_view line);
  void Inside(std::string_view line);
  void AddText(Message& m, std::string_view escaped);
  void Push(const Message& m);

  Demo& demo_;
  std::string carry_;
  bool inBlock_ = false;
};

// Demo bytes -> Demo. On failure returns nullopt and sets `error` to a
// sentence that says why (the bytes are not a demo, or hold no block).
std::optional<Demo> LoadDemoBytes(std::string_view bytes, std::string& error);

// Reads the file at `path` (a regular file of at most kMaxDemoBytes) and
// loads it. Errors name no path; the caller adds the name it was given.
std::optional<Demo> LoadDemoFile(const std::string& path, std::string& error);

// Parsing helpers of the dump's number forms, exposed for the tests.
std::optional<float> ParseDumpFloat(std::string_view s);   // decimal or 0xBITS
std::optional<double> ParseDumpCoord(std::string_view s);  // decimal, float, or SHORT:BYTE
std::optional<double> ParseDumpTime(std::string_view s);   // 12.5s, 1:15.25m, 1:2:5.5h, plain
std::string UnescapeDumpString(std::string_view s);

}  // namespace winquake
