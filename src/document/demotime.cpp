#include "document/demotime.h"

#include <cmath>
#include <limits>

#include "document/error.h"
#include "document/numtext.h"
#include "document/real48.h"

namespace clipvex {

namespace {

constexpr std::size_t kSecondsWindow = 10;

// Like the runtime's Copy: a 0-based start past the end gives an empty text.
std::string_view Copy(std::string_view text, std::size_t start, std::size_t count) {
  if (start >= text.size()) return {};
  return text.substr(start, count);
}

std::int32_t TruncToInt(long double value) {
  long double t = std::trunc(value);
  if (!(t >= std::numeric_limits<std::int32_t>::min() && t <= std::numeric_limits<std::int32_t>::max())) {
    throw ClipvexError("Invalid floating point operation");
  }
  return static_cast<std::int32_t>(t);
}

}  // namespace

double ParseTime(std::string_view line) {
  std::size_t word = line.find("time");
  if (word == std::string_view::npos) ThrowInvalidFloat(line);
  std::size_t afterWord = word + 4;
  long double hours = 0;
  long double minutes = 0;
  long double seconds = 0;
  if (line.find('s') != std::string_view::npos) {
    seconds = StrToFloat(Copy(line, afterWord, kSecondsWindow));
  } else {
    std::size_t colon = line.find(':');
    std::size_t intEnd = colon == std::string_view::npos ? afterWord : std::max(colon, afterWord);
    std::int32_t first = StrToInt(line.substr(afterWord, intEnd - afterWord));
    std::string_view rest = colon == std::string_view::npos ? std::string_view{} : line.substr(colon + 1);
    if (line.find('h') != std::string_view::npos) {
      hours = first;
      std::size_t second = rest.find(':');
      minutes = StrToInt(rest.substr(0, second == std::string_view::npos ? 0 : second));
      seconds =
          StrToFloat(second == std::string_view::npos ? std::string_view{} : Copy(rest, second + 1, kSecondsWindow));
    } else {
      minutes = first;
      seconds = StrToFloat(Copy(rest, 0, kSecondsWindow));
    }
  }
  return RoundReal48(hours * 3600 + minutes * 60 + seconds);
}

SplitTimeResult SplitTime(double seconds) {
  static const long double kPerHour = 1.0L / 3600.0L;
  static const long double kPerMinute = 1.0L / 60.0L;
  long double t = seconds;
  SplitTimeResult r;
  r.hours = TruncToInt(t * kPerHour);
  r.minutes = TruncToInt((t - 3600.0L * r.hours) * kPerMinute);
  r.seconds = RoundReal48(t - 3600.0L * r.hours - 60.0L * r.minutes);
  return r;
}

std::string FormatTimeLine(double seconds) {
  SplitTimeResult s = SplitTime(seconds);
  std::string line = " time ";
  if (s.hours != 0) {
    line += std::to_string(s.hours) + ":" + std::to_string(s.minutes) + ":" + FormatFixed(s.seconds) + "h;";
  } else if (s.minutes != 0) {
    line += std::to_string(s.minutes) + ":" + FormatFixed(s.seconds) + "m;";
  } else {
    line += FormatFixed(s.seconds) + "s;";
  }
  return line;
}

std::string BlockTimeText(const Block& block) {
  std::string text;
  for (std::size_t i = 0; i < 4 && i < block.Count(); ++i) {
    std::string_view line = block[i];
    if (IsTimeLine(line)) text.assign(line.substr(5, line.size() - 6));
  }
  return text;
}

}  // namespace clipvex
