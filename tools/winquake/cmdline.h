// The game's command line: winquake -game DIR [options] [+command args ...]
// "-game DIR" names the game folder (default "id1"); every "+word" starts a
// console command that takes the arguments after it up to the next "+word"
// or "-option" (a "-" followed by a digit or '.' is a negative number, not an
// option). Options the game does not know are ignored.
#pragma once

#include <string>
#include <vector>

namespace winquake {

struct CommandLine {
  std::string gameDir = "id1";
  std::vector<std::string> commands;  // console text, in order
};

// `args` without the program name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

}  // namespace winquake
