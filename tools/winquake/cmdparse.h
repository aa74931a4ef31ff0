// Console text as the game reads it: a text holds commands separated by ';'
// or line breaks (a ';' inside quotes does not separate), a command holds
// words separated by blanks, double quotes group words, and "//" outside
// quotes ends the command's words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace winquake {

// At most this many words of one command are kept; the rest are dropped.
inline constexpr std::size_t kMaxWords = 80;

// Where the first command of `text` ends: the position of its ';' or line
// break, or text.size() when it runs to the end.
std::size_t CommandEnd(std::string_view text);

// The commands of `text` in order; empty commands are left out.
std::vector<std::string> SplitCommands(std::string_view text);

// The words of one command. Bytes 1 to 32 are blanks; a quoted word runs to
// the next '"' (or the end) and may be empty.
std::vector<std::string> Tokenize(std::string_view command);

}  // namespace winquake
