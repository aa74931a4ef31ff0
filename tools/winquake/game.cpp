#include "game.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "cmdparse.h"
#include "screenshot.h"

namespace winquake {

namespace {

// Settings of the full game that mean nothing to the preview: accepted and
// ignored, so that the usual command line and server texts stay quiet.
constexpr std::string_view kIgnored[] = {"_windowed_mouse", "vid_mode", "viewsize", "cl_bob",
                                         "color",           "reconnect", "fov"};

std::optional<double> ParseNumber(std::string_view s) {
  double v = 0;
  const char* b = s.data();
  if (!s.empty() && s[0] == '+') ++b;
  auto r = std::from_chars(b, s.data() + s.size(), v);
  if (r.ec != std::errc() || r.ptr != s.data() + s.size() || b == s.data() + s.size() || !std::isfinite(v))
    return std::nullopt;
  return v;
}

std::string FormatNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// The demo file of a playdemo name: ".dem" is added when the name has no
// extension of its own.
std::string DemoFileName(const std::string& name) {
  const std::size_t slash = name.rfind('/');
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) return name;
  return name + ".dem";
}

}  // namespace

Game::Game(std::string gameDir, std::string baseDir) : gameDir_(std::move(gameDir)) {
  if (gameDir_.empty()) gameDir_ = ".";
  data_ = GameData::Load(baseDir, gameDir_);
  Print("WinQuake preview game\n");
  std::error_code ec;
  if (!std::filesystem::is_directory(gameDir_, ec))
    Print("The game folder \"" + gameDir_ + "\" does not exist: no demo can be played\n");
  else
    Print("Type playdemo NAME to play " + gameDir_ + "/NAME.dem\n");
  Render();
}

void Game::Print(std::string_view text, bool notify) { console_.Print(text, realTime_, notify); }

int Game::ConsoleTarget() const {
  if (!demo_) return kScreenHeight;
  return consoleToggled_ ? kScreenHeight / 2 : 0;
}

void Game::Execute(std::string_view text) {
  if (cbuf_.size() + text.size() + 1 > kMaxBuffer) {
    Print("Command buffer full: commands dropped\n");
    return;
  }
  cbuf_.append(text);
  cbuf_.push_back('\n');
  RunBuffer();
}

void Game::RunBuffer() {
  while (!cbuf_.empty()) {
    const std::size_t end = CommandEnd(cbuf_);
    const std::string command = cbuf_.substr(0, end);
    cbuf_.erase(0, end < cbuf_.size() ? end + 1 : end);
    const std::vector<std::string> args = Tokenize(command);
    if (args.empty()) continue;
    if (args[0] == "wait") return;  // the rest runs in the next frame
    Run(args);
    if (quit_) {
      cbuf_.clear();
      return;
    }
  }
}

bool Game::SetNumber(const std::vector<std::string>& args, const char* name, double& value, double lo, double hi) {
  if (args.size() < 2) {
    Print(std::string("\"") + name + "\" is \"" + FormatNumber(value) + "\"\n");
    return false;
  }
  const std::optional<double> v = ParseNumber(args[1]);
  if (!v || *v < lo || *v > hi) {
    Print(std::string(name) + ": \"" + args[1] + "\" is not a number from " + FormatNumber(lo) + " to " +
          FormatNumber(hi) + "\n");
    return false;
  }
  value = *v;
  return true;
}

void Game::Run(const std::vector<std::string>& args) {
  const std::string& cmd = args[0];
  if (cmd == "playdemo" || cmd == "timedemo") {
    if (args.size() < 2) {
      Print(cmd + " <demoname> : " + (cmd == "playdemo" ? "plays a demo\n" : "plays a demo as fast as it can draw\n"));
      return;
    }
    StartDemo(args[1], cmd == "timedemo");
  } else if (cmd == "stopdemo" || cmd == "disconnect") {
    ++loadSerial_;  // a demo still loading will not start either
    if (demo_) EndDemo();
  } else if (cmd == "screenshot") {
    CmdScreenshot();
  } else if (cmd == "v_cshift") {
    CmdShift(args);
  } else if (cmd == "bf") {
    state_.BonusFlash();
  } else if (cmd == "scr_conspeed") {
    SetNumber(args, "scr_conspeed", conSpeed_, 1, 1e6);
  } else if (cmd == "timescale") {
    SetNumber(args, "timescale", timeScale_, 0, 1000);
  } else if (cmd == "echo") {
    std::string text;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (i > 1) text.push_back(' ');
      text += args[i];
    }
    Print(text + "\n");
  } else if (cmd == "quit") {
    quit_ = true;
  } else if (std::find(std::begin(kIgnored), std::end(kIgnored), cmd) != std::end(kIgnored)) {
    // accepted, nothing to do
  } else {
    Print("Unknown command \"" + cmd + "\"\n");
  }
}

void Game::CmdShift(const std::vector<std::string>& args) {
  int v[4] = {0, 0, 0, 0};
  for (std::size_t i = 1; i < args.size() && i <= 4; ++i) {
    const std::optional<double> n = ParseNumber(args[i]);
    v[i - 1] = n ? static_cast<int>(std::clamp(*n, 0.0, 255.0)) : 0;
  }
  state_.SetEmptyShift(ColorShift{v[0], v[1], v[2], static_cast<double>(v[3])});
}

void Game::CmdScreenshot() {
  if (!screenshots_) return;
  const ScreenshotResult r = WriteScreenshot(gameDir_, screen_, ScreenPalette());
  if (r.ok) Print("Wrote " + r.name + "\n", false);  // kept out of the pictures that follow
  else Print("screenshot: " + r.error + "\n");
}

void Game::StartDemo(const std::string& name, bool timeDemo) {
  const std::string file = DemoFileName(name);
  const std::string path = gameDir_ + "/" + file;
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (backgroundLoad_ && !ec && size > kBackgroundBytes && size <= kMaxDemoBytes) {
    const std::uint64_t request = ++loadSerial_;  // an older load still under way no longer counts
    Print("Loading " + file + "...\n", false);
    backgroundLoad_(path, [this, request, file, timeDemo](std::optional<Demo> demo, std::string error) {
      if (request == loadSerial_) Begin(file, timeDemo, std::move(demo), error);
    });
    return;
  }
  std::string error;
  std::optional<Demo> demo = LoadDemoFile(path, error);
  Begin(file, timeDemo, std::move(demo), error);
}

void Game::Begin(const std::string& file, bool timeDemo, std::optional<Demo> demo, const std::string& error) {
  if (!demo) {
    // The demo that plays (if any) goes on.
    Print(std::string(timeDemo ? "timedemo" : "playdemo") + ": " + file + ": " + error + "\n");
    return;
  }
  if (!demo->warnings.empty())
    Print(file + " is damaged; playing what can be read (" + demo->warnings.front() +
          (demo->warnings.size() > 1 ? ", and " + std::to_string(demo->warnings.size() - 1) + " more)\n" : ")\n"));
  ++loadSerial_;  // this demo wins over any still loading
  demo_ = std::make_unique<Demo>(std::move(*demo));
  demoName_ = file;
  timeDemo_ = timeDemo;
  next_ = 0;
  ++demoSerial_;
  state_.Reset();
  clock_.Reset();
  effectClock_ = 0;
  timeDemoStart_ = realTime_;
  timeDemoFrames_ = 0;
  everPlayed_ = true;
  // The console goes up at once, so that no block of the demo is drawn
  // under it unless the user lowers it.
  consoleToggled_ = false;
  consoleLines_ = 0;
  console_.ClearNotify();
  Print("Playing demo from " + file + ".\n", false);
}

void Game::EndDemo() {
  if (timeDemo_ && demo_) {
    const double seconds = std::max(realTime_ - timeDemoStart_, 1e-6);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%zu frames %.1f seconds %.1f fps\n", timeDemoFrames_, seconds,
                  static_cast<double>(timeDemoFrames_) / seconds);
    Print(buf);
  }
  demo_.reset();
  timeDemo_ = false;
  next_ = 0;
  ++demoSerial_;
  consoleToggled_ = false;
}

bool Game::BlockDue() const {
  if (!demo_ || next_ >= demo_->blocks.size()) return false;
  if (timeDemo_) return true;
  const Block& b = demo_->blocks[next_];
  return clock_.Due(b.hasTime, b.time);
}

double Game::SecondsToNextBlock() const {
  constexpr double kNever = 1e9;
  if (!demo_ || next_ >= demo_->blocks.size()) return kNever;
  if (BlockDue()) return 0;
  if (!(timeScale_ > 0)) return kNever;
  const Block& b = demo_->blocks[next_];
  const double dueAt = clock_.DueAt(b.hasTime, b.time);
  return std::max(0.0, (dueAt - clock_.Now()) / timeScale_);
}

void Game::Frame(double realSeconds) {
  if (!(realSeconds > 0) || !std::isfinite(realSeconds)) realSeconds = 0;
  realTime_ += realSeconds;

  // The console slides towards where it belongs at scr_conspeed rows a second.
  const double target = ConsoleTarget();
  const double step = conSpeed_ * realSeconds;
  if (consoleLines_ < target) consoleLines_ = std::min(target, consoleLines_ + step);
  else if (consoleLines_ > target) consoleLines_ = std::max(target, consoleLines_ - step);

  PlayState::Output out;
  bool played = false;
  const std::uint64_t serial = demoSerial_;
  if (demo_) {
    if (!timeDemo_) clock_.Advance(realSeconds * timeScale_);
    state_.Advance(clock_.Now() - effectClock_);
    effectClock_ = clock_.Now();
    if (BlockDue()) {
      const Block& b = demo_->blocks[next_];
      state_.ApplyBlock(*demo_, b, out);
      if (timeDemo_) clock_.Follow(b.hasTime, b.time);
      else clock_.Played(b.hasTime, b.time);
      effectClock_ = clock_.Now();
      ++next_;
      ++timeDemoFrames_;
      played = true;
    }
  }
  for (const std::string& text : out.prints) Print(text);

  // A frame that played a block is always drawn (its screenshot must show
  // it); between blocks the picture changes slowly (particles, flashes, the
  // console), so it is redrawn a few dozen times a second.
  const bool sliding = consoleLines_ != ConsoleTarget();
  if (played || sliding || realTime_ - lastRender_ >= kRedrawSeconds) Render();

  // The block's commands run after its frame is drawn, so a "screenshot"
  // among them shows that very block.
  if (!out.stuffText.empty()) {
    std::string text;
    for (const std::string& piece : out.stuffText) text += piece;
    if (cbuf_.size() + text.size() > kMaxBuffer) Print("Command buffer full: commands dropped\n");
    else cbuf_ += text;
  }
  RunBuffer();

  if (played && serial == demoSerial_ && demo_ && (out.disconnect || next_ >= demo_->blocks.size())) EndDemo();
}

Palette Game::ScreenPalette() const {
  if (fromData_ && data_ && data_->Colors()) return data_->Colors()->palette;
  return ShiftedPalette(state_.CurrentBlend());
}

void Game::Render() {
  lastRender_ = realTime_;
  ++screenSerial_;
  const int lines = static_cast<int>(std::lround(consoleLines_));
  // The console and the texts keep the palette of the view under them.
  const bool fromData = fromData_;
  if (lines < kScreenHeight) {
    if (everPlayed_) {
      std::vector<std::string> fallbacks;
      screen_.ink = nullptr;
      fromData_ = renderer_.DrawView(state_, *data_, screen_, fallbacks);
      if (fromData_) screen_.ink = data_->Colors()->fromBuiltin.data();
      else RenderView(state_, screen_);
      RenderHud(state_, screen_);
      // What is drawn the old way is told once a level, kept out of the pictures.
      if (notedLevel_ != state_.MapName()) {
        notedLevel_ = state_.MapName();
        noted_.clear();
      }
      for (const std::string& line : fallbacks) {
        if (std::find(noted_.begin(), noted_.end(), line) != noted_.end()) continue;
        noted_.push_back(line);
        Print(line + "\n", false);
      }
    } else {
      screen_.ink = fromData ? data_->Colors()->fromBuiltin.data() : nullptr;
      std::fill(screen_.pixels.begin(), screen_.pixels.end(), screen_.Ink(kUiBlack));
    }
    if (lines == 0) RenderNotify(console_.NotifyLines(realTime_ - 3.0, 4), screen_);
  }
  RenderConsole(console_, lines, realTime_, screen_);
}

void Game::KeyChar(unsigned char c) { console_.Type(c); }
void Game::KeyBackspace() { console_.Backspace(); }
void Game::KeyEscape() { console_.ClearInput(); }
void Game::KeyHistory(bool back) {
  if (back) console_.HistoryBack();
  else console_.HistoryForward();
}
void Game::KeyPage(bool up) { console_.Scroll(up ? 4 : -4); }

void Game::KeyEnter() {
  const std::string line = console_.Submit(realTime_);
  Execute(line);
}

void Game::KeyToggleConsole() {
  if (!demo_) return;  // without a demo the console stays down
  consoleToggled_ = !consoleToggled_;
  console_.ClearNotify();
}

}  // namespace winquake
