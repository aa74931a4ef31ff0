// Any text as an engine profile: it is refused with a line inside the text
// and a reason, or taken with every required value; the templates of a
// profile taken fill in without leaving a placeholder of their own.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "settings/engineprofile.h"

namespace {

[[noreturn]] void Broken(const char* what) {
  std::fprintf(stderr, "fuzz_profile: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const clipvex::ProfileParse parse = clipvex::ParseProfile(text, "fuzz.profile");
  if (!parse.profile) {
    if (parse.error.reason.empty()) Broken("refused without a reason");
    std::size_t lines = 1;
    for (char c : text) lines += c == '\n';
    if (parse.error.line < 0 || static_cast<std::size_t>(parse.error.line) > lines)
      Broken("refused at a line it has not");
    return 0;
  }
  const clipvex::EngineProfile& p = *parse.profile;
  if (p.name.empty() || p.program.empty() || p.screenshots.empty()) Broken("taken without a required value");
  if (!clipvex::ParseShotPattern(p.screenshots)) Broken("taken with a screenshot pattern it cannot read");
  if (p.start == clipvex::StartKind::BoundKey && (p.commandFile.empty() || p.startKey < 228 || p.startKey > 239)) {
    Broken("a key start without its key or file");
  }
  clipvex::ProfileContext context;
  context.basedir = "/b";
  context.game = "g";
  context.addparams = "+a \"b c\"";
  context.home = "/h";
  context.width = p.width;
  context.height = p.height;
  for (const std::string* words : {&p.arguments, &p.check}) {
    for (const std::string& word : clipvex::ExpandWords(*words, context)) {
      for (const char* name : {"{basedir}", "{game}", "{home}", "{width}", "{height}", "{exe}", "{addparams}"}) {
        if (word.find(name) != std::string::npos) Broken("a placeholder was left in an argument");
      }
    }
  }
  for (const std::string* one : {&p.program, &p.folder, &p.workingFolder}) {
    if (clipvex::ExpandText(*one, context).find("{home}") != std::string::npos) Broken("a placeholder was left");
  }
  return 0;
}
