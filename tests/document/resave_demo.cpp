// resave_demo CONVERTER_FOLDER IN.dem OUT.dem: opens a demo the way the editor
// does (converter, dump reading, retiming) and saves it again as a demo.
#include <cstdio>
#include <exception>

#include "document/conversion.h"
#include "settings/settings.h"

namespace {
class PrintingNotifier : public clipvex::Notifier {
 public:
  void ShowError(std::string_view text) override {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
};
}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: resave_demo CONVERTER_FOLDER IN.dem OUT.dem\n");
    return 2;
  }
  clipvex::Settings settings;
  settings.lmpcpath = clipvex::WithSeparator(argv[1]);
  PrintingNotifier notifier;
  try {
    clipvex::TDemFile demo;
    clipvex::LoadDemo(argv[2], demo, settings, notifier);
    clipvex::SaveDemo(demo, argv[3], settings);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
