// The console: the scrollback of printed lines, the input line with its
// history, and the notify times that let recent lines show over the view.
#pragma once

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace winquake {

class Console {
 public:
  static constexpr std::size_t kWidth = 38;       // characters per line
  static constexpr std::size_t kMaxLines = 1024;  // scrollback kept
  static constexpr std::size_t kMaxInput = 255;   // characters of the input line
  static constexpr std::size_t kMaxHistory = 64;  // remembered input lines

  // Appends text. A line break ends the current line; text without one
  // continues it on the next call. Lines wrap at kWidth, at a blank where a
  // word would not fit. A text that starts with byte 1 or 2 is shown in the
  // gold characters (that byte itself is not shown). `now` (seconds of real
  // time) is remembered per line for the notify area; lines printed with
  // `notify` false never show there.
  void Print(std::string_view text, double now, bool notify = true);

  std::size_t LineCount() const { return lines_.size(); }
  const std::string& Line(std::size_t i) const { return lines_[i].text; }
  double LineTime(std::size_t i) const { return lines_[i].time; }
  // The last `count` lines started at or after `since`, oldest first.
  std::vector<std::string> NotifyLines(double since, std::size_t count) const;
  // Ends the notify display of every line printed so far.
  void ClearNotify();

  // Forgets all lines but the last `keep` (a replay that shows only the
  // notify lines keeps no more). The line being continued stays open.
  void KeepLast(std::size_t keep);

  const std::string& Input() const { return input_; }
  void Type(unsigned char c);  // printable bytes only; others are ignored
  void Backspace();
  void ClearInput();
  // The input line as entered: it is echoed as "]" + line, remembered in the
  // history (when not blank) and cleared.
  std::string Submit(double now);
  void HistoryBack();     // the previous remembered line into the input
  void HistoryForward();  // the next one, or an empty line after the last

  // Scrolling back through the scrollback: 0 shows the newest lines.
  void Scroll(int lines);
  std::size_t ScrollOffset() const { return scroll_; }

 private:
  struct Entry {
    std::string text;
    double time = 0;
  };
  void NewLine(double now, bool notify);

  std::deque<Entry> lines_;
  bool open_ = false;  // the last line takes more text
  std::string input_;
  std::deque<std::string> history_;
  std::size_t historyPos_ = 0;  // == history_.size(): not browsing
  std::size_t scroll_ = 0;
};

}  // namespace winquake
