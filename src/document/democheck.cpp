#include "document/democheck.h"

#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "demfmt/demfmt.h"
#include "document/retime.h"

namespace clipvex {
namespace {

// Flag bits of entity updates and client data whose fields name a model or
// a player.
constexpr std::uint32_t kUpdateModel = 1u << 10;
constexpr std::uint32_t kUpdateColormap = 1u << 11;
constexpr std::uint32_t kUpdateModel2 = 1u << 18;  // high byte of the model (666, 999)
constexpr std::uint32_t kClientWeapon = 1u << 14;

// What a game takes in a level's precache lists: 255 entries each for
// protocol 15 (indices are bytes), 4,096 models and 2,048 sounds for the
// later protocols.
std::int64_t ModelLimit(std::int32_t protocol) { return protocol == 15 ? 255 : 4096; }
std::int64_t SoundLimit(std::int32_t protocol) { return protocol == 15 ? 255 : 2048; }

bool Blank(char c) { return c == ' ' || c == '\t'; }

// The blank-separated words of a dump line, its closing ';' dropped. Quoted
// strings are not kept whole: only the words before one are read.
class Words {
 public:
  explicit Words(std::string_view line) : rest_(line) {}
  std::string_view Next() {
    while (!rest_.empty() && Blank(rest_.front())) rest_.remove_prefix(1);
    std::size_t n = 0;
    while (n < rest_.size() && !Blank(rest_[n])) ++n;
    std::string_view word = rest_.substr(0, n);
    rest_.remove_prefix(n);
    if (!word.empty() && word.back() == ';') word.remove_suffix(1);
    return word;
  }
  // The word after the next word `key`, if there is one.
  std::string_view After(std::string_view key) {
    for (std::string_view word = Next(); !word.empty(); word = Next()) {
      if (word == key) return Next();
    }
    return {};
  }

 private:
  std::string_view rest_;
};

// A decimal or "0x" hexadecimal integer; none for anything else.
std::optional<std::int64_t> Integer(std::string_view word) {
  int base = 10;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
    word.remove_prefix(2);
    base = 16;
  }
  std::int64_t value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value, base);
  if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// A servertime value: a decimal, or the bits of a float as "0x..."; none
// for what does not read or is no finite number.
std::optional<long double> ServerTime(std::string_view word) {
  if (word.size() > 2 && word[0] == '0' && word[1] == 'x') {
    const std::optional<std::int64_t> bits = Integer(word);
    if (!bits || *bits < 0 || *bits > 0xFFFFFFFFll) return std::nullopt;
    const float value = std::bit_cast<float>(static_cast<std::uint32_t>(*bits));
    if (!std::isfinite(value)) return std::nullopt;
    return value;
  }
  double value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// The first word of a line: letters, digits and '_' after leading blanks.
std::string_view Keyword(std::string_view line) {
  std::size_t start = 0;
  while (start < line.size() && Blank(line[start])) ++start;
  std::size_t end = start;
  while (end < line.size() && (std::isalnum(static_cast<unsigned char>(line[end])) != 0 || line[end] == '_')) ++end;
  return line.substr(start, end - start);
}

std::string Seconds(long double value) {
  char text[64];
  if (std::fabs(value) >= 0.01L) {
    std::snprintf(text, sizeof text, "%.2Lf", value);
  } else {
    std::snprintf(text, sizeof text, "%.9Lf", value);
    std::size_t n = std::strlen(text);
    while (n > 1 && text[n - 1] == '0' && text[n - 2] != '.') --n;
    text[n] = '\0';
  }
  return std::string(text) + " s";
}

// 8000 -> "8,000".
std::string Thousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string Plural(std::int64_t n, const char* one, const char* many) {
  return Thousands(static_cast<std::uint64_t>(n < 0 ? 0 : n)) + " " + (n == 1 ? one : many);
}

// The bytes of messages the converter writes for `block` when the protocol
// `protocol` (with `flags`) is in force before it; raises demfmt::Error.
std::size_t MessageBytes(const Block& block, std::int32_t protocol, std::uint32_t flags) {
  std::string text;
  if (protocol != 15) {
    // A block of its own that puts the protocol in force.
    char line[128];
    if (protocol == 999) {
      std::snprintf(line, sizeof line, " serverinfo 999 flags 0x%08x", flags);
    } else {
      std::snprintf(line, sizeof line, " serverinfo %d", static_cast<int>(protocol));
    }
    text = std::string("block {\n camera 0 0 0;\n") + line + " maxclients 1 gametype 0 level \"\";\n}\n";
  }
  text.reserve(text.size() + block.TextSize() + block.Count());
  for (std::size_t i = 0; i < block.Count(); ++i) {
    text += block[i];
    text += '\n';
  }
  const std::string demo = demfmt::dump_to_demo(text);
  // The track line, then blocks of a length, three angles and the bytes;
  // the last block is the one measured.
  std::size_t at = demo.find('\n');
  std::size_t last = 0;
  while (at != std::string::npos && at + 1 + 16 <= demo.size()) {
    std::uint32_t length = 0;
    std::memcpy(&length, demo.data() + at + 1, 4);
    last = length;
    at += 16 + length;
  }
  return last;
}

class Checker {
 public:
  explicit Checker(std::vector<DemoProblem>& problems) : problems_(problems) {}

  void Block(std::size_t index, const clipvex::Block& block) {
    block_ = index;
    const std::int32_t protocolBefore = protocol_;
    const std::uint32_t flagsBefore = flags_;
    for (std::size_t i = 0; i < block.Count(); ++i) Line(block[i]);
    // Every message's line in the dump is at least as long as its bytes, so
    // a block whose text fits the limit fits it as a demo too; only longer
    // ones are measured by the converter.
    const std::size_t limit = BlockLimit(protocol_);
    if (block.TextSize() <= limit) return;
    std::size_t bytes = 0;
    try {
      bytes = MessageBytes(block, protocolBefore, flagsBefore);
    } catch (const demfmt::Error& e) {
      std::string what = e.what();
      if (what.rfind("line ", 0) == 0 && what.find(": ") != std::string::npos) what.erase(0, what.find(": ") + 2);
      Report(ProblemKind::Unwritable, "the converter cannot write the block: " + what);
      return;
    }
    if (bytes > limit) {
      Report(ProblemKind::BlockSize, "the block holds " + Plural(static_cast<std::int64_t>(bytes), "byte", "bytes") +
                                         " of messages; a game playing protocol " + std::to_string(protocol_) +
                                         " takes " + Thousands(limit));
    }
  }

 private:
  void Line(std::string_view line) {
    const std::string_view word = Keyword(line);
    if (word.empty()) return;
    switch (word[0]) {
      case 'e':
        if (word == "entity") Entity(line);
        break;
      case 't':
        if (word == "time") {
          if (const std::optional<long double> t = TimeLineSeconds(line)) Time(*t);
        }
        break;
      case 'c':
        if (word == "clientdata") ClientData(line);
        break;
      case 's':
        if (word == "sound") {
          Words words(line);
          CheckSound(words.After("sample"));
        } else if (word == "servertime") {
          Words words(line);
          words.Next();
          if (const std::optional<long double> t = ServerTime(words.Next())) Time(*t);
        } else if (word == "spawnstaticsound" || word == "spawnstaticsound2") {
          Words words(line);
          CheckSound(words.After("sample"));
        } else if (word == "spawnbaseline" || word == "spawnstatic" || word == "spawnbaseline2" ||
                   word == "spawnstatic2") {
          Words words(line);
          CheckModel(Integer(words.After("model")).value_or(0));
          CheckColormap(Integer(words.After("colormap")).value_or(0));
        } else if (word == "serverinfo") {
          ServerInfo(line);
        } else if (word == "signonnum") {
          SignOn(line);
        }
        break;
      case 'p':
        if (word == "precache_model") {
          ++models_;
          if (models_ == ModelLimit(protocol_) + 1) {
            Report(ProblemKind::PrecacheList, "the level's model list is longer than the " +
                                                  Thousands(static_cast<std::uint64_t>(ModelLimit(protocol_))) +
                                                  " models protocol " + std::to_string(protocol_) + " takes");
          }
        } else if (word == "precache_sound") {
          ++sounds_;
          if (sounds_ == SoundLimit(protocol_) + 1) {
            Report(ProblemKind::PrecacheList, "the level's sound list is longer than the " +
                                                  Thousands(static_cast<std::uint64_t>(SoundLimit(protocol_))) +
                                                  " sounds protocol " + std::to_string(protocol_) + " takes");
          }
        }
        break;
      case 'u':
        if (word == "updatename" || word == "updatefrags" || word == "updatecolors") {
          Words words(line);
          words.Next();
          if (const std::optional<std::int64_t> slot = Integer(words.Next())) CheckSlot(*slot);
        }
        break;
      default:
        break;
    }
  }

  void Entity(std::string_view line) {
    if (!levelOpen_) {
      if (!framesBeforeLevel_) {
        framesBeforeLevel_ = true;
        Report(ProblemKind::SignOn, "entity updates come before any level's sign-on (no serverinfo before them)");
      }
    } else if (signOn_ < 3 && !signOnReported_) {
      signOnReported_ = true;
      Report(ProblemKind::SignOn, "entity updates come before the level's sign-on is complete (it is at step " +
                                      std::to_string(signOn_) + " of 3)");
    }
    Words words(line);
    words.Next();
    words.Next();  // the entity number
    const std::uint32_t flags = static_cast<std::uint32_t>(Integer(words.Next()).value_or(0));
    if ((flags & (kUpdateModel | kUpdateModel2 | kUpdateColormap)) == 0) return;
    std::int64_t model = 0;
    std::int64_t model2 = 0;
    std::int64_t colormap = 0;
    for (std::string_view key = words.Next(); !key.empty(); key = words.Next()) {
      const std::int64_t value = Integer(words.Next()).value_or(0);
      if (key == "model") model = value;
      if (key == "model2") model2 = value;
      if (key == "colormap") colormap = value;
    }
    CheckModel(model + model2 * 256);
    CheckColormap(colormap);
  }

  void ClientData(std::string_view line) {
    Words words(line);
    words.Next();
    const std::uint32_t flags = static_cast<std::uint32_t>(Integer(words.Next()).value_or(0));
    if ((flags & kClientWeapon) == 0) return;
    std::int64_t weapon = 0;
    std::int64_t weapon2 = 0;
    for (std::string_view key = words.Next(); !key.empty(); key = words.Next()) {
      const std::int64_t value = Integer(words.Next()).value_or(0);
      if (key == "weapon") weapon = value;
      if (key == "weapon2") weapon2 = value;
    }
    CheckModel(weapon + weapon2 * 256);
  }

  void ServerInfo(std::string_view line) {
    Words words(line);
    words.Next();
    protocol_ = static_cast<std::int32_t>(Integer(words.Next()).value_or(15));
    flags_ = 0;
    maxclients_ = 0;
    for (std::string_view key = words.Next(); !key.empty() && key != "level"; key = words.Next()) {
      const std::optional<std::int64_t> value = Integer(words.Next());
      if (key == "flags") flags_ = static_cast<std::uint32_t>(value.value_or(0));
      if (key == "maxclients") maxclients_ = value.value_or(0);
    }
    levelOpen_ = true;
    models_ = 0;
    sounds_ = 0;
    signOn_ = 0;
    signOnReported_ = false;
    hasTime_ = false;
    belowZeroReported_ = false;
    reported_.clear();
  }

  void SignOn(std::string_view line) {
    Words words(line);
    words.Next();
    const std::int64_t step = Integer(words.Next()).value_or(0);
    if (levelOpen_ && step != signOn_ + 1 && !signOnReported_) {
      signOnReported_ = true;
      const std::string s = std::to_string(step);
      Report(ProblemKind::SignOn,
             step > signOn_ ? "the level's sign-on jumps from step " + std::to_string(signOn_) + " to step " + s +
                                  ": a sign-on block is missing"
             : step == signOn_ ? "sign-on step " + s + " comes twice: the level's sign-on blocks are out of order"
                               : "sign-on step " + s + " comes after step " + std::to_string(signOn_) +
                                     ": the level's sign-on blocks are out of order");
    }
    signOn_ = step;
  }

  void Time(long double t) {
    if (t < 0 && !belowZeroReported_) {
      belowZeroReported_ = true;
      Report(ProblemKind::TimeBelowZero, "the time is below zero (" + Seconds(t) + ")");
    }
    // The game keeps times as floats: a difference they do not show is none.
    if (hasTime_ && static_cast<float>(t) < static_cast<float>(lastTime_)) {
      Report(ProblemKind::TimeGoesBack, "the time goes back " + Seconds(lastTime_ - t));
    }
    hasTime_ = true;
    lastTime_ = t;
  }

  // Once per level, kind of index and value.
  enum Index : std::uint64_t { kModel, kSound, kSlot, kColormap };
  bool First(Index index, std::int64_t value) {
    return reported_
        .insert((static_cast<std::uint64_t>(index) << 48) | (static_cast<std::uint64_t>(value) & 0xFFFFFFFFFFFFu))
        .second;
  }

  void CheckModel(std::int64_t index) {
    if (!levelOpen_ || index <= models_ || !First(kModel, index)) return;
    Report(ProblemKind::ModelIndex, "model " + std::to_string(index) + " is not in the level's model list (" +
                                        Plural(models_, "model", "models") + ")");
  }

  void CheckSound(std::string_view word) {
    const std::int64_t index = Integer(word).value_or(0);
    if (!levelOpen_ || index <= sounds_ || !First(kSound, index)) return;
    Report(ProblemKind::SoundIndex, "sound " + std::to_string(index) + " is not in the level's sound list (" +
                                        Plural(sounds_, "sound", "sounds") + ")");
  }

  void CheckSlot(std::int64_t slot) {
    if (!levelOpen_ || (slot >= 0 && slot < maxclients_) || !First(kSlot, slot)) return;
    Report(ProblemKind::PlayerSlot, "player slot " + std::to_string(slot) + " is beyond the level's " +
                                        Plural(maxclients_, "player slot", "player slots"));
  }

  // A colour map names player slot colormap - 1; 0 is none.
  void CheckColormap(std::int64_t colormap) {
    if (!levelOpen_ || colormap <= maxclients_ || !First(kColormap, colormap)) return;
    Report(ProblemKind::PlayerSlot, "colour map " + std::to_string(colormap) + " names player slot " +
                                        std::to_string(colormap - 1) + ", beyond the level's " +
                                        Plural(maxclients_, "player slot", "player slots"));
  }

  void Report(ProblemKind kind, std::string text) { problems_.push_back({block_, kind, std::move(text)}); }

  std::vector<DemoProblem>& problems_;
  std::size_t block_ = 0;
  std::int32_t protocol_ = 15;
  std::uint32_t flags_ = 0;
  bool levelOpen_ = false;
  bool framesBeforeLevel_ = false;
  std::int64_t maxclients_ = 0;
  std::int64_t models_ = 0;
  std::int64_t sounds_ = 0;
  std::int64_t signOn_ = 0;
  bool signOnReported_ = false;
  bool hasTime_ = false;
  long double lastTime_ = 0;
  bool belowZeroReported_ = false;
  std::unordered_set<std::uint64_t> reported_;
};

}  // namespace

std::size_t BlockLimit(std::int32_t protocol) { return protocol == 15 ? 8000 : 64000; }

std::vector<DemoProblem> CheckDemo(const TDemFile& demo) {
  std::vector<DemoProblem> problems;
  Checker checker(problems);
  for (std::size_t b = 1; b < demo.Blocks.size(); ++b) checker.Block(b, *demo.Blocks[b]);
  return problems;
}

std::string DescribeProblem(const DemoProblem& problem) {
  return "block " + std::to_string(problem.block) + ": " + problem.text;
}

}  // namespace clipvex
