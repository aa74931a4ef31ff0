// Message ids, bits and the protocol state that both directions track.
#pragma once

#include <cstdint>
#include <string_view>

namespace demfmt {

enum Svc : std::uint8_t {
  svc_bad = 0,
  svc_nop = 1,
  svc_disconnect = 2,
  svc_updatestat = 3,
  svc_version = 4,
  svc_setview = 5,
  svc_sound = 6,
  svc_time = 7,
  svc_print = 8,
  svc_stufftext = 9,
  svc_setangle = 10,
  svc_serverinfo = 11,
  svc_lightstyle = 12,
  svc_updatename = 13,
  svc_updatefrags = 14,
  svc_clientdata = 15,
  svc_stopsound = 16,
  svc_updatecolors = 17,
  svc_particle = 18,
  svc_damage = 19,
  svc_spawnstatic = 20,
  svc_spawnbaseline = 22,
  svc_temp_entity = 23,
  svc_setpause = 24,
  svc_signonnum = 25,
  svc_centerprint = 26,
  svc_killedmonster = 27,
  svc_foundsecret = 28,
  svc_spawnstaticsound = 29,
  svc_intermission = 30,
  svc_finale = 31,
  svc_cdtrack = 32,
  svc_sellscreen = 33,
  svc_cutscene = 34,
  svc_skybox = 37,
  svc_bf = 40,
  svc_fog = 41,
  svc_spawnbaseline2 = 42,
  svc_spawnstatic2 = 43,
  svc_spawnstaticsound2 = 44,
};

enum : std::uint32_t {
  PRFL_SHORTANGLE = 0x02,
  PRFL_FLOATANGLE = 0x04,
  PRFL_24BITCOORD = 0x08,
  PRFL_FLOATCOORD = 0x10,
  PRFL_INT32COORD = 0x80,
};

enum class CoordKind { Short8, Bits24, Int16th, Float };
enum class AngleKind { Byte, Short, Float };

struct Proto {
  std::int32_t protocol = 15;
  std::uint32_t flags = 0;

  bool operator==(const Proto&) const = default;
  bool fitz() const { return protocol == 666 || protocol == 999; }
  CoordKind coord() const {
    if (protocol != 999) return CoordKind::Short8;
    if (flags & PRFL_FLOATCOORD) return CoordKind::Float;
    if (flags & PRFL_INT32COORD) return CoordKind::Int16th;
    if (flags & PRFL_24BITCOORD) return CoordKind::Bits24;
    return CoordKind::Short8;
  }
  AngleKind angle() const {
    if (protocol != 999) return AngleKind::Byte;
    if (flags & PRFL_FLOATANGLE) return AngleKind::Float;
    if (flags & PRFL_SHORTANGLE) return AngleKind::Short;
    return AngleKind::Byte;
  }
  // serverinfo: 999 keeps its flags, anything else has none.
  void set_server(std::int32_t p, std::uint32_t f) {
    protocol = p;
    flags = p == 999 ? f : 0;
  }
  // svc_version (QuakeSpasm): sets the protocol when it is a known one.
  void set_version(std::int32_t p) {
    if (p == 15 || p == 666 || p == 999) protocol = p;
  }
};

// Temp entity types: 0 point, 1 beam (entity, start, end), 2 explosion2.
inline constexpr int kTempEntityCount = 14;
inline constexpr const char* kTempEntityName[kTempEntityCount] = {
    "spike",    "superspike",  "gunshot",    "explosion",  "tarexplosion", "lightning1", "lightning2",
    "wizspike", "knightspike", "lightning3", "lavasplash", "teleport",     "explosion2", "beam"};
inline constexpr int tempentity_shape(int type) {
  return (type == 5 || type == 6 || type == 9 || type == 13) ? 1 : type == 12 ? 2 : 0;
}

// Entity update field bits (the combined flag value of up to four bytes).
enum : std::uint32_t {
  U_MOREBITS = 1u << 0,
  U_ORIGIN1 = 1u << 1,
  U_ORIGIN2 = 1u << 2,
  U_ORIGIN3 = 1u << 3,
  U_ANGLE2 = 1u << 4,
  U_FRAME = 1u << 6,
  U_SIGNAL = 1u << 7,
  U_ANGLE1 = 1u << 8,
  U_ANGLE3 = 1u << 9,
  U_MODEL = 1u << 10,
  U_COLORMAP = 1u << 11,
  U_SKIN = 1u << 12,
  U_EFFECTS = 1u << 13,
  U_LONGENTITY = 1u << 14,
  U_EXTEND1 = 1u << 15,
  U_ALPHA = 1u << 16,
  U_FRAME2 = 1u << 17,
  U_MODEL2 = 1u << 18,
  U_LERPFINISH = 1u << 19,
  U_SCALE = 1u << 20,
  U_EXTEND2 = 1u << 23,
};

// Clientdata bits.
enum : std::uint32_t {
  SU_VIEWHEIGHT = 1u << 0,
  SU_IDEALPITCH = 1u << 1,
  SU_PUNCH1 = 1u << 2,
  SU_VELOCITY1 = 1u << 5,
  SU_WEAPONFRAME = 1u << 12,
  SU_ARMOR = 1u << 13,
  SU_WEAPON = 1u << 14,
  SU_EXTEND1 = 1u << 15,
  SU_EXTEND2 = 1u << 23,
};
// The optional high bytes after the active weapon, in stream order.
inline constexpr int kClientExtCount = 9;
inline constexpr int kClientExtBit[kClientExtCount] = {16, 17, 18, 19, 20, 21, 22, 24, 25};
inline constexpr std::string_view kClientExtName[kClientExtCount] = {
    "weapon2", "armor2", "ammo2", "shells2", "nails2", "rockets2", "cells2", "weaponframe2", "weaponalpha"};
inline constexpr std::string_view kClientStatName[7] = {"health",  "ammo",  "shells", "nails",
                                                        "rockets", "cells", "active"};

// Sound mask bits.
enum : std::uint32_t { SND_VOLUME = 1, SND_ATTENUATION = 2, SND_LARGEENTITY = 8, SND_LARGESOUND = 16 };

}  // namespace demfmt
