#include "console.h"

#include <algorithm>
#include <limits>

namespace winquake {

void Console::NewLine(double now, bool notify) {
  lines_.push_back(Entry{std::string(), notify ? now : -std::numeric_limits<double>::infinity()});
  while (lines_.size() > kMaxLines) lines_.pop_front();
  if (scroll_ > 0 && scroll_ + 1 < lines_.size()) ++scroll_;  // keep the view still while scrolled back
  open_ = true;
}

void Console::Print(std::string_view text, double now, bool notify) {
  unsigned char mask = 0;
  if (!text.empty() && (text[0] == 1 || text[0] == 2)) {
    mask = 0x80;
    text.remove_prefix(1);
  }
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      if (!open_) NewLine(now, notify);
      open_ = false;
      continue;
    }
    if (c == '\r' || c == 0) continue;
    if (!open_) NewLine(now, notify);
    std::string& line = lines_.back().text;
    if (c != ' ' && !line.empty() && line.back() == ' ') {
      // A word starts: move it to a fresh line when it would not fit here
      // but fits a whole line.
      std::size_t len = 0;
      while (i + len < text.size() && text[i + len] != ' ' && text[i + len] != '\n') ++len;
      if (line.size() + len > kWidth && len <= kWidth) NewLine(now, notify);
    }
    if (lines_.back().text.size() >= kWidth) {
      if (c == ' ') continue;  // a blank at a wrap point is not carried over
      NewLine(now, notify);
    }
    lines_.back().text.push_back(static_cast<char>(c | mask));
  }
}

std::vector<std::string> Console::NotifyLines(double since, std::size_t count) const {
  std::vector<std::string> out;
  std::size_t first = lines_.size() > count ? lines_.size() - count : 0;
  for (std::size_t i = first; i < lines_.size(); ++i)
    if (lines_[i].time >= since) out.push_back(lines_[i].text);
  return out;
}

void Console::KeepLast(std::size_t keep) {
  while (lines_.size() > keep) lines_.pop_front();
  if (lines_.empty()) open_ = false;
  scroll_ = std::min(scroll_, lines_.empty() ? std::size_t{0} : lines_.size() - 1);
}

void Console::ClearNotify() {
  for (Entry& e : lines_) e.time = -std::numeric_limits<double>::infinity();
}

void Console::Type(unsigned char c) {
  if (c < 32 || c == 127) return;
  if (input_.size() < kMaxInput) input_.push_back(static_cast<char>(c));
}

void Console::Backspace() {
  if (!input_.empty()) input_.pop_back();
}

void Console::ClearInput() {
  input_.clear();
  historyPos_ = history_.size();
}

std::string Console::Submit(double now) {
  std::string line = std::move(input_);
  input_.clear();
  open_ = false;
  Print("]" + line + "\n", now);
  bool blank = true;
  for (char c : line)
    if (c != ' ') blank = false;
  if (!blank && (history_.empty() || history_.back() != line)) {
    history_.push_back(line);
    while (history_.size() > kMaxHistory) history_.pop_front();
  }
  historyPos_ = history_.size();
  scroll_ = 0;
  return line;
}

void Console::HistoryBack() {
  if (historyPos_ == 0) return;
  --historyPos_;
  input_ = history_[historyPos_];
}

void Console::HistoryForward() {
  if (historyPos_ >= history_.size()) return;
  ++historyPos_;
  input_ = historyPos_ < history_.size() ? history_[historyPos_] : std::string();
}

void Console::Scroll(int lines) {
  long long pos = static_cast<long long>(scroll_) + lines;
  const long long maxPos = lines_.empty() ? 0 : static_cast<long long>(lines_.size()) - 1;
  if (pos < 0) pos = 0;
  if (pos > maxPos) pos = maxPos;
  scroll_ = static_cast<std::size_t>(pos);
}

}  // namespace winquake
