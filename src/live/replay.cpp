#include "live/replay.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "cmdparse.h"
#include "demfmt/demfmt.h"
#include "palette.h"
#include "render.h"

namespace clipvex {
namespace {

using winquake::Demo;
using winquake::MsgKind;

// The notify area shows the last four lines; a few more are kept so that a
// line being continued is never lost.
constexpr std::size_t kConsoleLines = 8;
constexpr double kNotifySeconds = 3.0;
constexpr std::size_t kNotifyCount = 4;
// Bytes of commands the game keeps waiting at most (its command buffer).
constexpr std::size_t kMaxCommands = 65536;
// A block that is not due after this many frames is played anyway (the
// game's frames always get there; this only guards against a clock that
// cannot advance, such as a timescale of 0).
constexpr int kMaxWaitFrames = 8;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view FirstWord(std::string_view line) {
  std::size_t end = 0;
  while (end < line.size() && !IsBlank(line[end]) && line[end] != ';' && line[end] != '"') ++end;
  return line.substr(0, end);
}

// The line the converter writes back for a time message of value `t`: the
// block's first message is a time line, any other a servertime line whose
// bit pattern the game reads exactly.
std::string TimeLine(float t, bool first) {
  if (first && std::isfinite(t)) return " time " + demfmt::time_text(t) + ";";
  char buf[40];
  std::snprintf(buf, sizeof buf, " servertime 0x%08x;", std::bit_cast<std::uint32_t>(t));
  return buf;
}

// A time or servertime line (its words after the first in `rest`) as the
// compiled demo gives it back; the line itself when the compiler would not
// read a time from it.
std::string CompiledTimeLine(std::string_view line, std::string_view rest, bool servertime, bool first) {
  rest = Trim(rest);
  if (!rest.empty() && rest.back() == ';') rest.remove_suffix(1);
  const std::optional<float> t = demfmt::read_time(Trim(rest), servertime);
  return t ? TimeLine(*t, first) : std::string(line);
}

bool ParseNumber(std::string_view s, double& out) {
  const char* b = s.data();
  if (!s.empty() && s[0] == '+') ++b;
  double v = 0;
  const auto r = std::from_chars(b, s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || b == s.data() + s.size() || !std::isfinite(v))
    return false;
  out = v;
  return true;
}

std::string FormatNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

void Print(ReplayState& s, std::string_view text, bool notify = true) { s.console.Print(text, s.realTime, notify); }

// The settings the game's console takes a number for ("timescale 2").
void SetNumber(ReplayState& s, const std::vector<std::string>& args, const char* name, double& value, double lo,
               double hi) {
  if (args.size() < 2) {
    Print(s, std::string("\"") + name + "\" is \"" + FormatNumber(value) + "\"\n");
    return;
  }
  double v = 0;
  if (!ParseNumber(args[1], v) || v < lo || v > hi) {
    Print(s, std::string(name) + ": \"" + args[1] + "\" is not a number from " + FormatNumber(lo) + " to " +
                 FormatNumber(hi) + "\n");
    return;
  }
  value = v;
}

// One console command of a block's stufftext, as the game runs it while a
// demo plays (what it does to the picture and the console lines).
void RunCommand(ReplayState& s, const std::vector<std::string>& args) {
  static constexpr std::string_view kIgnored[] = {"_windowed_mouse", "vid_mode",  "viewsize", "cl_bob",
                                                  "color",           "reconnect", "fov"};
  const std::string& cmd = args[0];
  if (cmd == "playdemo" || cmd == "timedemo") {
    // Another demo would take over the game; the strip goes on with its own.
    if (args.size() < 2) {
      Print(s,
            cmd + " <demoname> : " + (cmd == "playdemo" ? "plays a demo\n" : "plays a demo as fast as it can draw\n"));
    }
  } else if (cmd == "stopdemo" || cmd == "disconnect" || cmd == "quit") {
    // The game stops here; the strip's frames after it still show the demo.
  } else if (cmd == "screenshot") {
    Print(s, "Wrote screenshot\n", false);
  } else if (cmd == "v_cshift") {
    int v[4] = {0, 0, 0, 0};
    for (std::size_t i = 1; i < args.size() && i <= 4; ++i) {
      double n = 0;
      v[i - 1] = ParseNumber(args[i], n) ? static_cast<int>(std::clamp(n, 0.0, 255.0)) : 0;
    }
    s.play.SetEmptyShift(winquake::ColorShift{v[0], v[1], v[2], static_cast<double>(v[3])});
  } else if (cmd == "bf") {
    s.play.BonusFlash();
  } else if (cmd == "scr_conspeed") {
    double speed = 300;
    SetNumber(s, args, "scr_conspeed", speed, 1, 1e6);
  } else if (cmd == "timescale") {
    SetNumber(s, args, "timescale", s.timeScale, 0, 1000);
  } else if (cmd == "echo") {
    std::string text;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (i > 1) text.push_back(' ');
      text += args[i];
    }
    Print(s, text + "\n");
  } else if (std::find(std::begin(kIgnored), std::end(kIgnored), cmd) == std::end(kIgnored)) {
    Print(s, "Unknown command \"" + cmd + "\"\n");
  }
}

// The commands waiting, up to a "wait" (the rest runs in the next frame).
void RunCommands(ReplayState& s) {
  while (!s.commands.empty()) {
    const std::size_t end = winquake::CommandEnd(s.commands);
    const std::string command = s.commands.substr(0, end);
    s.commands.erase(0, end < s.commands.size() ? end + 1 : end);
    const std::vector<std::string> args = winquake::Tokenize(command);
    if (args.empty()) continue;
    if (args[0] == "wait") return;
    RunCommand(s, args);
  }
}

// The game tells once a level, in lines that never show over the view, when
// the level cannot be drawn from its data.
void NoteLevel(ReplayState& s, const winquake::GameData& data) {
  const std::string& map = s.play.MapName();
  if (s.notedLevel == map) return;
  s.notedLevel = map;
  s.noted.clear();
  if (map.empty()) return;
  std::string line;
  if (data.Colors() == nullptr) {
    line = data.ColorsProblem() + "; drawing the level grid instead";
  } else {
    std::string problem;
    if (!data.Map(map, &problem)) line = map + ": " + problem + "; drawing the level grid instead";
  }
  if (line.empty()) return;
  s.noted.push_back(line);
  Print(s, line + "\n", false);
}

// A frame of the game that lets `wait` real seconds pass.
void Pass(ReplayState& s, double wait) {
  if (!(wait > 0) || !std::isfinite(wait)) wait = 0;
  s.realTime += wait;
  s.clock.Advance(wait * s.timeScale);
  s.play.Advance(s.clock.Now() - s.effectClock);
  s.effectClock = s.clock.Now();
}

bool Due(const ReplayState& s, const winquake::Block& b) { return s.clock.Due(b.hasTime, b.time); }

std::uint8_t PlayOne(ReplayState& s, const Demo& demo, const winquake::Block& b, const winquake::GameData& data) {
  // The game's frames until the block is due, each as long as the wait.
  for (int frame = 0;; ++frame) {
    const double wait = Due(s, b) || !(s.timeScale > 0)
                            ? 0.0
                            : std::max(0.0, (s.clock.DueAt(b.hasTime, b.time) - s.clock.Now()) / s.timeScale);
    Pass(s, wait);
    if (Due(s, b) || !(s.timeScale > 0) || frame >= kMaxWaitFrames) break;
    RunCommands(s);  // a frame that plays nothing runs what followed a "wait"
  }

  const int kills = s.play.Stat(winquake::kStatMonsters);
  const int secrets = s.play.Stat(winquake::kStatSecrets);
  const int health = s.play.Stat(winquake::kStatHealth);
  const bool playing = s.play.HasClientData();
  const int intermission = s.play.Intermission();
  std::uint8_t events = 0;
  const std::size_t end =
      std::min<std::size_t>(demo.messages.size(), static_cast<std::size_t>(b.firstMessage) + b.messageCount);
  for (std::size_t i = b.firstMessage; i < end; ++i) {
    const winquake::Message& m = demo.messages[i];
    if (m.kind == MsgKind::ServerInfo) events |= kEventNewLevel;
    if (m.kind == MsgKind::CenterPrint && !Trim(demo.Text(m)).empty()) events |= kEventCenterPrint;
  }

  winquake::PlayState::Output out;
  s.play.ApplyBlock(demo, b, out);
  s.clock.Played(b.hasTime, b.time);
  s.effectClock = s.clock.Now();
  for (const std::string& text : out.prints) Print(s, text);
  NoteLevel(s, data);

  // Counts that go up before the player is in the level (the state of a
  // level joined in the middle) are no events.
  if (!(events & kEventNewLevel) && playing && s.play.HasClientData()) {
    if (s.play.Stat(winquake::kStatMonsters) > kills) events |= kEventKill;
    if (s.play.Stat(winquake::kStatSecrets) > secrets) events |= kEventSecret;
    if (health > 0 && s.play.Stat(winquake::kStatHealth) <= 0) events |= kEventDeath;
  }
  if (intermission == 0 && s.play.Intermission() != 0) events |= kEventIntermission;

  std::string text;
  for (const std::string& piece : out.stuffText) text += piece;
  if (!text.empty()) {
    if (s.commands.size() + text.size() > kMaxCommands)
      Print(s, "Command buffer full: commands dropped\n");
    else
      s.commands += text;
  }
  return events;
}

}  // namespace

winquake::Demo ParseLiveBlock(std::string_view text) {
  Demo demo;
  winquake::DumpReader reader(demo);
  bool inBlock = false;
  bool first = true;  // no message of the block yet
  while (!text.empty()) {
    const std::size_t nl = text.find('\n');
    const std::string_view line = text.substr(0, nl);
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    const std::string_view trimmed = Trim(line);
    const std::string_view word = FirstWord(trimmed);
    if (!inBlock) {
      inBlock = trimmed.substr(0, 5) == "block" && Trim(trimmed.substr(5)).substr(0, 1) == "{";
      first = true;
    } else if (trimmed == "}") {
      inBlock = false;
    } else if (!trimmed.empty() && trimmed.substr(0, 2) != "//" && word != "camera") {
      if (word == "time" || word == "servertime") {
        const std::string compiled = CompiledTimeLine(line, trimmed.substr(word.size()), word == "servertime", first);
        first = false;
        reader.Feed(compiled);
        reader.Feed("\n");
        continue;
      }
      first = false;
    }
    reader.Feed(line);
    reader.Feed("\n");
  }
  reader.Finish();
  return demo;
}

ReplayState::ReplayState() {
  // The game has just started the demo: its line never shows over the view.
  console.Print("Playing demo.\n", 0, false);
}

std::size_t ReplayState::Bytes() const {
  // The model names and light styles are counted as a whole.
  constexpr std::size_t kNames = 16 << 10;
  return sizeof(ReplayState) + kNames + play.Entities().capacity() * sizeof(winquake::Entity) +
         play.Statics().capacity() * sizeof(winquake::EntityState) +
         play.Particles().capacity() * sizeof(winquake::Particle) + commands.capacity() + kConsoleLines * 64;
}

std::uint8_t PlayBlock(ReplayState& state, const winquake::Demo& block, const winquake::GameData& data,
                       winquake::Picture* picture, winquake::SceneRenderer* renderer) {
  std::uint8_t events = 0;
  for (std::size_t i = 0; i < block.blocks.size(); ++i) {
    events |= PlayOne(state, block, block.blocks[i], data);
    // The screen is drawn after the frame's texts and before its commands.
    if (picture != nullptr && i + 1 == block.blocks.size()) {
      winquake::SceneRenderer fresh;
      *picture = DrawReplay(state, data, renderer != nullptr ? *renderer : fresh);
    }
    RunCommands(state);
  }
  if (picture != nullptr && block.blocks.empty()) {
    winquake::SceneRenderer fresh;
    *picture = DrawReplay(state, data, renderer != nullptr ? *renderer : fresh);
  }
  state.console.KeepLast(kConsoleLines);
  return events;
}

winquake::Picture DrawReplay(const ReplayState& state, const winquake::GameData& data,
                             winquake::SceneRenderer& renderer) {
  winquake::Framebuffer fb(kLivePictureWidth, kLivePictureHeight);
  std::vector<std::string> fallbacks;
  winquake::Picture picture;
  picture.fromData = renderer.DrawView(state.play, data, fb, fallbacks);
  if (picture.fromData) {
    fb.ink = data.Colors()->fromBuiltin.data();
    picture.palette = data.Colors()->palette;
  } else {
    winquake::RenderView(state.play, fb);
    picture.palette = winquake::ShiftedPalette(state.play.CurrentBlend());
  }
  winquake::RenderHud(state.play, fb);
  winquake::RenderNotify(state.console.NotifyLines(state.realTime - kNotifySeconds, kNotifyCount), fb);
  picture.width = fb.width;
  picture.height = fb.height;
  picture.pixels = std::move(fb.pixels);
  picture.fallbacks = std::move(fallbacks);
  return picture;
}

}  // namespace clipvex
