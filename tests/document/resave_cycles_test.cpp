// Opening and saving a real demo again and again through the real converter
// must leave its timing and its length alone: every block keeps the
// interval to the timed block before it (long gaps become 0.05 s once), and
// the console reset line is there once, however often the demo was saved.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "document/conversion.h"
#include "document/dumptext.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::ReadFile;
using test::RecordingNotifier;
using test::SplitLines;
using test::TempDir;

constexpr int kCycles = 3;

bool IsTime(const std::string& line) { return line.rfind(" time ", 0) == 0; }

// The full value of a time line in any of its three forms, read here
// independently of the editor's own (windowed) reading.
long double TimeValue(const std::string& line) {
  std::string value = line.substr(6);
  EXPECT_TRUE(value.size() >= 3 && value.back() == ';') << line;
  value.pop_back();
  const char unit = value.back();
  value.pop_back();
  std::vector<long double> parts;
  std::size_t at = 0;
  for (;;) {
    std::size_t colon = value.find(':', at);
    std::string part = value.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
    char* end = nullptr;
    parts.push_back(std::strtold(part.c_str(), &end));
    EXPECT_TRUE(end != part.c_str() && *end == '\0') << line;
    if (colon == std::string::npos) break;
    at = colon + 1;
  }
  const std::size_t expectedParts = unit == 'h' ? 3 : unit == 'm' ? 2 : 1;
  EXPECT_TRUE(unit == 's' || unit == 'm' || unit == 'h') << line;
  EXPECT_EQ(parts.size(), expectedParts) << line;
  long double seconds = 0;
  for (long double part : parts) seconds = seconds * 60 + part;
  return seconds;
}

// The real demos; without their folder one name, so that the case is
// there to be skipped.
std::vector<std::string> FixtureNames() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(test::DemoFolder(), ec)) {
    if (entry.path().extension() == ".dem") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  if (names.empty()) names.push_back("none.dem");
  return names;
}

class ResaveCycles : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    settings_.lmpcpath = dir_.File("converter/");
    std::filesystem::create_directories(settings_.lmpcpath);
    std::filesystem::create_symlink(LMPC_PATH, settings_.lmpcpath + "lmpc");
  }
  std::vector<std::string> ConverterDump(const std::string& demo) {
    std::string out = dir_.File("check.txt");
    std::string cmd = std::string("'") + LMPC_PATH + "' -s -f '" + demo + "' '" + out + "'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    return SplitLines(ReadFile(out));
  }

  TempDir dir_;
  Settings settings_;
  RecordingNotifier notifier_;
};

TEST_P(ResaveCycles, TimesAndLengthSurviveThreeOpenAndSaveCycles) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  const std::string source = test::DemoFixture(GetParam());
  const std::vector<std::string> before = ConverterDump(source);
  const auto blocks = std::count(before.begin(), before.end(), "block {");
  if (blocks < 3) {
    // No leading block 3 to hold the console reset line: the demo does not open.
    TDemFile demo;
    EXPECT_EQ(test::ErrorOf([&] { LoadDemo(source, demo, settings_, notifier_); }), "List index out of bounds");
    return;
  }

  std::string current = source;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    TDemFile demo;
    LoadDemo(current, demo, settings_, notifier_);
    const std::string saved = dir_.File("cycle" + std::to_string(cycle) + ".dem");
    SaveDemo(demo, saved, settings_);
    current = saved;
  }
  EXPECT_TRUE(notifier_.errors.empty());
  const std::vector<std::string> after = ConverterDump(current);

  // One reset line more than the original, and nothing else grew.
  const auto resetsBefore = std::count(before.begin(), before.end(), kConsoleResetLine);
  const auto resetsAfter = std::count(after.begin(), after.end(), kConsoleResetLine);
  EXPECT_EQ(resetsAfter, resetsBefore + 1);
  ASSERT_EQ(after.size(), before.size() + 1);

  std::vector<std::string> afterWithoutReset = after;
  afterWithoutReset.erase(std::find(afterWithoutReset.begin(), afterWithoutReset.end(), kConsoleResetLine));
  std::vector<long double> timesBefore;
  std::vector<long double> timesAfter;
  std::vector<bool> sameAsPrevious;  // whether the original repeats the time before it
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (!IsTime(before[i])) {
      ASSERT_EQ(afterWithoutReset[i], before[i]) << "line " << i;
      continue;
    }
    ASSERT_TRUE(IsTime(afterWithoutReset[i])) << "line " << i << ": " << afterWithoutReset[i];
    sameAsPrevious.push_back(!timesBefore.empty() && TimeValue(before[i]) == timesBefore.back());
    timesBefore.push_back(TimeValue(before[i]));
    timesAfter.push_back(TimeValue(afterWithoutReset[i]));
  }
  ASSERT_FALSE(timesBefore.empty());

  // Every time moves by one offset: the first timed block gets its first
  // duration (its own time when that is at most a second, else 0.05 s);
  // each later gap of over a second shrinks to 0.05 s and moves the offset.
  // Where the clock goes back (a new level), the level keeps its own times.
  const long double first = timesBefore[0] > 1.0L ? 0.05L : timesBefore[0];
  long double offset = timesBefore[0] - first;
  std::size_t worst = 0;
  long double worstError = 0;
  for (std::size_t k = 0; k < timesBefore.size(); ++k) {
    if (k > 0 && timesBefore[k] - timesBefore[k - 1] > 1.0L) offset += timesBefore[k] - timesBefore[k - 1] - 0.05L;
    if (k > 0 && timesBefore[k] < timesBefore[k - 1]) offset = 0;
    const long double error = std::fabs(timesAfter[k] - (timesBefore[k] - offset));
    if (error > worstError) {
      worstError = error;
      worst = k;
    }
    if (k > 0 && !sameAsPrevious[k]) {
      EXPECT_NE(timesAfter[k], timesAfter[k - 1]) << "timed blocks " << k - 1 << " and " << k << " share a time";
    }
  }
  EXPECT_LE(worstError, 1e-5L) << "timed block " << worst << ": " << static_cast<double>(timesBefore[worst])
                               << " s became " << static_cast<double>(timesAfter[worst]) << " s";
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ResaveCycles, ::testing::ValuesIn(FixtureNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name = std::filesystem::path(info.param).stem().string();
                           for (char& c : name) {
                             if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace clipvex
