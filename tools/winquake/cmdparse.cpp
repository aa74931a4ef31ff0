#include "cmdparse.h"

namespace winquake {

namespace {

bool IsBlank(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u != 0 && u <= ' ';
}

bool HasWords(std::string_view s) {
  for (char c : s)
    if (!IsBlank(c)) return true;
  return false;
}

}  // namespace

std::size_t CommandEnd(std::string_view text) {
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') quoted = !quoted;
    if (c == '\n' || (c == ';' && !quoted)) return i;
  }
  return text.size();
}

std::vector<std::string> SplitCommands(std::string_view text) {
  std::vector<std::string> out;
  while (!text.empty()) {
    const std::size_t end = CommandEnd(text);
    const std::string_view piece = text.substr(0, end);
    if (HasWords(piece)) out.emplace_back(piece);
    text.remove_prefix(end < text.size() ? end + 1 : end);
  }
  return out;
}

std::vector<std::string> Tokenize(std::string_view command) {
  std::vector<std::string> words;
  std::size_t i = 0;
  const std::size_t n = command.size();
  while (words.size() < kMaxWords) {
    while (i < n && (IsBlank(command[i]) || command[i] == 0)) ++i;
    if (i >= n) break;
    if (command[i] == '/' && i + 1 < n && command[i + 1] == '/') break;
    if (command[i] == '"') {
      const std::size_t close = command.find('"', i + 1);
      const std::size_t stop = close == std::string_view::npos ? n : close;
      words.emplace_back(command.substr(i + 1, stop - i - 1));
      i = stop == n ? n : stop + 1;
      continue;
    }
    const std::size_t from = i;
    while (i < n && !IsBlank(command[i]) && command[i] != 0 && command[i] != '"' &&
           !(command[i] == '/' && i + 1 < n && command[i + 1] == '/'))
      ++i;
    words.emplace_back(command.substr(from, i - from));
  }
  return words;
}

}  // namespace winquake
