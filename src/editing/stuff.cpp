#include "editing/stuff.h"

#include <algorithm>

#include "editing/clipboard.h"

namespace clipvex {

StuffSetup SetupOf(StuffKind kind) {
  switch (kind) {
    case StuffKind::Sound:
      return {"Text to insert at console:", "play ", 5, std::nullopt};
    case StuffKind::PrintMessage:
      return {"Message to Print", "", 0, kNoLengthLimit};
    case StuffKind::CenterPrint:
      return {"Message to Print", "", 0, kCenterPrintLimit};
    case StuffKind::ConsoleCommand:
      break;
  }
  return {"Text to insert at console:", "", 0, std::nullopt};
}

void StuffState::Choose(StuffKind kind) {
  stuff_kind = kind;
  if (const std::optional<int> limit = SetupOf(kind).maxLength) maxLength = *limit;
}

std::string EscapeConsoleText(std::string_view typed) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(typed.size() + 8);
  for (std::size_t i = 0; i < typed.size(); ++i) {
    const auto c = static_cast<unsigned char>(typed[i]);
    if (c == 0) continue;
    if (c == '\\') {
      if (i + 1 < typed.size() && typed[i + 1] == 'n') {
        out += "\\n";
        ++i;
      } else {
        out += "\\\\";
      }
    } else if (c == '"') {
      out += "\\\"";
    } else if (c < 0x20 || c == 0x7f || c == '{' || c == '}') {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string BuildStuffLine(StuffKind kind, std::string_view typed) {
  std::string line = " ";
  switch (kind) {
    case StuffKind::PrintMessage:
      line += "print";
      break;
    case StuffKind::CenterPrint:
      line += "centerprint";
      break;
    case StuffKind::Sound:
    case StuffKind::ConsoleCommand:
      line += "stufftext";
      break;
  }
  line += " \"";
  line += EscapeConsoleText(typed);
  line += "\\n\";";
  return line;
}

std::size_t InsertionLine(const Block& block) {
  constexpr std::size_t kLine = 3;
  const std::size_t count = block.Count();
  for (std::size_t i = count; i-- > 0;) {
    if (block[i].find('}') != std::string_view::npos) return std::min(kLine, i);
  }
  if (count >= kLine) return kLine;
  return count == 0 ? 0 : count - 1;
}

void InsertText(StripEdit& edit, const std::string& line) {
  if (!HoldsEditableDemo(edit.Strip())) return;
  const std::int64_t closing = static_cast<std::int64_t>(edit.Entries()) - 1;
  if (closing < static_cast<std::int64_t>(kFirstOrdinaryBlock)) return;
  const auto target =
      static_cast<std::size_t>(std::clamp<std::int64_t>(edit.Strip().inMark, kFirstOrdinaryBlock, closing));
  edit.InsertLine(target, InsertionLine(*edit.Demo().Blocks[target]), line);
}

}  // namespace clipvex
