#include "preview/x11gamecontrol.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "document/runprogram.h"
#include "preview/x11probe.h"
#include "preview/xserver.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;

std::vector<std::string> Lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The key lines of the fake game's log ("down a", "up Return", ...).
std::vector<std::string> Keys(const std::vector<std::string>& log) {
  std::vector<std::string> keys;
  for (const std::string& line : log) {
    if (line.rfind("down ", 0) == 0 || line.rfind("up ", 0) == 0) keys.push_back(line);
  }
  return keys;
}

std::vector<std::string> Strokes(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  for (const std::string& name : names) {
    out.push_back("down " + name);
    out.push_back("up " + name);
  }
  return out;
}

// The fake game on an X server of the test's own, its log, and the game
// control under test on a connection of its own.
class X11GameControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<test::PrivateXServer>();
    if (!server_->Running()) GTEST_SKIP() << "no X server for this test: " << server_->Problem();
    control_ = std::make_unique<X11GameControl>(server_->Name());
    probe_ = std::make_unique<test::XProbe>();
    ASSERT_TRUE(probe_->Connected());
    std::filesystem::create_directories(dir_.File("id1"));
  }
  void TearDown() override {
    processes_.TerminateAll();
    probe_.reset();
    control_.reset();
    server_.reset();
  }

  template <typename Probe>
  auto WaitFor(Probe probe) {
    auto value = probe();
    for (int i = 0; i < 500 && !value; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      value = probe();
    }
    return value;
  }
  // Starts the fake game and waits for its window.
  GameWindow StartGame(std::vector<std::string> extra = {}) {
    std::vector<std::string> args{"-game", "id1", "--log", log_};
    args.insert(args.end(), extra.begin(), extra.end());
    processes_.Add(RunProgram(FAKEGAME_PATH, args, kShowMaximized, false, false, dir_.Path()).processId);
    return WaitFor([&] { return control_->FindGameWindow(); });
  }
  // Waits until the game has logged at least `count` key strokes (the
  // release of the last key comes after the line it ends).
  bool KeysLogged(std::size_t count) {
    return WaitFor([&] { return Keys(Lines(log_)).size() >= count; });
  }
  bool LogHas(const std::string& line) {
    return WaitFor([&] {
      const std::vector<std::string> log = Lines(log_);
      return std::find(log.begin(), log.end(), line) != log.end();
    });
  }

  std::unique_ptr<test::PrivateXServer> server_;
  std::unique_ptr<X11GameControl> control_;
  std::unique_ptr<test::XProbe> probe_;
  TempDir dir_;
  std::string log_ = dir_.File("game.log");
  GameProcesses processes_;
};

TEST_F(X11GameControlTest, TypedKeysArriveInTheFocusedGameWindowAsTheKeymapHasThem) {
  const GameWindow game = StartGame();
  ASSERT_NE(game, 0u);
  ASSERT_TRUE(control_->RaiseWindow(game));
  ASSERT_TRUE(LogHas("focus"));
  EXPECT_EQ(probe_->Focus(), game);

  control_->SendKeys("playdemo tempfilm\r");
  ASSERT_TRUE(LogHas("line playdemo tempfilm"));
  std::vector<std::string> names;
  for (char c : std::string("playdemo tempfilm")) names.push_back(c == ' ' ? "space" : std::string(1, c));
  names.push_back("Return");
  ASSERT_TRUE(KeysLogged(36));
  const std::vector<std::string> play = Keys(Lines(log_));
  EXPECT_EQ(play.size(), 36u);
  EXPECT_EQ(play, Strokes(names));

  // Upper case wrapped in Shift; held Shift not doubled; F1, Delete, Ctrl.
  control_->SendKeys("A\xfa" "BC" "\xfb\xe4\xf9\xfc\xfd\r");
  ASSERT_TRUE(LogHas("line ABC")) << test::JoinLines(Lines(log_), " / ");
  ASSERT_TRUE(KeysLogged(36 + 18));
  const std::vector<std::string> all = Keys(Lines(log_));
  const std::vector<std::string> rest(all.begin() + 36, all.end());
  EXPECT_EQ(rest, (std::vector<std::string>{"down Shift_L", "down a", "up a", "up Shift_L", "down Shift_L", "down b",
                                            "up b", "down c", "up c", "up Shift_L", "down F1", "up F1",
                                            "down Delete", "up Delete", "down Control_L", "up Control_L",
                                            "down Return", "up Return"}));
}

TEST_F(X11GameControlTest, AKeyTheUserStillHoldsDoesNotSwallowTheSameKeyTyped) {
  const GameWindow game = StartGame();
  ASSERT_NE(game, 0u);
  ASSERT_TRUE(control_->RaiseWindow(game));
  ASSERT_TRUE(LogHas("focus"));
  // The Enter that closed the question box is still down when the play
  // command is typed; it comes up a moment later.
  probe_->Key(0xff0d, true);
  std::thread user([] {
    test::XProbe hand;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    hand.Key(0xff0d, false);
  });
  control_->SendKeys("ab\r");
  user.join();
  EXPECT_TRUE(LogHas("line ab")) << test::JoinLines(Lines(log_), " / ");
}

TEST_F(X11GameControlTest, RaisingAMinimisedWindowRestoresAndFocusesIt) {
  const GameWindow game = StartGame({"--iconic"});
  ASSERT_NE(game, 0u) << "a minimised window is found too";
  ASSERT_TRUE(LogHas("iconic"));
  EXPECT_FALSE(probe_->Viewable(game));
  EXPECT_TRUE(control_->RaiseWindow(game));
  EXPECT_TRUE(probe_->Viewable(game));
  EXPECT_EQ(probe_->Focus(), game);
  EXPECT_TRUE(LogHas("mapped"));
}

TEST_F(X11GameControlTest, RaisingAVisibleWindowPutsItOnTop) {
  const GameWindow game = StartGame();
  ASSERT_NE(game, 0u);
  ASSERT_TRUE(WaitFor([&] { return probe_->Viewable(game); }));
  const unsigned long other = probe_->Create("Other", true);
  ASSERT_EQ(probe_->Stack().back(), other);
  EXPECT_TRUE(control_->RaiseWindow(game));
  EXPECT_EQ(probe_->Stack().back(), game);
  EXPECT_TRUE(probe_->Viewable(other));
}

TEST_F(X11GameControlTest, FindsTheTitledWindowInsideAFrameAndNothingElse) {
  EXPECT_EQ(control_->FindGameWindow(), 0u);
  probe_->Create("WinQuake2", true);
  probe_->Create("winquake", true);
  EXPECT_EQ(control_->FindGameWindow(), 0u) << "the title matches exactly";

  // A window manager's frame without a title around the game's window.
  const unsigned long frame = probe_->Create("", true);
  const unsigned long client = probe_->Create("WinQuake", true, frame);
  EXPECT_EQ(control_->FindGameWindow(), client);
  probe_->Destroy(frame);
  EXPECT_EQ(control_->FindGameWindow(), 0u);

  // A frame that carries the title too: the client inside takes the keys.
  const unsigned long titled = probe_->Create("WinQuake", true);
  const unsigned long inner = probe_->Create("WinQuake", true, titled);
  EXPECT_EQ(control_->FindGameWindow(), inner);
}

// An engine's window found by its title's start, its class or the process
// that owns it, never a look-alike.
TEST_F(X11GameControlTest, FindsAnEnginesWindowByTitleStartClassOrProcess) {
  const unsigned long other = probe_->Create("Quake Notes", true);
  probe_->Label(other, "notes", "Notes", 4242);
  const unsigned long engine = probe_->Create("QuakeSpasm 0.95.1", true);
  probe_->Label(engine, "quakespasm", "QuakeSpasm", 4343);
  const struct {
    WindowMatch match;
    unsigned long found;
  } cases[] = {
      {{WindowMatchKind::TitlePrefix, "QuakeSpasm", {}}, engine},
      {{WindowMatchKind::TitlePrefix, "Spasm", {}}, 0},
      {{WindowMatchKind::Class, "quakespasm", {}}, engine},
      {{WindowMatchKind::Class, "Notes", {}}, other},
      {{WindowMatchKind::Class, "quake", {}}, 0},
      {{WindowMatchKind::Process, "", {4343}}, engine},
      {{WindowMatchKind::Process, "", {1, 4242}}, other},
      {{WindowMatchKind::Process, "", {4444}}, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(control_->FindMatchingWindow(c.match), c.found) << static_cast<int>(c.match.kind) << " " << c.match.text;
  }
}

TEST_F(X11GameControlTest, AWindowThatIsGoneIsReportedNotFatal) {
  const unsigned long window = probe_->Create("WinQuake", true);
  probe_->Destroy(window);
  ASSERT_FALSE(probe_->Exists(window));
  EXPECT_FALSE(control_->RaiseWindow(window));
  // The connection survives the errors: it still works.
  const unsigned long again = probe_->Create("WinQuake", true);
  EXPECT_EQ(control_->FindGameWindow(), again);
  EXPECT_TRUE(control_->RaiseWindow(again));
}

TEST(X11GameControlDisplay, NoDisplayIsAClearError) {
  const char* previous = std::getenv("DISPLAY");
  const std::string saved = previous != nullptr ? previous : "";
  ::unsetenv("DISPLAY");
  const std::string error = test::ErrorOf([] { X11GameControl control; });
  if (previous != nullptr) ::setenv("DISPLAY", saved.c_str(), 1);
  EXPECT_EQ(error,
            "There is no X display to find the WinQuake window on (DISPLAY is not set). The preview needs the game "
            "running on an X server.");
  EXPECT_EQ(test::ErrorOf([] { X11GameControl control(":9999"); }),
            "Cannot connect to the X display ':9999' to find the WinQuake window.");
}

}  // namespace
}  // namespace clipvex
