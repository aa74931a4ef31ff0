// Reading dump text into a demo and writing a demo back as dump text.
#pragma once

#include <string>
#include <string_view>

#include "document/block.h"
#include "document/notifier.h"

namespace clipvex {

// Inserted into leading block 3 of every demo read: it clears the colour
// shift, the bonus flash and makes the console drop at once.
inline constexpr std::string_view kConsoleResetLine = R"( stufftext "v_cshift 0 0 0 0\nbf\nscr_conspeed 2000\n";)";
inline constexpr std::string_view kParseErrorText = "Error parsing input file";

// Splits the dump at `dumpPath` into blocks, appends a duration comment to
// each and inserts the console reset line as line 3 of block 3, unless that
// line is already the reset line. `demoPath` only sizes the block
// list. Unbalanced braces at the end, or no block at all, are reported
// through `notifier` and the reading goes on; file, conversion and list
// errors are raised, and then `demo` is left without blocks.
void ParseDump(const std::string& dumpPath, const std::string& demoPath, TDemFile& demo, Notifier& notifier);

// The header line, then every line of blocks 1 to N-1, each ending in CR LF.
void WriteDump(const TDemFile& demo, const std::string& path);

// The closing block the editor ends new demos and previews with.
BlockPtr MakeClosingBlock();

}  // namespace clipvex
