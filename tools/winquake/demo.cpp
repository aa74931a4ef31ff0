#include "demo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <new>

#include "demfmt/demfmt.h"

namespace winquake {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

// The blank-separated words of a message line without its ';'.
class Words {
 public:
  explicit Words(std::string_view line) {
    if (!line.empty() && line.back() == ';') line.remove_suffix(1);
    std::size_t i = 0;
    while (count_ < kMax) {
      while (i < line.size() && IsBlank(line[i])) ++i;
      if (i >= line.size()) break;
      std::size_t from = i;
      while (i < line.size() && !IsBlank(line[i])) ++i;
      words_[count_++] = line.substr(from, i - from);
    }
  }
  std::size_t size() const { return count_; }
  std::string_view operator[](std::size_t i) const { return i < count_ ? words_[i] : std::string_view(); }

 private:
  static constexpr std::size_t kMax = 64;
  std::string_view words_[kMax];
  std::size_t count_ = 0;
};

std::optional<std::int64_t> ParseInt(std::string_view s) {
  std::int64_t v = 0;
  const char* b = s.data();
  const char* e = s.data() + s.size();
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    b += 2;
    base = 16;
  }
  if (b == e) return std::nullopt;
  auto r = std::from_chars(b, e, v, base);
  if (r.ec != std::errc() || r.ptr != e) return std::nullopt;
  return v;
}

template <typename T>
T Clamp(std::int64_t v, std::int64_t lo, std::int64_t hi) {
  return static_cast<T>(v < lo ? lo : v > hi ? hi : v);
}

// Writes the named fields of a baseline or static line ("model M frame F
// colormap C skin S origin X Y Z angles P Y R"), starting at word `i`.
bool ReadBaselineFields(const Words& w, std::size_t i, Message& m) {
  bool sawOrigin = false;
  while (i < w.size()) {
    std::string_view key = w[i];
    if (key == "origin" || key == "angles") {
      float* dst = key == "origin" ? m.origin : m.angles;
      for (int k = 0; k < 3; ++k) {
        auto v = ParseDumpCoord(w[i + 1 + k]);
        if (!v) return false;
        dst[k] = static_cast<float>(*v);
      }
      sawOrigin |= key == "origin";
      i += 4;
      continue;
    }
    auto v = ParseInt(w[i + 1]);
    if (!v) return false;
    if (key == "model") m.model = Clamp<std::uint16_t>(*v, 0, 65535);
    else if (key == "frame") m.frame = Clamp<std::uint16_t>(*v, 0, 65535);
    else if (key == "colormap") m.colormap = Clamp<std::uint8_t>(*v, 0, 255);
    else if (key == "skin") m.skin = Clamp<std::uint8_t>(*v, 0, 255);
    i += 2;
  }
  return sawOrigin;
}

bool ReadXyz(const Words& w, std::size_t i, float* dst) {
  for (int k = 0; k < 3; ++k) {
    auto v = ParseDumpCoord(w[i + k]);
    if (!v) return false;
    dst[k] = static_cast<float>(*v);
  }
  return true;
}

int TempEntityIndex(std::string_view name) {
  for (int i = 0; i < kTeCount; ++i)
    if (demfmt::kTempEntityName[i] == name) return i;
  return -1;
}

}  // namespace

std::optional<float> ParseDumpFloat(std::string_view s) {
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    auto v = ParseInt(s);
    if (!v || *v < 0 || *v > 0xffffffffLL) return std::nullopt;
    return std::bit_cast<float>(static_cast<std::uint32_t>(*v));
  }
  float f = 0;
  const char* b = s.data();
  if (!s.empty() && s[0] == '+') ++b;
  auto r = std::from_chars(b, s.data() + s.size(), f);
  // Denormals come back as out of range with the value set; that is fine.
  if ((r.ec != std::errc() && r.ec != std::errc::result_out_of_range) || r.ptr != s.data() + s.size() ||
      b == s.data() + s.size())
    return std::nullopt;
  return f;
}

std::optional<double> ParseDumpCoord(std::string_view s) {
  const std::size_t colon = s.find(':');
  if (colon != std::string_view::npos) {
    auto whole = ParseInt(s.substr(0, colon));
    auto frac = ParseInt(s.substr(colon + 1));
    if (!whole || !frac || *frac < 0 || *frac > 255) return std::nullopt;
    return static_cast<double>(*whole) + static_cast<double>(*frac) / 255.0;
  }
  auto f = ParseDumpFloat(s);
  if (!f) return std::nullopt;
  return static_cast<double>(*f);
}

std::optional<double> ParseDumpTime(std::string_view s) {
  if (s.empty()) return std::nullopt;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    auto f = ParseDumpFloat(s);
    if (!f) return std::nullopt;
    return static_cast<double>(*f);
  }
  int parts = 0;
  const char suffix = s.back();
  if (suffix == 's' || suffix == 'S') parts = 1;
  if (suffix == 'm' || suffix == 'M') parts = 2;
  if (suffix == 'h' || suffix == 'H') parts = 3;
  if (parts) s.remove_suffix(1);
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  double total = 0;
  int seen = 0;
  while (true) {
    const std::size_t colon = s.find(':');
    std::string_view piece = s.substr(0, colon);
    double v = 0;
    if (piece.empty() || piece[0] == '-' || piece[0] == '+') return std::nullopt;
    auto r = std::from_chars(piece.data(), piece.data() + piece.size(), v, std::chars_format::fixed);
    if (r.ec != std::errc() || r.ptr != piece.data() + piece.size()) return std::nullopt;
    total = total * 60 + v;
    ++seen;
    if (colon == std::string_view::npos) break;
    s.remove_prefix(colon + 1);
  }
  if (parts ? seen != parts : seen > 3) return std::nullopt;
  if (!std::isfinite(total)) return std::nullopt;
  return negative ? -total : total;
}

std::string UnescapeDumpString(std::string_view s) {
  std::string out;
  demfmt::unescape(s, out, demfmt::NulBytes::keep);
  return out;
}

void DumpReader::Feed(std::string_view piece) {
  while (!piece.empty()) {
    const std::size_t nl = piece.find('\n');
    if (nl == std::string_view::npos) {
      carry_.append(piece);
      return;
    }
    if (carry_.empty()) {
      Line(piece.substr(0, nl));
    } else {
      carry_.append(piece.substr(0, nl));
      Line(carry_);
      carry_.clear();
    }
    piece.remove_prefix(nl + 1);
  }
}

void DumpReader::Finish() {
  if (!carry_.empty()) {
    Line(carry_);
    carry_.clear();
  }
  inBlock_ = false;
}

void DumpReader::Line(std::string_view raw) {
  std::string_view line = Trim(raw);
  if (line.empty() || line.substr(0, 2) == "//") return;
  if (line.substr(0, 5) == "block" && line.find('{') != std::string_view::npos &&
      Trim(line.substr(5)).substr(0, 1) == "{") {
    Block b;
    b.firstMessage = static_cast<std::uint32_t>(demo_.messages.size());
    demo_.blocks.push_back(b);
    inBlock_ = true;
    return;
  }
  if (!inBlock_) return;  // the header line and anything else between blocks
  if (line == "}") {
    inBlock_ = false;
    return;
  }
  Inside(line);
}

void DumpReader::Push(const Message& m) {
  demo_.messages.push_back(m);
  ++demo_.blocks.back().messageCount;
}

void DumpReader::AddText(Message& m, std::string_view escaped) {
  const std::string text = UnescapeDumpString(escaped);
  m.text = static_cast<std::uint32_t>(demo_.strings.size());
  m.textLen = static_cast<std::uint32_t>(text.size());
  demo_.strings.append(text);
}

void DumpReader::Inside(std::string_view line) {
  Block& block = demo_.blocks.back();
  std::size_t wordEnd = 0;
  while (wordEnd < line.size() && !IsBlank(line[wordEnd]) && line[wordEnd] != ';' && line[wordEnd] != '"')
    ++wordEnd;
  const std::string_view word = line.substr(0, wordEnd);
  Message m;

  // Lines that carry a string: the text between the first '"' and the '";'
  // that ends the line.
  static constexpr std::pair<std::string_view, MsgKind> kTextKinds[] = {
      {"print", MsgKind::Print},   {"stufftext", MsgKind::StuffText}, {"centerprint", MsgKind::CenterPrint},
      {"finale", MsgKind::Finale}, {"cutscene", MsgKind::Cutscene},   {"precache_model", MsgKind::PrecacheModel}};
  for (const auto& [name, kind] : kTextKinds) {
    if (word != name) continue;
    const std::size_t q = line.find('"');
    if (q == std::string_view::npos || line.size() < q + 3 || line.substr(line.size() - 2) != "\";") {
      ++demo_.skippedLines;
      return;
    }
    m.kind = kind;
    AddText(m, line.substr(q + 1, line.size() - 2 - (q + 1)));
    Push(m);
    return;
  }

  if (word == "lightstyle") {
    // lightstyle N "PATTERN";
    const Words w(line);
    auto n = ParseInt(w[1]);
    const std::size_t q = line.find('"');
    if (!n || *n < 0 || *n > 255 || q == std::string_view::npos || line.size() < q + 3 ||
        line.substr(line.size() - 2) != "\";") {
      ++demo_.skippedLines;
      return;
    }
    m.kind = MsgKind::LightStyle;
    m.sub = static_cast<std::uint8_t>(*n);
    AddText(m, line.substr(q + 1, line.size() - 2 - (q + 1)));
    Push(m);
    return;
  }

  const Words w(line);
  bool ok = true;
  if (word == "camera") {
    float a[3];
    for (int k = 0; k < 3; ++k) {
      auto v = ParseDumpFloat(w[1 + k]);
      if (!v) return void(++demo_.skippedLines);
      a[k] = *v;
    }
    block.cameraValid = std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2]);
    std::memcpy(block.camera, a, sizeof a);
    return;
  }
  if (word == "time" || word == "servertime") {
    std::optional<double> t = word == "time" ? ParseDumpTime(w[1]) : std::nullopt;
    if (word == "servertime") {
      if (auto f = ParseDumpFloat(w[1])) t = *f;
    }
    if (!t) return void(++demo_.skippedLines);
    if (!block.hasTime && std::isfinite(*t)) {
      block.hasTime = true;
      block.time = *t;
    }
    return;
  }
  if (word == "disconnect") m.kind = MsgKind::Disconnect;
  else if (word == "killedmonster") m.kind = MsgKind::KilledMonster;
  else if (word == "foundsecret") m.kind = MsgKind::FoundSecret;
  else if (word == "intermission") m.kind = MsgKind::Intermission;
  else if (word == "bf") m.kind = MsgKind::Bf;
  else if (word == "serverinfo") {
    m.kind = MsgKind::ServerInfo;
    const std::size_t q = line.find('"');
    if (q != std::string_view::npos && line.size() >= q + 3 && line.substr(line.size() - 2) == "\";")
      AddText(m, line.substr(q + 1, line.size() - 2 - (q + 1)));
  }
  else if (word == "setangle") {
    m.kind = MsgKind::SetAngle;
    ok = ReadXyz(w, 1, m.angles);
  } else if (word == "setview" || word == "setpause") {
    m.kind = word == "setview" ? MsgKind::SetView : MsgKind::SetPause;
    auto v = ParseInt(w[1]);
    ok = v.has_value();
    if (ok) m.entity = Clamp<std::int32_t>(*v, 0, 65535);
  } else if (word == "updatestat") {
    m.kind = MsgKind::UpdateStat;
    auto i = ParseInt(w[1]);
    auto v = ParseInt(w[2]);
    ok = i && v && *i >= 0 && *i < 256;
    if (ok) {
      m.sub = static_cast<std::uint8_t>(*i);
      m.entity = Clamp<std::int32_t>(*v, INT32_MIN, INT32_MAX);
    }
  } else if (word == "entity") {
    m.kind = MsgKind::Entity;
    auto e = ParseInt(w[1]);
    ok = e && *e >= 0 && *e <= 65535 && w[2].substr(0, 2) == "0x";
    if (ok) m.entity = static_cast<std::int32_t>(*e);
    std::uint16_t model2 = 0, frame2 = 0;
    for (std::size_t i = 3; ok && i + 1 < w.size(); i += 2) {
      const std::string_view key = w[i];
      const std::string_view val = w[i + 1];
      struct Axis {
        std::string_view name;
        std::uint16_t field;
        float* dst;
      };
      const Axis axes[6] = {{"x", kFieldX, &m.origin[0]},     {"y", kFieldY, &m.origin[1]},
                            {"z", kFieldZ, &m.origin[2]},     {"pitch", kFieldPitch, &m.angles[0]},
                            {"yaw", kFieldYaw, &m.angles[1]}, {"roll", kFieldRoll, &m.angles[2]}};
      bool done = false;
      for (const Axis& a : axes) {
        if (key != a.name) continue;
        auto v = ParseDumpCoord(val);
        ok = v.has_value();
        if (ok) {
          *a.dst = static_cast<float>(*v);
          m.fields |= a.field;
        }
        done = true;
      }
      if (done) continue;
      auto v = ParseInt(val);
      if (!v) {
        ok = false;
        break;
      }
      if (key == "model") m.model = Clamp<std::uint8_t>(*v, 0, 255), m.fields |= kFieldModel;
      else if (key == "frame") m.frame = Clamp<std::uint8_t>(*v, 0, 255), m.fields |= kFieldFrame;
      else if (key == "colormap") m.colormap = Clamp<std::uint8_t>(*v, 0, 255), m.fields |= kFieldColormap;
      else if (key == "skin") m.skin = Clamp<std::uint8_t>(*v, 0, 255), m.fields |= kFieldSkin;
      else if (key == "effects") m.effects = Clamp<std::uint8_t>(*v, 0, 255), m.fields |= kFieldEffects;
      else if (key == "model2") model2 = Clamp<std::uint8_t>(*v, 0, 255);
      else if (key == "frame2") frame2 = Clamp<std::uint8_t>(*v, 0, 255);
    }
    if (ok && (m.fields & kFieldModel)) m.model = static_cast<std::uint16_t>(m.model | (model2 << 8));
    if (ok && (m.fields & kFieldFrame)) m.frame = static_cast<std::uint16_t>(m.frame | (frame2 << 8));
  } else if (word == "clientdata") {
    m.kind = MsgKind::ClientData;
    m.stat[0] = 22;  // the view height when the message does not say
    for (std::size_t i = 2; i + 1 < w.size(); ++i) {
      static constexpr std::string_view kKeys[4] = {"viewheight", "health", "armor", "ammo"};
      for (int k = 0; k < 4; ++k) {
        if (w[i] != kKeys[k]) continue;
        if (auto v = ParseInt(w[i + 1])) m.stat[k] = Clamp<std::int16_t>(*v, -32768, 32767);
      }
      // The view weapon: its model's low byte ("weapon") and high byte
      // ("weapon2"), and its frame.
      if (w[i] == "weapon" || w[i] == "weapon2" || w[i] == "weaponframe") {
        if (auto v = ParseInt(w[i + 1])) {
          const auto b = Clamp<std::uint16_t>(*v, 0, 255);
          if (w[i] == "weapon") m.model = static_cast<std::uint16_t>((m.model & 0xff00) | b);
          else if (w[i] == "weapon2") m.model = static_cast<std::uint16_t>((m.model & 0xff) | (b << 8));
          else m.frame = b;
        }
      }
    }
  } else if (word == "spawnbaseline" || word == "spawnbaseline2" || word == "spawnstatic" ||
             word == "spawnstatic2") {
    const bool baseline = word.substr(0, 13) == "spawnbaseline";
    m.kind = baseline ? MsgKind::Baseline : MsgKind::Static;
    std::size_t i = 1;
    if (baseline) {
      auto e = ParseInt(w[1]);
      ok = e && *e >= 0 && *e <= 65535;
      if (ok) m.entity = static_cast<std::int32_t>(*e);
      i = 2;
    }
    if (w[i].substr(0, 2) == "0x") ++i;  // the flags of the second form
    ok = ok && ReadBaselineFields(w, i, m);
  } else if (word == "tempentity") {
    m.kind = MsgKind::TempEntity;
    const int type = TempEntityIndex(w[1]);
    ok = type >= 0;
    if (ok) {
      m.sub = static_cast<std::uint8_t>(type);
      if (w[2] == "entity") {
        auto e = ParseInt(w[3]);
        ok = e && w[4] == "start" && w[8] == "end" && ReadXyz(w, 5, m.origin) && ReadXyz(w, 9, m.angles);
        if (ok) m.entity = Clamp<std::int32_t>(*e, 0, 65535);
      } else {
        ok = ReadXyz(w, 2, m.origin);
        if (ok && type == kTeExplosion2) {
          auto c = ParseInt(w[6]);
          auto n = ParseInt(w[8]);
          ok = c && n;
          if (ok) {
            m.entity = Clamp<std::int32_t>(*c, 0, 255);
            m.colormap = Clamp<std::uint8_t>(*n, 0, 255);
          }
        }
      }
    }
  } else if (word == "particle") {
    m.kind = MsgKind::Particle;
    auto count = ParseInt(w[9]);
    auto color = ParseInt(w[11]);
    ok = ReadXyz(w, 1, m.origin) && w[4] == "dir" && ReadXyz(w, 5, m.angles) && count && color;
    if (ok) {
      m.stat[0] = Clamp<std::int16_t>(*count == 255 ? 1024 : *count, 0, 1024);
      m.entity = Clamp<std::int32_t>(*color, 0, 255);
    }
  } else if (word == "damage") {
    m.kind = MsgKind::Damage;
    auto armor = ParseInt(w[2]);
    auto blood = ParseInt(w[4]);
    ok = armor && blood && w[5] == "from" && ReadXyz(w, 6, m.origin);
    if (ok) {
      m.stat[0] = Clamp<std::int16_t>(*armor, 0, 255);
      m.stat[1] = Clamp<std::int16_t>(*blood, 0, 255);
    }
  } else {
    return;  // messages that change nothing the game shows
  }
  if (!ok) return void(++demo_.skippedLines);
  Push(m);
}

std::optional<Demo> LoadDemoBytes(std::string_view bytes, std::string& error) {
  Demo demo;
  try {
    DumpReader reader(demo);
    demfmt::DumpOptions options;
    options.strict = false;
    demo.warnings = demfmt::demo_to_dump(
        bytes, [&reader](std::string_view piece) { reader.Feed(piece); }, options);
    reader.Finish();
  } catch (const demfmt::Error& e) {
    error = e.what();
    return std::nullopt;
  } catch (const std::bad_alloc&) {
    error = "out of memory while reading it";
    return std::nullopt;
  }
  if (demo.blocks.empty()) {
    error = "it holds no blocks";
    return std::nullopt;
  }
  return demo;
}

std::optional<Demo> LoadDemoFile(const std::string& path, std::string& error) {
  // Non-blocking open: a FIFO or device under the name must not hang the game.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENOENT ? "couldn't open: no such file" : std::string("couldn't open: ") + std::strerror(errno);
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "couldn't open: not a regular file";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(st.st_size) > kMaxDemoBytes) {
    ::close(fd);
    error = "too large (" + std::to_string(st.st_size) + " bytes; the game plays demos of up to " +
            std::to_string(kMaxDemoBytes >> 20) + " MB)";
    return std::nullopt;
  }
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string("read error: ") + std::strerror(errno);
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;  // the file shrank while being read
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  bytes.resize(got);
  return LoadDemoBytes(bytes, error);
}

}  // namespace winquake
