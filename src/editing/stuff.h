// Insert > Sound, Print Message, Center Print and Console Command: one line
// of game console text put into a block, through the Stufftext dialog. The
// rules here build the line and put it in; dialogs/stufftextdialog.* is
// the dialog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "document/block.h"
#include "editing/editjournal.h"

namespace clipvex {

// Which command opened the dialog last.
enum class StuffKind : std::uint8_t { Sound = 0, PrintMessage = 1, CenterPrint = 2, ConsoleCommand = 3 };

// The edit box takes any number of characters.
inline constexpr int kNoLengthLimit = 0;
inline constexpr int kCenterPrintLimit = 80;

// How a command sets the dialog up.
struct StuffSetup {
  const char* prompt;             // Label1
  const char* text;               // text2insert
  int caret;                      // caret position, nothing selected
  std::optional<int> maxLength;  // none: the limit stays as it was
};
StuffSetup SetupOf(StuffKind kind);

// The dialog's small state record: the command that opened it last and the
// length limit, which lasts until a command sets another.
struct StuffState {
  StuffKind stuff_kind = StuffKind::Sound;
  int maxLength = kNoLengthLimit;

  // What choosing `kind` from the Insert menu does to the record.
  void Choose(StuffKind kind);
};

// The typed text as it goes between the quotes of a dump line, such that
// the game gets exactly what was typed: a double quote, a backslash that
// does not start "\n", a brace and a control character are escaped ("\"",
// "\\", "\x7b"); a backslash followed by "n" stays, since console texts
// write new lines that way. A zero byte cannot be part of a game string
// and is dropped.
std::string EscapeConsoleText(std::string_view typed);

// The dump line OK inserts: ' stufftext "' (Sound, Console Command),
// ' print "' or ' centerprint "', the escaped text, then '\n";'.
std::string BuildStuffLine(StuffKind kind, std::string_view typed);

// Where the line goes into `block`: as its line 3, unless that would put it
// after the line that closes the block's braces, in which case it goes in
// front of that line; a block of fewer than three lines without a closing
// line gets it in front of its last line.
std::size_t InsertionLine(const Block& block);

// Inserts `line` into the block at the strip's in-mark (no in-mark: the
// first ordinary block; past the end: the closing block). Nothing happens
// without a demo. No status words, no retiming, no thumbnail moves.
void InsertText(StripEdit& edit, const std::string& line);

}  // namespace clipvex
