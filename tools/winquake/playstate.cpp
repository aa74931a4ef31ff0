#include "playstate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "palette.h"

namespace winquake {

namespace {

bool Contains(std::string_view list, std::string_view word) {
  // `list` holds space-separated words.
  std::size_t i = 0;
  while (i < list.size()) {
    std::size_t j = list.find(' ', i);
    if (j == std::string_view::npos) j = list.size();
    if (list.substr(i, j - i) == word) return true;
    i = j + 1;
  }
  return false;
}

}  // namespace

ModelKind ClassifyModel(std::string_view name) {
  if (name.empty()) return ModelKind::None;
  if (name[0] == '*' || name.substr(0, 5) == "maps/") {
    if (name.substr(0, 7) == "maps/b_") return ModelKind::Item;  // ammo boxes, health
    return ModelKind::Brush;
  }
  std::string_view base = name;
  if (const std::size_t slash = base.rfind('/'); slash != std::string_view::npos) base = base.substr(slash + 1);
  if (const std::size_t dot = base.rfind('.'); dot != std::string_view::npos) base = base.substr(0, dot);
  if (base == "player") return ModelKind::Player;
  if (Contains("soldier dog ogre knight hknight wizard demon shambler shalrath zombie fish tarbaby "
               "enforcer boss oldone",
               base))
    return ModelKind::Monster;
  if (Contains("missile grenade spike s_spike laser lavaball k_spike w_spike v_spike zom_gib bolt bolt2 "
               "bolt3",
               base))
    return ModelKind::Missile;
  if (base.substr(0, 2) == "g_" ||
      Contains("armor backpack quaddama invulner suit invisibl w_g_key w_s_key m_g_key m_s_key b_g_key "
               "b_s_key end1 end2 end3 end4",
               base))
    return ModelKind::Item;
  return ModelKind::Other;
}

void PlayState::Reset() {
  entities_.clear();
  statics_.clear();
  modelKinds_.assign(1, ModelKind::None);
  modelNames_.assign(1, std::string());
  for (std::string& style : lightStyles_) style.clear();
  weaponModel_ = 0;
  weaponFrame_ = 0;
  particles_.clear();
  particleCursor_ = 0;
  frameSerial_ = 1;
  entityFrame_ = 0;
  updatedThisFrame_ = false;
  viewEntity_ = 0;
  viewHeight_ = 22;
  std::memset(cameraAngles_, 0, sizeof cameraAngles_);
  hasTime_ = false;
  time_ = 0;
  centerText_.clear();
  centerLeft_ = 0;
  intermission_ = 0;
  paused_ = false;
  hasClientData_ = false;
  std::fill(std::begin(stats_), std::end(stats_), 0);
  bonusShift_ = ColorShift();
  damageShift_ = ColorShift();
  seed_ = 0x2545f491u;
}

Entity& PlayState::EntityAt(int number) {
  const auto n = static_cast<std::size_t>(std::clamp(number, 0, 65535));
  if (n >= entities_.size()) entities_.resize(n + 1);
  return entities_[n];
}

float PlayState::Random() {
  seed_ ^= seed_ << 13;
  seed_ ^= seed_ >> 17;
  seed_ ^= seed_ << 5;
  return static_cast<float>(seed_ >> 8) / 16777216.0f;
}

void PlayState::ApplyBlock(const Demo& demo, const Block& block, Output& out) {
  if (block.cameraValid) std::memcpy(cameraAngles_, block.camera, sizeof cameraAngles_);
  if (block.hasTime) {
    ++frameSerial_;
    hasTime_ = true;
    time_ = block.time;
  }
  const std::size_t end = std::min<std::size_t>(demo.messages.size(),
                                                static_cast<std::size_t>(block.firstMessage) + block.messageCount);
  for (std::size_t i = block.firstMessage; i < end; ++i) Apply(demo, demo.messages[i], out);
  if (updatedThisFrame_) {
    entityFrame_ = frameSerial_;
    updatedThisFrame_ = false;
  }
}

void PlayState::Apply(const Demo& demo, const Message& m, Output& out) {
  switch (m.kind) {
    case MsgKind::Disconnect: out.disconnect = true; break;
    case MsgKind::Print: out.prints.emplace_back(demo.Text(m)); break;
    case MsgKind::StuffText: out.stuffText.emplace_back(demo.Text(m)); break;
    case MsgKind::CenterPrint:
      centerText_ = demo.Text(m);
      centerLeft_ = kCenterSeconds;
      break;
    case MsgKind::Finale:
    case MsgKind::Cutscene:
      intermission_ = m.kind == MsgKind::Finale ? 2 : 3;
      centerText_ = demo.Text(m);
      centerLeft_ = kCenterSeconds;
      break;
    case MsgKind::SetAngle:
      for (int k = 0; k < 3; ++k)
        if (std::isfinite(m.angles[k])) cameraAngles_[k] = m.angles[k];
      break;
    case MsgKind::SetView: viewEntity_ = m.entity; break;
    case MsgKind::ServerInfo: {
      const ColorShift keep = emptyShift_;
      const bool hadTime = hasTime_;
      const double t = time_;
      const std::uint32_t serial = frameSerial_;
      Reset();
      emptyShift_ = keep;
      hasTime_ = hadTime;
      time_ = t;
      frameSerial_ = serial;
      // The level's name closes whatever line the server's banner left open.
      out.prints.emplace_back("\n");
      if (m.textLen) out.prints.push_back("\x02" + std::string(demo.Text(m)) + "\n");
      break;
    }
    case MsgKind::PrecacheModel:
      if (modelKinds_.size() < kMaxModels) {
        modelKinds_.push_back(ClassifyModel(demo.Text(m)));
        modelNames_.emplace_back(demo.Text(m));
      }
      break;
    case MsgKind::LightStyle:
      if (m.sub < kLightStyles) lightStyles_[m.sub] = std::string(demo.Text(m).substr(0, 64));
      break;
    case MsgKind::Entity: {
      Entity& e = EntityAt(m.entity);
      EntityState s = e.baseline;
      if (m.fields & kFieldModel) s.model = m.model;
      if (m.fields & kFieldFrame) s.frame = m.frame;
      if (m.fields & kFieldColormap) s.colormap = m.colormap;
      if (m.fields & kFieldSkin) s.skin = m.skin;
      if (m.fields & kFieldEffects) s.effects = m.effects;
      static constexpr std::uint16_t kOrigin[3] = {kFieldX, kFieldY, kFieldZ};
      static constexpr std::uint16_t kAngle[3] = {kFieldPitch, kFieldYaw, kFieldRoll};
      for (int k = 0; k < 3; ++k) {
        if (m.fields & kOrigin[k]) s.origin[k] = m.origin[k];
        if (m.fields & kAngle[k]) s.angles[k] = m.angles[k];
      }
      e.current = s;
      e.frameSeen = frameSerial_;
      updatedThisFrame_ = true;
      break;
    }
    case MsgKind::ClientData:
      hasClientData_ = true;
      viewHeight_ = m.stat[0];
      stats_[kStatHealth] = m.stat[1];
      stats_[kStatArmor] = m.stat[2];
      stats_[kStatAmmo] = m.stat[3];
      weaponModel_ = m.model;
      weaponFrame_ = m.frame;
      break;
    case MsgKind::Baseline: {
      Entity& e = EntityAt(m.entity);
      e.baseline.model = m.model;
      e.baseline.frame = m.frame;
      e.baseline.colormap = m.colormap;
      e.baseline.skin = m.skin;
      e.baseline.effects = 0;
      std::memcpy(e.baseline.origin, m.origin, sizeof m.origin);
      std::memcpy(e.baseline.angles, m.angles, sizeof m.angles);
      if (e.frameSeen == 0) e.current = e.baseline;  // where the camera stands before the first update
      break;
    }
    case MsgKind::Static:
      if (statics_.size() < kMaxStatics) {
        EntityState s;
        s.model = m.model;
        s.frame = m.frame;
        s.colormap = m.colormap;
        s.skin = m.skin;
        std::memcpy(s.origin, m.origin, sizeof m.origin);
        std::memcpy(s.angles, m.angles, sizeof m.angles);
        statics_.push_back(s);
      }
      break;
    case MsgKind::TempEntity: SpawnTempEntity(m); break;
    case MsgKind::Particle: {
      const int count = std::clamp<int>(m.stat[0], 0, 1024);
      for (int i = 0; i < count; ++i) {
        float o[3], v[3];
        for (int k = 0; k < 3; ++k) {
          o[k] = m.origin[k] + Random() * 16 - 8;
          v[k] = m.angles[k] * (15.0f / 16.0f);
        }
        const auto c = static_cast<std::uint8_t>((m.entity & ~7) + static_cast<int>(Random() * 8));
        AddParticle(o, v, 0.2f + 0.4f * Random(), c, true);
      }
      break;
    }
    case MsgKind::Damage: {
      const int armor = m.stat[0], blood = m.stat[1];
      const int count = std::max(armor + blood, 10);
      damageShift_.percent = std::min(150.0, damageShift_.percent + 3.0 * count);
      if (armor > blood) damageShift_ = {200, 100, 100, damageShift_.percent};
      else if (armor) damageShift_ = {220, 50, 50, damageShift_.percent};
      else damageShift_ = {255, 0, 0, damageShift_.percent};
      break;
    }
    case MsgKind::UpdateStat:
      if (m.sub < kStatCount) stats_[m.sub] = m.entity;
      break;
    case MsgKind::KilledMonster: ++stats_[kStatMonsters]; break;
    case MsgKind::FoundSecret: ++stats_[kStatSecrets]; break;
    case MsgKind::Intermission: intermission_ = 1; break;
    case MsgKind::Bf: BonusFlash(); break;
    case MsgKind::SetPause: paused_ = m.entity != 0; break;
  }
}

void PlayState::AddParticle(const float origin[3], const float velocity[3], float life, std::uint8_t color,
                            bool gravity) {
  Particle p{{origin[0], origin[1], origin[2]}, {velocity[0], velocity[1], velocity[2]}, life, color, gravity};
  if (particles_.size() < kMaxParticles) {
    particles_.push_back(p);
  } else {
    particles_[particleCursor_] = p;  // the oldest slots are taken over first
    particleCursor_ = (particleCursor_ + 1) % kMaxParticles;
  }
}

void PlayState::SpawnTempEntity(const Message& m) {
  const float zero[3] = {0, 0, 0};
  switch (m.sub) {
    case kTeSpike:
    case kTeSuperSpike:
    case kTeGunshot:
    case kTeWizSpike:
    case kTeKnightSpike: {
      const int count = m.sub == kTeSpike ? 10 : m.sub == kTeWizSpike || m.sub == kTeKnightSpike ? 30 : 20;
      const std::uint8_t row = m.sub == kTeWizSpike ? kRowGreen : m.sub == kTeKnightSpike ? kRowFlame : kRowGrey;
      for (int i = 0; i < count; ++i) {
        float v[3] = {Random() * 60 - 30, Random() * 60 - 30, Random() * 60 - 10};
        float o[3] = {m.origin[0] + Random() * 8 - 4, m.origin[1] + Random() * 8 - 4, m.origin[2] + Random() * 8 - 4};
        AddParticle(o, v, 0.15f + 0.35f * Random(), static_cast<std::uint8_t>(row + 8 + Random() * 8), true);
      }
      break;
    }
    case kTeExplosion:
    case kTeTarExplosion:
    case kTeExplosion2: {
      for (int i = 0; i < 192; ++i) {
        float v[3], o[3];
        for (float& c : v) c = Random() * 512 - 256;
        for (int k = 0; k < 3; ++k) o[k] = m.origin[k] + Random() * 32 - 16;
        std::uint8_t color;
        if (m.sub == kTeExplosion2) {
          const int span = std::max<int>(1, m.colormap);
          color = static_cast<std::uint8_t>((m.entity + static_cast<int>(Random() * span)) & 255);
        } else {
          color = static_cast<std::uint8_t>((m.sub == kTeTarExplosion ? kRowPurple : kRowFlame) + 4 + Random() * 12);
        }
        AddParticle(o, v, 0.5f + 0.5f * Random(), color, false);
      }
      break;
    }
    case kTeLightning1:
    case kTeLightning2:
    case kTeLightning3:
    case kTeBeam: {
      float d[3];
      for (int k = 0; k < 3; ++k) d[k] = m.angles[k] - m.origin[k];
      const float len = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
      const int steps = std::min(256, static_cast<int>(len / 12) + 1);
      for (int i = 0; i <= steps; ++i) {
        const float f = static_cast<float>(i) / static_cast<float>(steps);
        float o[3] = {m.origin[0] + d[0] * f, m.origin[1] + d[1] * f, m.origin[2] + d[2] * f};
        AddParticle(o, zero, 0.25f, static_cast<std::uint8_t>(kRowCyan + 10 + Random() * 6), false);
      }
      break;
    }
    case kTeLavaSplash:
      for (int i = 0; i < 128; ++i) {
        const float a = Random() * 6.2831853f;
        float o[3] = {m.origin[0] + std::cos(a) * 96, m.origin[1] + std::sin(a) * 96, m.origin[2]};
        float v[3] = {std::cos(a) * 40, std::sin(a) * 40, 120 + Random() * 80};
        AddParticle(o, v, 1.0f + Random(), static_cast<std::uint8_t>(kRowRed + 6 + Random() * 10), true);
      }
      break;
    case kTeTeleport:
      for (int i = 0; i < 128; ++i) {
        const float a = Random() * 6.2831853f;
        const float z = Random() * 2 - 1;
        const float r = std::sqrt(1 - z * z);
        float v[3] = {std::cos(a) * r * 80, std::sin(a) * r * 80, z * 80};
        float o[3] = {m.origin[0] + v[0] * 0.3f, m.origin[1] + v[1] * 0.3f, m.origin[2] + v[2] * 0.3f};
        AddParticle(o, v, 0.5f + 0.3f * Random(), static_cast<std::uint8_t>(kRowGrey + 8 + Random() * 8), false);
      }
      break;
    default: break;
  }
}

int PlayState::LightStyleValue(int style, double time) const {
  if (style < 0 || style >= kLightStyles) return 0;
  const std::string& pattern = lightStyles_[static_cast<std::size_t>(style)];
  if (pattern.empty()) return 256;
  const double tenths = std::isfinite(time) ? std::floor(std::abs(time) * 10) : 0;
  const auto at = static_cast<std::size_t>(std::fmod(tenths, static_cast<double>(pattern.size())));
  const int letter = std::clamp(pattern[at] - 'a', 0, 25);
  return letter * 22;
}

void PlayState::BonusFlash() { bonusShift_ = {215, 186, 69, 50}; }

void PlayState::Advance(double seconds) {
  if (!(seconds > 0)) return;
  bonusShift_.percent = std::max(0.0, bonusShift_.percent - 100.0 * seconds);
  damageShift_.percent = std::max(0.0, damageShift_.percent - 150.0 * seconds);
  centerLeft_ = std::max(0.0, centerLeft_ - seconds);
  const float dt = static_cast<float>(std::min(seconds, 10.0));
  std::size_t keep = 0;
  for (std::size_t i = 0; i < particles_.size(); ++i) {
    Particle p = particles_[i];
    p.life -= dt;
    if (p.life <= 0) continue;
    for (int k = 0; k < 3; ++k) p.origin[k] += p.velocity[k] * dt;
    if (p.gravity) p.velocity[2] -= 200 * dt;
    particles_[keep++] = p;
  }
  particles_.resize(keep);
  particleCursor_ = 0;
}

Blend PlayState::CurrentBlend() const {
  Blend b;
  const ColorShift* shifts[3] = {&emptyShift_, &damageShift_, &bonusShift_};
  for (const ColorShift* s : shifts) {
    if (!(s->percent > 0)) continue;
    const double a2 = std::min(s->percent, 255.0) / 255.0;
    b.alpha = b.alpha + a2 * (1 - b.alpha);
    const double f = a2 / b.alpha;
    b.r = b.r * (1 - f) + s->r * f;
    b.g = b.g * (1 - f) + s->g * f;
    b.b = b.b * (1 - f) + s->b * f;
  }
  b.alpha = std::min(b.alpha, 1.0);
  return b;
}

void PlayState::Camera(float eye[3], float angles[3]) const {
  const EntityState* s = static_cast<std::size_t>(viewEntity_) < entities_.size()
                             ? &entities_[static_cast<std::size_t>(viewEntity_)].current
                             : nullptr;
  for (int k = 0; k < 3; ++k) {
    eye[k] = s ? s->origin[k] : 0.0f;
    angles[k] = cameraAngles_[k];
  }
  if (intermission_ == 0) eye[2] += static_cast<float>(viewHeight_);
}

}  // namespace winquake
