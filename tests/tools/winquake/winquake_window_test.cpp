// The real winquake program under the X server of the test command: it
// opens one window titled "WinQuake", plays a demo given on its command
// line or typed into its console with real key events, writes the
// screenshots its demo asks for, and ends on "quit" and on SIGTERM.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "demfmt/demfmt.h"
#include "demogen.h"
#include "imaging/pcx.h"
#include "support/fixtures.h"
#include "support/testsupport.h"
#include "xsession.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Dump text of `demo` with a screenshot command put into each listed block
// (0-based, counted in file order) as its fourth line, where the editor puts it.
std::string WithScreenshots(const std::string& demo, const std::vector<std::size_t>& blocks) {
  const std::string text = demfmt::demo_to_dump(demo).text;
  std::string out;
  std::size_t block = 0, lineInBlock = 0, pos = 0;
  bool inBlock = false;
  while (pos < text.size()) {
    const std::size_t nl = text.find('\n', pos);
    const std::string line = text.substr(pos, nl - pos);
    pos = nl == std::string::npos ? text.size() : nl + 1;
    if (line == "block {") {
      inBlock = true;
      lineInBlock = 0;
    }
    if (inBlock && lineInBlock == 3 &&
        std::find(blocks.begin(), blocks.end(), block) != blocks.end())
      out += " stufftext \"screenshot\\n\";\n";
    out += line + "\n";
    if (inBlock) ++lineInBlock;
    if (line == "}") {
      inBlock = false;
      ++block;
    }
  }
  return demfmt::dump_to_demo(out);
}

class Game {
 public:
  Game(const std::string& folder, const std::vector<std::string>& args) {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(folder.c_str()) != 0) ::_exit(126);
      std::vector<char*> argv;
      std::string exe = WINQUAKE_PATH;
      argv.push_back(exe.data());
      std::vector<std::string> copy = args;
      for (std::string& a : copy) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execv(exe.c_str(), argv.data());
      ::_exit(127);
    }
  }
  ~Game() {
    if (pid_ > 0 && !exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  pid_t Pid() const { return pid_; }
  // The exit status once the program ended within `limit`, or -1.
  int WaitExit(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    while (Clock::now() < end) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
      }
      std::this_thread::sleep_for(20ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  bool exited_ = false;
};

bool WaitForFiles(const std::vector<std::string>& paths, std::chrono::seconds limit) {
  const auto end = Clock::now() + limit;
  while (Clock::now() < end) {
    bool all = true;
    for (const std::string& p : paths) all = all && std::filesystem::exists(p);
    if (all) return true;
    std::this_thread::sleep_for(50ms);
  }
  return false;
}

// Checks every file is an 8-bit 320x240 PCX and no two are alike.
void ExpectDistinctScreenshots(const std::vector<std::string>& paths) {
  std::vector<std::vector<std::uint8_t>> pictures;
  for (const std::string& p : paths) {
    const std::string bytes = clipvex::test::ReadFile(p);
    ASSERT_GT(bytes.size(), 128u);
    EXPECT_EQ(bytes[3], 8) << p;   // bits per pixel
    EXPECT_EQ(bytes[65], 1) << p;  // one plane
    const clipvex::RgbImage img = clipvex::DecodePcx(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    EXPECT_EQ(img.width, 320);
    EXPECT_EQ(img.height, 240);
    pictures.push_back(img.pixels);
  }
  for (std::size_t i = 0; i < pictures.size(); ++i)
    for (std::size_t j = i + 1; j < pictures.size(); ++j) EXPECT_NE(pictures[i], pictures[j]) << i << " " << j;
}

class WinquakeWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no X display";
    std::filesystem::create_directory(dir.File("id1"));
  }
  std::vector<std::string> Shots(int n) const {
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
      char name[32];
      std::snprintf(name, sizeof name, "id1/quake%02d.pcx", i);
      paths.push_back(dir.File(name));
    }
    return paths;
  }
  clipvex::test::TempDir dir;
};

TEST_F(WinquakeWindow, PlaysARealDemoFromItsCommandLineAndEndsCleanlyOnSigterm) {
  CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder());
  const std::string fixture = clipvex::test::ReadFile(clipvex::test::DemoFixture("p15_e4m2_id101.dem"));
  clipvex::test::WriteFile(dir.File("id1/shots.dem"), WithScreenshots(fixture, {150, 250, 350}));
  Game game(dir.Path(), {"-game", "id1", "-startwindowed", "+_windowed_mouse", "0", "+vid_mode", "0",
                         "+timescale", "4", "+playdemo", "shots"});
  ASSERT_TRUE(WaitForFiles(Shots(3), 90s)) << "the screenshots did not appear";
  ExpectDistinctScreenshots(Shots(3));
  EXPECT_FALSE(std::filesystem::exists(Shots(4)[3]));
  for (const auto& e : std::filesystem::directory_iterator(dir.File("id1")))
    EXPECT_NE(e.path().extension(), ".part") << "a temporary file was left: " << e.path();

  ASSERT_EQ(::kill(game.Pid(), SIGTERM), 0);
  EXPECT_EQ(game.WaitExit(10s), 0);
}

TEST_F(WinquakeWindow, TypedPlaydemoPlaysAndTypedQuitEndsTheProgram) {
  clipvex::demogen::Options options;
  options.blocks = 150;
  const std::vector<std::uint8_t> generated = clipvex::demogen::generate(options);
  clipvex::test::WriteFile(dir.File("id1/gen.dem"),
                           WithScreenshots(std::string(generated.begin(), generated.end()), {40, 90, 140}));
  Game game(dir.Path(), {"-game", "id1", "+timescale", "4"});

  wq_test::XSession x;
  ASSERT_TRUE(x.Open());
  std::vector<unsigned long> windows;
  const auto end = Clock::now() + 30s;
  while (windows.empty() && Clock::now() < end) {
    std::this_thread::sleep_for(100ms);
    windows = x.FindWindows("WinQuake", game.Pid());
  }
  ASSERT_EQ(windows.size(), 1u) << "one window titled WinQuake";
  ASSERT_TRUE(x.WaitViewable(windows[0], 30s)) << "the window was never shown";

  ASSERT_TRUE(x.Type(windows[0], "playdemo gen\n"));
  ASSERT_TRUE(WaitForFiles(Shots(3), 60s)) << "typed playdemo did not play";
  ExpectDistinctScreenshots(Shots(3));

  ASSERT_TRUE(x.Type(windows[0], "quit\n"));
  EXPECT_EQ(game.WaitExit(10s), 0);
}

}  // namespace
