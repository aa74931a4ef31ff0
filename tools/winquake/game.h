// The game without its window: console and commands, demo playback with its
// clock, the screen it draws and the screenshots it writes. The window
// (winquake_main.cpp) calls Frame() on a timer, forwards keys, and shows
// Screen() with ScreenPalette().
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "democlock.h"
#include "demo.h"
#include "palette.h"
#include "playstate.h"
#include "render.h"
#include "scene.h"

namespace winquake {

class Game {
 public:
  static constexpr double kDefaultConSpeed = 300;  // console rows per second

  // `gameDir` is the game folder (the -game argument, relative to the
  // current directory or absolute): demos are read from it and screenshots
  // written into it. The game's data (maps, models, palette) is found as
  // the game finds it: in `gameDir` over "id1", both in `baseDir` (the
  // game's own folder, by default the current directory).
  explicit Game(std::string gameDir, std::string baseDir = ".");

  // Runs console text: commands separated by ';' or line breaks. A "wait"
  // command leaves the commands after it for the next frame.
  void Execute(std::string_view text);
  static constexpr std::size_t kMaxBuffer = 65536;  // bytes of commands waiting

  // One frame: `realSeconds` of real time have passed since the last one.
  // Slides the console, plays at most one block when it is due, draws the
  // screen, then runs the block's stufftext commands.
  void Frame(double realSeconds);
  // True when a block is waiting to be played now (Frame(0) would play it).
  bool BlockDue() const;
  // Real seconds until the next block is due: 0 when it is due now, a large
  // number when no demo plays or the timescale is 0.
  double SecondsToNextBlock() const;
  // Frames without a block redraw the screen at most this often.
  static constexpr double kRedrawSeconds = 1.0 / 60;

  // Keys typed into the console.
  void KeyChar(unsigned char c);
  void KeyBackspace();
  void KeyEnter();
  void KeyEscape();          // clears the input line
  void KeyToggleConsole();   // the grave key: raises or lowers the console during playback
  void KeyHistory(bool back);
  void KeyPage(bool up);

  const Framebuffer& Screen() const { return screen_; }
  // Changes whenever the screen is drawn again.
  std::uint64_t ScreenSerial() const { return screenSerial_; }
  // The screen's palette: the game data's when the view was drawn from it
  // (the colour shift is then in the pixels), else the game's own with the
  // shift laid over the view's colours.
  Palette ScreenPalette() const;
  // True when the last picture was drawn from the game's data.
  bool DrawsFromData() const { return fromData_; }
  const GameData* Data() const { return data_.get(); }

  bool QuitRequested() const { return quit_; }
  bool Playing() const { return demo_ != nullptr; }
  bool TimeDemo() const { return demo_ != nullptr && timeDemo_; }
  std::size_t NextBlock() const { return next_; }
  std::size_t BlockCount() const { return demo_ ? demo_->blocks.size() : 0; }
  double Clock() const { return clock_.Now(); }
  double TimeScale() const { return timeScale_; }
  double ConSpeed() const { return conSpeed_; }
  int ConsoleLines() const { return static_cast<int>(consoleLines_); }
  int ConsoleTarget() const;
  const Console& GetConsole() const { return console_; }
  const PlayState& State() const { return state_; }
  const std::string& GameDir() const { return gameDir_; }

  // Screenshots can be turned off (the fuzz target plays without them).
  void SetScreenshotsEnabled(bool on) { screenshots_ = on; }

  // Demos larger than kBackgroundBytes are loaded by `load` when it is set,
  // so that the window need not wait: `load` reads the file (elsewhere) and
  // later calls `done` on the game's own thread. A stopdemo or another
  // playdemo issued meanwhile wins over the late demo.
  using LoadDone = std::function<void(std::optional<Demo> demo, std::string error)>;
  using BackgroundLoad = std::function<void(const std::string& path, LoadDone done)>;
  void SetBackgroundLoad(BackgroundLoad load) { backgroundLoad_ = std::move(load); }
  static constexpr std::uint64_t kBackgroundBytes = 1u << 20;

 private:
  void RunBuffer();
  void Run(const std::vector<std::string>& args);
  void Print(std::string_view text, bool notify = true);
  void StartDemo(const std::string& name, bool timeDemo);
  void Begin(const std::string& file, bool timeDemo, std::optional<Demo> demo, const std::string& error);
  void EndDemo();
  void Render();
  void CmdScreenshot();
  void CmdShift(const std::vector<std::string>& args);
  bool SetNumber(const std::vector<std::string>& args, const char* name, double& value, double lo, double hi);

  std::string gameDir_;
  std::shared_ptr<const GameData> data_;
  SceneRenderer renderer_;
  bool fromData_ = false;
  std::string notedLevel_;            // the map whose missing parts were told
  std::vector<std::string> noted_;    // lines told for it
  Console console_;
  PlayState state_;
  Framebuffer screen_;
  std::unique_ptr<Demo> demo_;
  std::string demoName_;
  bool timeDemo_ = false;
  std::size_t next_ = 0;
  std::uint64_t demoSerial_ = 0;  // changes whenever a demo starts or stops
  DemoClock clock_;
  double effectClock_ = 0;
  double timeDemoStart_ = 0;
  std::size_t timeDemoFrames_ = 0;
  double realTime_ = 0;
  double lastRender_ = -1;
  std::uint64_t screenSerial_ = 0;
  double timeScale_ = 1;
  double conSpeed_ = kDefaultConSpeed;
  double consoleLines_ = kScreenHeight;
  bool consoleToggled_ = false;  // lowered by the grave key during playback
  bool everPlayed_ = false;
  bool quit_ = false;
  bool screenshots_ = true;
  std::string cbuf_;
  BackgroundLoad backgroundLoad_;
  std::uint64_t loadSerial_ = 0;  // commands waiting to run (the rest after a "wait")
};

}  // namespace winquake
