#include "cmdline.h"

namespace winquake {

namespace {

bool IsOption(const std::string& a) {
  if (a.size() < 2 || a[0] != '-') return false;
  return !((a[1] >= '0' && a[1] <= '9') || a[1] == '.');
}

// An argument as console text: quoted when it holds blanks, a ';' or is
// empty, so that it stays one word. (A '"' inside cannot be quoted; it is
// dropped.)
std::string Word(const std::string& a) {
  std::string clean;
  bool plain = !a.empty();
  for (char c : a) {
    if (c == '"') continue;
    if (static_cast<unsigned char>(c) <= ' ' || c == ';' || c == '/') plain = false;
    clean.push_back(c == '\n' || c == '\r' ? ' ' : c);
  }
  return plain ? clean : "\"" + clean + "\"";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
  CommandLine cl;
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t current = kNone;  // the command taking arguments
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-game") {
      current = kNone;
      if (i + 1 < args.size() && !args[i + 1].empty()) cl.gameDir = args[++i];
      continue;
    }
    if (!a.empty() && a[0] == '+') {
      current = kNone;
      if (a.size() > 1) {
        cl.commands.push_back(Word(a.substr(1)));
        current = cl.commands.size() - 1;
      }
      continue;
    }
    if (IsOption(a)) {
      current = kNone;
      continue;
    }
    if (current != kNone) {
      cl.commands[current].push_back(' ');
      cl.commands[current].append(Word(a));
    }
  }
  return cl;
}

}  // namespace winquake
