// What a demo has told the game so far: the entity table (baselines,
// statics, updates), the camera, the demo time, the colour shifts, the
// centre text, particles of temp entities and the intermission. Plain C++:
// the picture is drawn from this state by render.h.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "demo.h"

namespace winquake {

enum class ModelKind : std::uint8_t { None, Player, Monster, Item, Missile, Brush, Other };

// The kind of a model by its precache name ("progs/player.mdl", "*3", ...).
ModelKind ClassifyModel(std::string_view name);

struct EntityState {
  std::uint16_t model = 0;
  std::uint16_t frame = 0;
  std::uint8_t colormap = 0;
  std::uint8_t skin = 0;
  std::uint8_t effects = 0;
  float origin[3] = {};
  float angles[3] = {};
};

struct Entity {
  EntityState baseline;
  EntityState current;
  std::uint32_t frameSeen = 0;  // serial of the last frame that updated it (0: never)
};

struct Particle {
  float origin[3];
  float velocity[3];
  float life;           // seconds of demo time left
  std::uint8_t color;   // palette index
  bool gravity;
};

// A screen tint: colour and strength 0..255 (as typed to v_cshift).
struct ColorShift {
  int r = 0, g = 0, b = 0;
  double percent = 0;
};

// The blend of all shifts: a colour and how much of it covers the picture.
struct Blend {
  double r = 0, g = 0, b = 0;
  double alpha = 0;  // 0..1
};

// Stat slots the game reads (the demo numbers them the same way).
enum StatIndex { kStatHealth = 0, kStatAmmo = 3, kStatArmor = 4, kStatTotalSecrets = 11,
                 kStatTotalMonsters = 12, kStatSecrets = 13, kStatMonsters = 14, kStatCount = 32 };

class PlayState {
 public:
  static constexpr std::size_t kMaxParticles = 2048;
  static constexpr std::size_t kMaxStatics = 4096;
  static constexpr std::size_t kMaxModels = 4096;
  static constexpr double kCenterSeconds = 2.0;

  PlayState() { Reset(); }

  // Forgets the demo (entities, camera, flashes, texts); the v_cshift tint
  // stays, as it belongs to the console, not to the demo.
  void Reset();

  // What a block hands back to the game besides the state itself.
  struct Output {
    std::vector<std::string> prints;
    std::vector<std::string> stuffText;
    bool disconnect = false;
  };
  void ApplyBlock(const Demo& demo, const Block& block, Output& out);

  // Lets `seconds` of demo time pass: flashes fade, particles move and die,
  // the centre text times out.
  void Advance(double seconds);

  void SetEmptyShift(const ColorShift& shift) { emptyShift_ = shift; }
  const ColorShift& EmptyShift() const { return emptyShift_; }
  void BonusFlash();
  const ColorShift& BonusShift() const { return bonusShift_; }
  const ColorShift& DamageShift() const { return damageShift_; }
  Blend CurrentBlend() const;

  // The eye position and view angles (pitch, yaw, roll in degrees).
  void Camera(float eye[3], float angles[3]) const;
  int ViewEntity() const { return viewEntity_; }

  const std::vector<Entity>& Entities() const { return entities_; }
  const std::vector<EntityState>& Statics() const { return statics_; }
  // True when the entity came in the latest frame that moved entities.
  bool Visible(const Entity& e) const { return e.frameSeen != 0 && e.frameSeen == entityFrame_; }
  ModelKind KindOf(std::uint16_t model) const {
    return model < modelKinds_.size() ? modelKinds_[model] : ModelKind::None;
  }
  // The precache name of a model number ("" for none); model 1 is the map.
  const std::string& ModelName(std::uint16_t model) const {
    static const std::string none;
    return model < modelNames_.size() ? modelNames_[model] : none;
  }
  const std::string& MapName() const { return ModelName(1); }

  // The brightness of a light style at demo time `time`: 256 is normal,
  // 0 dark; a style the demo never set is normal.
  static constexpr int kLightStyles = 64;
  int LightStyleValue(int style, double time) const;
  // The view weapon of the client data (model number, 0 for none) and its frame.
  std::uint16_t WeaponModel() const { return weaponModel_; }
  std::uint16_t WeaponFrame() const { return weaponFrame_; }
  const std::vector<Particle>& Particles() const { return particles_; }

  bool HasTime() const { return hasTime_; }
  double Time() const { return time_; }
  const std::string& CenterText() const { return centerText_; }
  bool CenterVisible() const { return !centerText_.empty() && (centerLeft_ > 0 || intermission_ >= 2); }
  int Intermission() const { return intermission_; }  // 0 none, 1 scores, 2 finale, 3 cutscene
  bool Paused() const { return paused_; }
  bool HasClientData() const { return hasClientData_; }
  int Stat(int index) const { return index >= 0 && index < kStatCount ? stats_[index] : 0; }
  int ViewHeight() const { return viewHeight_; }

 private:
  Entity& EntityAt(int number);
  void Apply(const Demo& demo, const Message& m, Output& out);
  void SpawnTempEntity(const Message& m);
  void AddParticle(const float origin[3], const float velocity[3], float life, std::uint8_t color, bool gravity);
  float Random();  // 0 <= r < 1

  std::vector<Entity> entities_;
  std::vector<EntityState> statics_;
  std::vector<ModelKind> modelKinds_;
  std::vector<std::string> modelNames_;
  std::array<std::string, kLightStyles> lightStyles_;
  std::uint16_t weaponModel_ = 0;
  std::uint16_t weaponFrame_ = 0;
  std::vector<Particle> particles_;
  std::size_t particleCursor_ = 0;
  std::uint32_t frameSerial_ = 0;
  std::uint32_t entityFrame_ = 0;
  bool updatedThisFrame_ = false;
  int viewEntity_ = 0;
  int viewHeight_ = 22;
  float cameraAngles_[3] = {};
  bool hasTime_ = false;
  double time_ = 0;
  std::string centerText_;
  double centerLeft_ = 0;
  int intermission_ = 0;
  bool paused_ = false;
  bool hasClientData_ = false;
  int stats_[kStatCount] = {};
  ColorShift emptyShift_;
  ColorShift bonusShift_;
  ColorShift damageShift_;
  std::uint32_t seed_ = 1;
};

}  // namespace winquake
