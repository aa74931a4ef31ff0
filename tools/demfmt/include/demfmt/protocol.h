// The numbers of the demo protocol (15, 666, 999): message ids, temp entity
// types, the bits of entity updates, client data and sounds, and the flags
// of protocol 999. The converter, demogen and the preview game all take
// them from here.
#pragma once

#include <cstdint>

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

// Protocol 999's flags (sent with svc_serverinfo).
enum : std::uint32_t {
  PRFL_SHORTANGLE = 0x02,
  PRFL_FLOATANGLE = 0x04,
  PRFL_24BITCOORD = 0x08,
  PRFL_FLOATCOORD = 0x10,
  PRFL_INT32COORD = 0x80,
};

// Temp entity types, as the type byte of svc_temp_entity numbers them, and
// their names in the dump text.
enum TempEntity : std::uint8_t {
  TE_SPIKE = 0,
  TE_SUPERSPIKE = 1,
  TE_GUNSHOT = 2,
  TE_EXPLOSION = 3,
  TE_TAREXPLOSION = 4,
  TE_LIGHTNING1 = 5,
  TE_LIGHTNING2 = 6,
  TE_WIZSPIKE = 7,
  TE_KNIGHTSPIKE = 8,
  TE_LIGHTNING3 = 9,
  TE_LAVASPLASH = 10,
  TE_TELEPORT = 11,
  TE_EXPLOSION2 = 12,
  TE_BEAM = 13,
};
inline constexpr int kTempEntityCount = 14;
inline constexpr const char* kTempEntityName[kTempEntityCount] = {
    "spike",    "superspike",  "gunshot",    "explosion",  "tarexplosion", "lightning1", "lightning2",
    "wizspike", "knightspike", "lightning3", "lavasplash", "teleport",     "explosion2", "beam"};
// What follows the type: 0 a point, 1 a beam (entity, start, end), 2 the
// point and colours of explosion2.
inline constexpr int tempentity_shape(int type) {
  if (type == TE_LIGHTNING1 || type == TE_LIGHTNING2 || type == TE_LIGHTNING3 || type == TE_BEAM) return 1;
  return type == TE_EXPLOSION2 ? 2 : 0;
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

// Client data bits.
enum : std::uint32_t {
  SU_VIEWHEIGHT = 1u << 0,
  SU_IDEALPITCH = 1u << 1,
  SU_PUNCH1 = 1u << 2,
  SU_VELOCITY1 = 1u << 5,
  SU_ITEMS = 1u << 9,
  SU_ONGROUND = 1u << 10,
  SU_INWATER = 1u << 11,
  SU_WEAPONFRAME = 1u << 12,
  SU_ARMOR = 1u << 13,
  SU_WEAPON = 1u << 14,
  SU_EXTEND1 = 1u << 15,
  SU_EXTEND2 = 1u << 23,
};

// Sound mask bits.
enum : std::uint32_t { SND_VOLUME = 1, SND_ATTENUATION = 2, SND_LARGEENTITY = 8, SND_LARGESOUND = 16 };

}  // namespace demfmt
