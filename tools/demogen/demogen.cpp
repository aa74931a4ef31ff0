#include "demogen.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string_view>
#include <system_error>

#include "demfmt/protocol.h"

namespace clipvex::demogen {
namespace {

// ---------------------------------------------------------------- protocol 15

// The message ids, temp entity types and update bits come from the
// converter library (demfmt/protocol.h).
using namespace demfmt;

constexpr int STAT_TOTALSECRETS = 11, STAT_TOTALMONSTERS = 12, STAT_SECRETS = 13, STAT_MONSTERS = 14;
constexpr std::int32_t IT_SHOTGUN = 1, IT_ROCKET_LAUNCHER = 32, IT_AXE = 4096, IT_ARMOR1 = 8192;
constexpr int EF_MUZZLEFLASH = 2, EF_DIMLIGHT = 8;

// Model precache; index = position + 1, entry 1 is filled in with the map.
enum Model : int {
  M_WORLD = 1,
  M_PLAYER,
  M_VROCK,
  M_ARMOR,
  M_QUAD,
  M_MISSILE,
  M_FLAME,
  M_BOLT,
  M_OGRE,
  M_KNIGHT,
  M_SOLDIER,
  M_DOG,
  M_WIZARD,
};
constexpr std::array<std::string_view, 12> kModels = {
    "progs/player.mdl",  "progs/v_rock.mdl",  "progs/armor.mdl", "progs/quaddama.mdl",
    "progs/missile.mdl", "progs/flame2.mdl",  "progs/bolt2.mdl", "progs/ogre.mdl",
    "progs/knight.mdl",  "progs/soldier.mdl", "progs/dog.mdl",   "progs/wizard.mdl",
};

enum Sound : int { S_FIRE = 1, S_ARMOR, S_HEALTH, S_PAIN, S_SECRET, S_FIRE_AMBIENT, S_TALK, S_LAND };
constexpr std::array<std::string_view, 8> kSounds = {
    "weapons/sgun1.wav", "items/armor1.wav",   "items/health1.wav", "player/pain1.wav",
    "misc/secret.wav",   "ambience/fire1.wav", "misc/talk.wav",     "player/land.wav",
};

// Light style patterns a level sets up in its worldspawn.
constexpr std::array<std::string_view, 12> kLightStyles = {
    "m",
    "mmnmmommommnonmmonqnmmo",
    "abcdefghijklmnopqrstuvwxyzyxwvutsrqponmlkjihgfedcba",
    "mmmmmaaaaammmmmaaaaaabcdefgabcdefg",
    "mamamamamama",
    "jklmnopqrstuvwxyzyxwvutsrqponmlkj",
    "nmonqnmomnmomomno",
    "mmmaaaabcdefgmmmmaaaammmaamm",
    "mmmaaammmaaammmabcdefaaaammmmabcdefmmmaaaa",
    "aaaaaaaazzzzzzzz",
    "mmamammmmammamamaaamammma",
    "abcdefghijklmnopqrrqponmlkjihgfedcba",
};

// ---------------------------------------------------------------- maps

struct Vec3 {
  double x = 0, y = 0, z = 0;
};
Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator*(Vec3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
double length(Vec3 a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }

struct MapInfo {
  std::string_view name;
  std::string_view title;  // the world's message text
  int cdtrack;
  std::vector<Vec3> loop;  // player origins (feet + 24) the camera walks through
};

// Loops through open floor near each map's start spot and items.
const std::vector<MapInfo>& known_maps() {
  static const std::vector<MapInfo> maps = {
      {"start",
       "",
       4,
       {{-192, 288, -224},
        {40, 240, -224},
        {300, 300, -224},
        {620, 330, -224},
        {760, 460, -224},
        {460, 500, -224},
        {120, 480, -224},
        {-120, 420, -224}}},
      {"e1m1",
       "Rats behind bars",
       6,
       {{464, 2048, -200},
        {408, 1900, -200},
        {470, 1650, -170},
        {620, 1480, -140},
        {880, 1560, -110},
        {760, 1800, -150},
        {600, 2000, -190}}},
      {"medusa",
       "",
       2,
       {{0, -960, 24},
        {448, -736, 24},
        {696, -528, 24},
        {424, -216, 24},
        {8, -224, 24},
        {-440, -368, 24},
        {-712, -528, 24},
        {-480, -728, 24}}},
      {"swampy",
       "Swampy, The Swamp Master: The Movie - The Game",
       9,
       {{64, -608, 44}, {300, -200, 60}, {320, 400, 64}, {320, 800, 64}, {-240, 336, 64}, {-120, -260, 50}}},
      {"e0m3", "", 0, {{0, -160, 80}, {40, -120, 80}, {0, -80, 80}, {-40, -120, 80}}},
      {"e4m2", "", 0, {{0, -160, 80}, {40, -120, 80}, {0, -80, 80}, {-40, -120, 80}}},
  };
  return maps;
}

MapInfo map_info(const std::string& name) {
  for (const auto& m : known_maps())
    if (m.name == name) return m;
  MapInfo generic{"", "", 0, {}};
  for (int i = 0; i < 8; ++i) {
    double a = i * std::numbers::pi / 4;
    generic.loop.push_back({160 * std::cos(a), 160 * std::sin(a), 32});
  }
  return generic;
}

// A closed Catmull-Rom curve through the loop points, sampled densely and
// addressed by arc length so that things move at a steady speed.
class Path {
 public:
  explicit Path(const std::vector<Vec3>& pts) {
    const std::size_t n = pts.size();
    constexpr int kSteps = 32;
    for (std::size_t i = 0; i < n; ++i) {
      const Vec3 &p0 = pts[(i + n - 1) % n], &p1 = pts[i], &p2 = pts[(i + 1) % n], &p3 = pts[(i + 2) % n];
      for (int s = 0; s < kSteps; ++s) {
        double t = double(s) / kSteps, t2 = t * t, t3 = t2 * t;
        Vec3 p =
            (p1 * 2 + (p2 - p0) * t + (p0 * 2 - p1 * 5 + p2 * 4 - p3) * t2 + (p3 - p0 + p1 * 3 - p2 * 3) * t3) * 0.5;
        samples_.push_back(p);
      }
    }
    samples_.push_back(samples_.front());
    cumulative_.push_back(0);
    for (std::size_t i = 1; i < samples_.size(); ++i)
      cumulative_.push_back(cumulative_.back() + length(samples_[i] - samples_[i - 1]));
  }
  double total() const { return cumulative_.back(); }
  Vec3 at(double s) const {
    s = std::fmod(s, total());
    if (s < 0) s += total();
    auto it = std::upper_bound(cumulative_.begin(), cumulative_.end(), s);
    std::size_t i = std::clamp<std::size_t>(std::size_t(it - cumulative_.begin()), 1, samples_.size() - 1);
    double seg = cumulative_[i] - cumulative_[i - 1];
    double f = seg > 0 ? (s - cumulative_[i - 1]) / seg : 0;
    return samples_[i - 1] + (samples_[i] - samples_[i - 1]) * f;
  }
  // Heading in degrees at arc position s.
  double yaw_at(double s) const {
    Vec3 d = at(s + 8) - at(s - 8);
    return std::atan2(d.y, d.x) * 180 / std::numbers::pi;
  }

 private:
  std::vector<Vec3> samples_;
  std::vector<double> cumulative_;
};

double wrap180(double a) {
  a = std::fmod(a + 180, 360);
  if (a < 0) a += 360;
  return a - 180;
}

// ---------------------------------------------------------------- bytes

class Rng {
 public:
  explicit Rng(std::uint64_t seed) : state_(seed ^ 0x9e3779b97f4a7c15ULL) {}
  std::uint64_t next() {
    std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
  }
  int range(int lo, int hi) { return lo + int(next() % std::uint64_t(hi - lo + 1)); }  // inclusive
  double unit() { return double(next() >> 11) * 0x1.0p-53; }

 private:
  std::uint64_t state_;
};

class Writer {
 public:
  explicit Writer(std::vector<std::uint8_t>& out) : out_(out) {}
  void u8(int v) { out_.push_back(std::uint8_t(v)); }
  void i16(int v) {
    auto u = std::uint16_t(v);
    u8(u & 0xff);
    u8(u >> 8);
  }
  void i32(std::int32_t v) {
    auto u = std::uint32_t(v);
    for (int i = 0; i < 4; ++i) u8(int((u >> (8 * i)) & 0xff));
  }
  void f32(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    i32(std::int32_t(u));
  }
  void str(std::string_view s) {
    out_.insert(out_.end(), s.begin(), s.end());
    u8(0);
  }
  void coord(double v) { i16(quant_coord(v)); }
  void angle(double deg) { u8(quant_angle(deg)); }
  void coords(Vec3 v) {
    coord(v.x);
    coord(v.y);
    coord(v.z);
  }

  static int quant_coord(double v) { return std::clamp(int(std::lround(v * 8)), -32768, 32767); }
  static int quant_angle(double deg) { return int(std::lround(deg * 256 / 360)) & 0xff; }

  // Blocks: header now, length patched by end_block().
  void begin_block(double pitch, double yaw, double roll) {
    block_start_ = out_.size();
    i32(0);
    f32(float(pitch));
    f32(float(yaw));
    f32(float(roll));
  }
  void end_block() {
    auto n = std::uint32_t(out_.size() - block_start_ - 16);
    for (int i = 0; i < 4; ++i) out_[block_start_ + std::size_t(i)] = std::uint8_t((n >> (8 * i)) & 0xff);
  }
  std::size_t size() const { return out_.size(); }

 private:
  std::vector<std::uint8_t>& out_;
  std::size_t block_start_ = 0;
};

// What the client knows about an entity, in wire units.
struct EntityState {
  int model = 0, frame = 0, colormap = 0, skin = 0, effects = 0;
  std::array<int, 3> origin{};  // coord units (1/8)
  std::array<int, 3> angles{};  // angle bytes

  static EntityState make(int model, int frame, Vec3 o, double pitch, double yaw, double roll) {
    EntityState s;
    s.model = model;
    s.frame = frame;
    s.origin = {Writer::quant_coord(o.x), Writer::quant_coord(o.y), Writer::quant_coord(o.z)};
    s.angles = {Writer::quant_angle(pitch), Writer::quant_angle(yaw), Writer::quant_angle(roll)};
    return s;
  }
};

void write_baseline_fields(Writer& w, const EntityState& s) {
  w.u8(s.model);
  w.u8(s.frame);
  w.u8(s.colormap);
  w.u8(s.skin);
  for (int i = 0; i < 3; ++i) {
    w.i16(s.origin[std::size_t(i)]);
    w.u8(s.angles[std::size_t(i)]);
  }
}

// An update carries every field that differs from the baseline, the way a
// server compresses entities against what the client already holds.
void write_update(Writer& w, int num, const EntityState& s, const EntityState& base) {
  unsigned bits = U_SIGNAL;
  for (int i = 0; i < 3; ++i) {
    if (s.origin[std::size_t(i)] != base.origin[std::size_t(i)]) bits |= U_ORIGIN1 << i;
  }
  if (s.angles[0] != base.angles[0]) bits |= U_ANGLE1;
  if (s.angles[1] != base.angles[1]) bits |= U_ANGLE2;
  if (s.angles[2] != base.angles[2]) bits |= U_ANGLE3;
  if (s.frame != base.frame) bits |= U_FRAME;
  if (s.model != base.model) bits |= U_MODEL;
  if (s.colormap != base.colormap) bits |= U_COLORMAP;
  if (s.skin != base.skin) bits |= U_SKIN;
  if (s.effects != base.effects) bits |= U_EFFECTS;
  if (num > 255) bits |= U_LONGENTITY;
  if (bits > 0xff) bits |= U_MOREBITS;

  w.u8(int(bits & 0xff));
  if (bits & U_MOREBITS) w.u8(int(bits >> 8));
  if (bits & U_LONGENTITY)
    w.i16(num);
  else
    w.u8(num);
  if (bits & U_MODEL) w.u8(s.model);
  if (bits & U_FRAME) w.u8(s.frame);
  if (bits & U_COLORMAP) w.u8(s.colormap);
  if (bits & U_SKIN) w.u8(s.skin);
  if (bits & U_EFFECTS) w.u8(s.effects);
  if (bits & U_ORIGIN1) w.i16(s.origin[0]);
  if (bits & U_ANGLE1) w.u8(s.angles[0]);
  if (bits & U_ORIGIN2) w.i16(s.origin[1]);
  if (bits & U_ANGLE2) w.u8(s.angles[1]);
  if (bits & U_ORIGIN3) w.i16(s.origin[2]);
  if (bits & U_ANGLE3) w.u8(s.angles[2]);
}

// ---------------------------------------------------------------- the scene

struct Monster {
  int model;
  int first_frame, frame_count;  // a walk or run cycle inside the model's frames
  double ahead;                  // distance in front of the camera along the loop
  double side;                   // sideways offset amplitude
  double hover;                  // height above the floor (fliers)
};

constexpr int kPlayer = 1;
constexpr int kFirstMonster = 2, kMonsterCount = 3;
constexpr int kArmor = 5, kQuad = 6, kRocket = 7;
constexpr int kTotalMonsters = 24, kTotalSecrets = 3;

class Generator {
 public:
  Generator(const Options& o, std::vector<std::uint8_t>& out)
      : opt_(o), w_(out), rng_(o.seed), map_(map_info(o.map)), path_(map_.loop) {
    s_ = rng_.unit() * path_.total();
    speed_ = 150 + rng_.range(0, 60);
    pitch_phase_ = rng_.unit() * 6.28;
    cam_yaw_ = path_.yaw_at(s_);

    // Three different monsters, picked by the seed.
    std::array<Monster, 5> pool = {{
        {M_OGRE, 9, 16, 0, 0, 0},
        {M_KNIGHT, 9, 8, 0, 0, 0},
        {M_SOLDIER, 73, 8, 0, 0, 0},
        {M_DOG, 48, 12, 0, 0, 0},
        {M_WIZARD, 0, 8, 0, 0, 40},
    }};
    for (std::size_t i = pool.size() - 1; i > 0; --i) std::swap(pool[i], pool[std::size_t(rng_.range(0, int(i)))]);
    for (int i = 0; i < kMonsterCount; ++i) {
      Monster m = pool[std::size_t(i)];
      m.ahead = 140 + 110 * i + rng_.range(0, 40);
      m.side = 24 + rng_.range(0, 24);
      monsters_[std::size_t(i)] = m;
    }
    armor_skin_ = rng_.range(0, 2);
    next_fire_ = rng_.range(8, 20);
    next_print_ = rng_.range(20, 60);
    next_center_ = rng_.range(40, 90);
    next_tent_ = rng_.range(5, 15);
    next_damage_ = rng_.range(30, 80);
    next_pickup_ = rng_.range(25, 70);
    next_kill_ = rng_.range(30, 90);
    next_particle_ = rng_.range(10, 30);
    next_secret_ = rng_.range(100, 200);
  }

  void run() {
    w_.u8('-');
    w_.u8('1');
    w_.u8('\n');
    signon1();
    signon2();
    signon3();

    if (opt_.target_bytes == 0) {
      const std::uint64_t frames = opt_.blocks - 4;
      const std::uint64_t ending = std::max<std::uint64_t>(1, std::min<std::uint64_t>(30, frames / 10));
      for (std::uint64_t i = 0; i < frames; ++i) frame(i == frames - ending);
    } else {
      // Play until the remaining budget only fits the intermission.
      constexpr std::uint64_t kEnding = 30;
      const std::size_t start = w_.size();
      std::uint64_t played = 0;
      for (;; ++played) {
        double avg = played ? double(w_.size() - start) / double(played) : 200.0;
        if (played > 0 && double(w_.size()) + avg * (kEnding + 0.5) + 17 >= double(opt_.target_bytes)) break;
        frame(false);
      }
      frame(true);
      for (std::uint64_t i = 1; i < kEnding; ++i) frame(false);
    }

    w_.begin_block(pitch_, cam_yaw_, 0);
    w_.u8(svc_disconnect);
    w_.end_block();
  }

 private:
  // --- signon

  void signon1() {
    w_.begin_block(0, cam_yaw_, 0);
    w_.u8(svc_print);
    w_.str("\x02\nVERSION 1.09 SERVER (" + std::to_string(20000 + opt_.seed % 10000) + " CRC)\n");
    w_.u8(svc_serverinfo);
    w_.i32(15);
    w_.u8(1);  // maxclients
    w_.u8(0);  // coop / single player
    w_.str(map_.title);
    w_.str("maps/" + opt_.map + ".bsp");
    for (auto m : kModels) w_.str(m);
    w_.str("");
    for (auto s : kSounds) w_.str(s);
    w_.str("");
    w_.u8(svc_cdtrack);
    w_.u8(map_.cdtrack);
    w_.u8(map_.cdtrack);
    w_.u8(svc_setview);
    w_.i16(kPlayer);
    w_.u8(svc_signonnum);
    w_.u8(1);
    w_.end_block();
  }

  void signon2() {
    w_.begin_block(0, cam_yaw_, 0);
    // World, then every client slot, then the level's entities.
    base_[0] = EntityState::make(M_WORLD, 0, {}, 0, 0, 0);
    base_[kPlayer] = EntityState::make(M_PLAYER, 0, path_.at(s_), 0, 0, 0);
    base_[kPlayer].colormap = 1;
    for (int i = 0; i < kMonsterCount; ++i) {
      const Monster& m = monsters_[std::size_t(i)];
      base_[std::size_t(kFirstMonster + i)] = EntityState::make(m.model, m.first_frame, monster_pos(i, 0), 0, 0, 0);
    }
    armor_pos_ = path_.at(s_ + path_.total() * 0.5) + Vec3{0, 0, -24};
    quad_pos_ = path_.at(s_ + path_.total() * 0.25) + Vec3{0, 0, -24};
    base_[kArmor] = EntityState::make(M_ARMOR, 0, armor_pos_, 0, 0, 0);
    base_[kArmor].skin = armor_skin_;
    base_[kQuad] = EntityState::make(M_QUAD, 0, quad_pos_, 0, 0, 0);
    for (int e = 0; e <= kQuad; ++e) {
      w_.u8(svc_spawnbaseline);
      w_.i16(e);
      write_baseline_fields(w_, base_[std::size_t(e)]);
    }
    // A burning torch with its ambient sound beside the start of the loop.
    Vec3 torch = path_.at(s_ + 64) + Vec3{0, 0, 16};
    w_.u8(svc_spawnstatic);
    write_baseline_fields(w_, EntityState::make(M_FLAME, 0, torch, 0, 0, 0));
    w_.u8(svc_spawnstaticsound);
    w_.coords(torch);
    w_.u8(S_FIRE_AMBIENT);
    w_.u8(127);
    w_.u8(3 * 64);
    w_.u8(svc_signonnum);
    w_.u8(2);
    w_.end_block();
  }

  void signon3() {
    w_.begin_block(0, cam_yaw_, 0);
    sent_time_ = float(time_);
    w_.u8(svc_time);
    w_.f32(sent_time_);
    w_.u8(svc_updatename);
    w_.u8(0);
    w_.str("player");
    w_.u8(svc_updatefrags);
    w_.u8(0);
    w_.i16(0);
    w_.u8(svc_updatecolors);
    w_.u8(0);
    w_.u8(4 * 16 + 13);
    for (int i = 0; i < 64; ++i) {
      w_.u8(svc_lightstyle);
      w_.u8(i);
      w_.str(i < int(kLightStyles.size()) ? kLightStyles[std::size_t(i)] : (i == 63 ? "a" : ""));
    }
    const int stats[4][2] = {{STAT_TOTALSECRETS, kTotalSecrets},
                             {STAT_TOTALMONSTERS, kTotalMonsters},
                             {STAT_SECRETS, 0},
                             {STAT_MONSTERS, 0}};
    for (const auto& st : stats) {
      w_.u8(svc_updatestat);
      w_.u8(st[0]);
      w_.i32(st[1]);
    }
    w_.u8(svc_setangle);
    w_.angle(0);
    w_.angle(cam_yaw_);
    w_.angle(0);
    clientdata({});
    w_.u8(svc_stufftext);
    w_.str("v_cshift 0 0 0 0\n");
    w_.u8(svc_signonnum);
    w_.u8(3);
    w_.end_block();
  }

  // --- game frames

  Vec3 monster_pos(int i, double t) const {
    const Monster& m = monsters_[std::size_t(i)];
    double s = s_ + m.ahead;
    double yaw = path_.yaw_at(s) * std::numbers::pi / 180;
    double side = m.side * std::sin(t * 0.9 + i * 2.1);
    Vec3 p = path_.at(s) + Vec3{-std::sin(yaw) * side, std::cos(yaw) * side, 0};
    p.z += m.hover + (m.hover > 0 ? 12 * std::sin(t * 2.3) : 0);
    return p;
  }

  void frame(bool intermission) {
    ++frame_no_;
    const double dt = kFrameSeconds;
    time_ += dt;
    const double t = time_;
    if (intermission) intermission_ = true;
    const double speed = intermission_ ? 0.0 : speed_;
    s_ += speed * dt;

    const Vec3 pos = path_.at(s_);
    const double heading = path_.yaw_at(s_);
    // The view turns towards the heading instead of snapping onto it.
    cam_yaw_ = wrap180(cam_yaw_ + wrap180(heading - cam_yaw_) * 0.35);
    pitch_ = 6 * std::sin(t * 0.85 + pitch_phase_) + kick_;
    kick_ *= 0.6;

    // The float clock must always move forward, even where its steps get coarse.
    float now = float(time_);
    if (now <= sent_time_) now = std::nextafter(sent_time_, 1e30f);
    sent_time_ = now;

    w_.begin_block(pitch_, cam_yaw_, 0);
    w_.u8(svc_time);
    w_.f32(now);

    bool fire = false;
    if (!intermission_ && --next_fire_ <= 0 && rockets_ > 0) {
      fire = true;
      next_fire_ = rng_.range(25, 45);
    }

    if (intermission) {
      w_.u8(svc_cdtrack);
      w_.u8(3);
      w_.u8(3);
      w_.u8(svc_intermission);
    }

    const double yaw_rad = heading * std::numbers::pi / 180;
    ClientInfo ci;
    ci.velocity = {std::cos(yaw_rad) * speed, std::sin(yaw_rad) * speed, 0};
    if (weapon_frame_ > 0) ci.weapon_frame = weapon_frame_ = (weapon_frame_ + 1) % 7;
    if (fire) {
      ci.weapon_frame = weapon_frame_ = 1;
      --rockets_;
    }
    if (!intermission_) events(pos, ci);
    clientdata(ci);

    // Entities: the player (the camera), the monsters ahead, the items, a rocket in flight.
    EntityState player = EntityState::make(M_PLAYER, int(frame_no_ % 6), pos, 0, heading, 0);
    player.colormap = 1;
    if (fire) player.effects = EF_MUZZLEFLASH;
    write_update(w_, kPlayer, player, base_[kPlayer]);
    for (int i = 0; i < kMonsterCount; ++i) {
      const Monster& m = monsters_[std::size_t(i)];
      int fr = m.first_frame + int((frame_no_ + std::uint64_t(i) * 3) % std::uint64_t(m.frame_count));
      Vec3 p = monster_pos(i, t);
      double face = path_.yaw_at(s_ + m.ahead) + 180;  // walking backwards, facing the camera
      write_update(w_, kFirstMonster + i, EntityState::make(m.model, fr, p, 0, face, 0),
                   base_[std::size_t(kFirstMonster + i)]);
    }
    EntityState armor = base_[kArmor];
    write_update(w_, kArmor, armor, base_[kArmor]);
    EntityState quad = base_[kQuad];
    quad.effects = EF_DIMLIGHT;
    write_update(w_, kQuad, quad, base_[kQuad]);

    if (fire) {
      rocket_age_ = 0;
      rocket_dir_ = {std::cos(yaw_rad) * std::cos(pitch_ * std::numbers::pi / 180),
                     std::sin(yaw_rad) * std::cos(pitch_ * std::numbers::pi / 180),
                     -std::sin(pitch_ * std::numbers::pi / 180)};
      rocket_from_ = pos + Vec3{0, 0, 16};
      rocket_pitch_ = pitch_;
      rocket_yaw_ = heading;
      sound(kPlayer, 1, S_FIRE, rocket_from_);
    }
    if (rocket_age_ >= 0) {
      Vec3 rp = rocket_from_ + rocket_dir_ * (1000 * dt * (rocket_age_ + 1));
      if (rocket_age_ < 5) {
        write_update(w_, kRocket, EntityState::make(M_MISSILE, 0, rp, -rocket_pitch_, rocket_yaw_, 0), EntityState{});
        ++rocket_age_;
      } else {
        w_.u8(svc_temp_entity);
        w_.u8(TE_EXPLOSION);
        w_.coords(rp);
        rocket_age_ = -1;
      }
    }
    w_.end_block();
  }

  struct ClientInfo {
    Vec3 velocity;
    int weapon_frame = 0;
    int punch = 0;
  };

  void clientdata(const ClientInfo& ci) {
    unsigned bits = SU_ITEMS | SU_ONGROUND | SU_WEAPON;
    const int vel[3] = {std::clamp(int(ci.velocity.x / 16), -127, 127), std::clamp(int(ci.velocity.y / 16), -127, 127),
                        std::clamp(int(ci.velocity.z / 16), -127, 127)};
    for (int i = 0; i < 3; ++i)
      if (vel[i] != 0) bits |= SU_VELOCITY1 << i;
    if (ci.punch != 0) bits |= SU_PUNCH1;
    if (ci.weapon_frame != 0) bits |= SU_WEAPONFRAME;
    if (armor_ != 0) bits |= SU_ARMOR;
    w_.u8(svc_clientdata);
    w_.i16(int(bits));
    for (int i = 0; i < 3; ++i) {
      if (bits & (SU_PUNCH1 << i)) w_.u8(i == 0 ? ci.punch : 0);
      if (bits & (SU_VELOCITY1 << i)) w_.u8(vel[i]);
    }
    std::int32_t items = IT_SHOTGUN | IT_ROCKET_LAUNCHER | IT_AXE | (armor_ ? IT_ARMOR1 : 0);
    w_.i32(items);
    if (bits & SU_WEAPONFRAME) w_.u8(ci.weapon_frame);
    if (bits & SU_ARMOR) w_.u8(armor_);
    w_.u8(M_VROCK);
    w_.i16(health_);
    w_.u8(rockets_);
    w_.u8(shells_);
    w_.u8(0);  // nails
    w_.u8(rockets_);
    w_.u8(0);  // cells
    w_.u8(IT_ROCKET_LAUNCHER);
  }

  void sound(int ent, int channel, int snd, Vec3 origin, int volume = 255) {
    w_.u8(svc_sound);
    int mask = volume != 255 ? 1 : 0;
    w_.u8(mask);
    if (mask & 1) w_.u8(volume);
    w_.i16(ent * 8 + channel);
    w_.u8(snd);
    w_.coords(origin);
  }

  void print(std::string_view text) {
    w_.u8(svc_print);
    w_.str(text);
  }

  // Now-and-then events; each has its own countdown so that short demos get some of everything.
  void events(Vec3 pos, ClientInfo& ci) {
    if (--next_tent_ <= 0) {
      next_tent_ = rng_.range(12, 40);
      Vec3 ahead = path_.at(s_ + 120 + rng_.range(0, 200)) +
                   Vec3{double(rng_.range(-32, 32)), double(rng_.range(-32, 32)), double(rng_.range(0, 48))};
      static constexpr int kinds[] = {TE_GUNSHOT, TE_SPIKE, TE_WIZSPIKE, TE_TELEPORT, TE_EXPLOSION2, TE_LIGHTNING2};
      int kind = kinds[rng_.range(0, 5)];
      w_.u8(svc_temp_entity);
      w_.u8(kind);
      if (kind == TE_LIGHTNING2) {
        w_.i16(kFirstMonster + rng_.range(0, kMonsterCount - 1));
        w_.coords(ahead);
        w_.coords(pos + Vec3{0, 0, 8});
      } else {
        w_.coords(ahead);
        if (kind == TE_EXPLOSION2) {
          w_.u8(rng_.range(0, 15) * 16);
          w_.u8(8);
        }
      }
    }
    if (--next_particle_ <= 0) {
      next_particle_ = rng_.range(15, 45);
      w_.u8(svc_particle);
      w_.coords(path_.at(s_ + 90) + Vec3{0, 0, 20});
      for (int i = 0; i < 3; ++i) w_.u8(rng_.range(-40, 40));
      w_.u8(rng_.range(10, 60));
      w_.u8(73);  // blood red
    }
    if (--next_damage_ <= 0) {
      next_damage_ = rng_.range(60, 140);
      int take = rng_.range(5, 15);
      int armor_take = std::min(armor_, take / 3);
      armor_ -= armor_take;
      health_ = std::max(25, health_ - (take - armor_take));
      w_.u8(svc_damage);
      w_.u8(armor_take);
      w_.u8(take - armor_take);
      w_.coords(monster_pos(0, time_));
      sound(kPlayer, 2, S_PAIN, pos);
      ci.punch = -2;
      kick_ = -3;
    }
    if (--next_pickup_ <= 0) {
      next_pickup_ = rng_.range(80, 180);
      if (rng_.range(0, 1) == 0) {
        armor_ = 100;
        print("You got armor\n");
        sound(kPlayer, 3, S_ARMOR, pos);
      } else {
        health_ = std::min(100, health_ + 25);
        print("You receive 25 health\n");
        sound(kPlayer, 3, S_HEALTH, pos);
      }
      w_.u8(svc_stufftext);
      w_.str("bf\n");
    }
    if (--next_kill_ <= 0) {
      next_kill_ = rng_.range(100, 220);
      if (kills_ < kTotalMonsters) {
        ++kills_;
        w_.u8(svc_killedmonster);
        static constexpr std::string_view deaths[] = {"An ogre gets gibbed\n", "A knight falls\n",
                                                      "A grunt is blown apart\n", "A rottweiler yelps\n"};
        print(deaths[rng_.range(0, 3)]);
      }
    }
    if (--next_print_ <= 0) {
      next_print_ = rng_.range(60, 150);
      static constexpr std::string_view chat[] = {"\x01player: this way\n", "\x01player: watch the ledge\n",
                                                  "\x01player: rockets up\n"};
      print(chat[rng_.range(0, 2)]);
      sound(kPlayer, 0, S_TALK, pos, 200);
    }
    if (--next_center_ <= 0) {
      next_center_ = rng_.range(150, 300);
      static constexpr std::string_view lines[] = {"The door is locked", "Keep moving\nthrough the halls",
                                                   "Welcome to Clipvex"};
      w_.u8(svc_centerprint);
      w_.str(lines[rng_.range(0, 2)]);
    }
    if (--next_secret_ <= 0) {
      next_secret_ = rng_.range(300, 600);
      if (secrets_ < kTotalSecrets) {
        ++secrets_;
        w_.u8(svc_foundsecret);
        w_.u8(svc_centerprint);
        w_.str("You found a secret area!");
        sound(kPlayer, 4, S_SECRET, pos);
      } else {
        sound(kPlayer, 4, S_LAND, pos);
      }
    }
    if (rockets_ < 5) {
      rockets_ = 40;
      shells_ = std::min(100, shells_ + 20);
    }
  }

  const Options& opt_;
  Writer w_;
  Rng rng_;
  MapInfo map_;
  Path path_;
  std::array<EntityState, 8> base_{};
  std::array<Monster, kMonsterCount> monsters_{};
  Vec3 armor_pos_, quad_pos_;
  int armor_skin_ = 0;

  double s_ = 0, speed_ = 160, pitch_phase_ = 0, cam_yaw_ = 0, pitch_ = 0, kick_ = 0;
  double time_ = 1.0;
  float sent_time_ = 0;
  std::uint64_t frame_no_ = 0;
  bool intermission_ = false;

  int health_ = 100, armor_ = 0, rockets_ = 25, shells_ = 25, weapon_frame_ = 0;
  int kills_ = 0, secrets_ = 0;
  int rocket_age_ = -1;
  Vec3 rocket_from_, rocket_dir_;
  double rocket_pitch_ = 0, rocket_yaw_ = 0;

  int next_fire_, next_print_, next_center_, next_tent_, next_damage_, next_pickup_, next_kill_, next_particle_,
      next_secret_;
};

bool valid_map_name(const std::string& m) {
  // "maps/" + name + ".bsp" must fit the client's 64-byte model names.
  if (m.empty() || m.size() > 54) return false;
  return std::all_of(m.begin(), m.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
  });
}

template <typename T>
bool parse_number(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end && !text.empty();
}

}  // namespace

std::string validate(const Options& o) {
  if (!valid_map_name(o.map)) return "map name must be 1-54 letters, digits, '_' or '-': '" + o.map + "'";
  if (o.target_bytes == 0 && (o.blocks < kMinBlocks || o.blocks > kMaxBlocks))
    return "--blocks must be between " + std::to_string(kMinBlocks) + " and " + std::to_string(kMaxBlocks);
  if (o.target_bytes > std::uint64_t(kMaxMegabytes * kBytesPerMegabyte))
    return "--megabytes must not exceed " + std::to_string(int(kMaxMegabytes));
  return {};
}

std::vector<std::uint8_t> generate(const Options& options) {
  if (auto why = validate(options); !why.empty()) throw std::invalid_argument(why);
  std::vector<std::uint8_t> out;
  out.reserve(options.target_bytes ? options.target_bytes + 4096 : options.blocks * 140 + 4096);
  Generator(options, out).run();
  return out;
}

std::vector<std::string> known_maps_with_paths() {
  std::vector<std::string> names;
  for (const auto& m : known_maps()) names.emplace_back(m.name);
  return names;
}

std::string map_note(const std::string& map) {
  std::string known;
  for (const auto& m : known_maps()) {
    if (m.name == map) return {};
    known += (known.empty() ? "" : ", ") + std::string(m.name);
  }
  return "no hand-placed path for map '" + map + "' (maps with one: " + known +
         "); the camera circles the map's origin instead";
}

std::string usage_text() {
  return "usage: demogen [--blocks N | --megabytes M] [--seed S] [--map NAME] OUT.dem\n"
         "Writes a synthetic protocol-15 demo that a real engine can play.\n"
         "  --blocks N      number of blocks, signon and final disconnect included (default 600, minimum 5)\n"
         "  --megabytes M   make the file about M megabytes (1 MB = 1,000,000 bytes) instead\n"
         "  --seed S        unsigned integer; the same seed gives the same bytes (default 1)\n"
         "  --map NAME      map to play in, maps/NAME.bsp (default start; start, e1m1, medusa,\n"
         "                  swampy, e0m3 and e4m2 have hand-placed paths)\n"
         "  --help          show this text\n";
}

std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error) {
  CommandLine cl;
  bool have_blocks = false, have_mb = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) {
        error = a + " needs a value";
        return false;
      }
      v = args[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a == "--blocks") {
      if (!value(v)) return std::nullopt;
      if (!parse_number(v, cl.options.blocks)) {
        error = "--blocks: not a whole number: '" + v + "'";
        return std::nullopt;
      }
      have_blocks = true;
    } else if (a == "--megabytes") {
      if (!value(v)) return std::nullopt;
      double mb = 0;
      if (!parse_number(v, mb) || !(mb > 0) || mb > kMaxMegabytes) {
        error = "--megabytes: expected a number above 0 and at most " + std::to_string(int(kMaxMegabytes)) + ": '" + v +
                "'";
        return std::nullopt;
      }
      cl.options.target_bytes = std::uint64_t(mb * double(kBytesPerMegabyte));
      have_mb = true;
    } else if (a == "--seed") {
      if (!value(v)) return std::nullopt;
      if (!parse_number(v, cl.options.seed)) {
        error = "--seed: not an unsigned whole number: '" + v + "'";
        return std::nullopt;
      }
    } else if (a == "--map") {
      if (!value(v)) return std::nullopt;
      cl.options.map = v;
    } else if (a.size() > 1 && a[0] == '-') {
      error = "unknown option '" + a + "'";
      return std::nullopt;
    } else if (cl.output.empty()) {
      cl.output = a;
    } else {
      error = "more than one output file given";
      return std::nullopt;
    }
  }
  if (cl.help) return cl;
  if (have_blocks && have_mb) {
    error = "--blocks and --megabytes cannot be combined";
    return std::nullopt;
  }
  if (cl.output.empty()) {
    error = "no output file given";
    return std::nullopt;
  }
  if (auto why = validate(cl.options); !why.empty()) {
    error = why;
    return std::nullopt;
  }
  return cl;
}

bool write_file_replacing(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error) {
  namespace fs = std::filesystem;
  const fs::path target(path);
  fs::path tmp = target;
  tmp += ".demogen-tmp";
  {
    std::ofstream f(tmp, std::ios::binary | std::ios::trunc);
    if (!f) {
      error = "cannot create " + tmp.string();
      return false;
    }
    f.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    f.close();
    if (!f) {
      std::error_code ec;
      fs::remove(tmp, ec);
      error = "cannot write " + tmp.string();
      return false;
    }
  }
  std::error_code ec;
  fs::rename(tmp, target, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(tmp, ignored);
    error = "cannot rename " + tmp.string() + " to " + path + ": " + ec.message();
    return false;
  }
  return true;
}

}  // namespace clipvex::demogen
