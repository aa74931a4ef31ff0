// demogen command line: parse, generate in memory, write once.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "demogen.h"

int main(int argc, char** argv) {
  using namespace clipvex::demogen;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  auto cl = parse_command_line(args, error);
  if (!cl) {
    std::fprintf(stderr, "demogen: %s\n%s", error.c_str(), usage_text().c_str());
    return 2;
  }
  if (cl->help) {
    std::fputs(usage_text().c_str(), stdout);
    return 0;
  }
  if (const std::string note = map_note(cl->options.map); !note.empty())
    std::fprintf(stderr, "demogen: %s\n", note.c_str());
  try {
    const auto data = generate(cl->options);
    if (!write_file_replacing(cl->output, data, error)) {
      std::fprintf(stderr, "demogen: %s\n", error.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demogen: %s\n", e.what());
    return 1;
  }
  return 0;
}
