// Where the tests find what lives outside the source tree: the real demos
// (dem/), the free game data (quake-data/id1/) and the real-engine player.
// They are read in place under the folder named by the environment variable
// CLIPVEX_FIXTURES, else under fixtures/ of the shared folder beside the
// checkout (CMake's CLIPVEX_SHARED_DIR). The player lies beside that folder,
// in tools/quake-oracle/.
//
// A test that needs one of them starts (in its body or its fixture's SetUp)
// with
//   CLIPVEX_NEED_FIXTURES(test::DemoFolder());
// which skips it with one line naming the folder when that is missing. ctest
// counts the test as skipped, and when the environment variable
// CLIPVEX_SKIP_LOG names a file, a line naming the test is added to it: the
// test command counts those lines. A file missing from a folder that is
// there is an error of the test, not a skip.
#pragma once

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <string_view>

namespace clipvex::test {

// The words that start the skip line; ctest's SKIP_REGULAR_EXPRESSION and
// the test command look for them.
inline constexpr std::string_view kFixtureSkipWords = "Skipped for want of fixtures";

inline std::string FixturesFolder() {
  const char* chosen = std::getenv("CLIPVEX_FIXTURES");
  const std::filesystem::path folder = chosen != nullptr && *chosen != '\0'
                                           ? std::filesystem::path(chosen)
                                           : std::filesystem::path(CLIPVEX_SHARED_DIR) / "fixtures";
  std::string text = folder.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

inline std::string DemoFolder() { return FixturesFolder() + "/dem"; }
// A real demo by file name ("p15_e4m2_id101.dem").
inline std::string DemoFixture(std::string_view name) { return DemoFolder() + "/" + std::string(name); }
// The free game data: the folder holding id1/.
inline std::string GameDataFolder() { return FixturesFolder() + "/quake-data"; }
// The script that plays a demo in a real engine and prints its verdict.
inline std::string OracleScript() {
  return (std::filesystem::path(FixturesFolder()) / "../tools/quake-oracle/play_oracle.sh").lexically_normal().string();
}

// The skip line for the first of `paths` that does not exist, or "".
inline std::string MissingFixture(std::initializer_list<std::string> paths) {
  for (const std::string& path : paths) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return std::string(kFixtureSkipWords) + ": " + path + " not found";
  }
  return {};
}

// Adds "PROGRAM SUITE.TEST" of the running test to the file CLIPVEX_SKIP_LOG names.
template <typename TestInfo>
void LogFixtureSkip(const TestInfo* test) {
  const char* log = std::getenv("CLIPVEX_SKIP_LOG");
  if (log == nullptr || *log == '\0' || test == nullptr) return;
  std::ofstream(log, std::ios::app) << program_invocation_short_name << ' ' << test->test_suite_name() << '.'
                                    << test->name() << '\n';
}

}  // namespace clipvex::test

// Skips the running test when one of the given folders (or files) is missing.
#define CLIPVEX_NEED_FIXTURES(...)                                                               \
  do {                                                                                           \
    const std::string clipvex_missing_fixture_ = ::clipvex::test::MissingFixture({__VA_ARGS__}); \
    if (!clipvex_missing_fixture_.empty()) {                                                     \
      ::clipvex::test::LogFixtureSkip(::testing::UnitTest::GetInstance()->current_test_info());  \
      GTEST_SKIP() << clipvex_missing_fixture_;                                                  \
    }                                                                                            \
  } while (false)
