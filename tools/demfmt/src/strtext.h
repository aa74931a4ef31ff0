// Quoted string text. The writer escapes every byte below 0x20, 0x7F-0xFF,
// '"', '\\', '{' and '}' so a dump line is plain ASCII and never holds a raw
// brace:  \n for 0x0A, \\ and \" for themselves, \xHH for the rest.
// The reader understands \n \r \t \\ \" \xHH; any other backslash (a lone
// backslash typed in the editor) is kept literally.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "demfmt/demfmt.h"
#include "outbuf.h"

namespace demfmt {

void write_escaped(OutBuf& out, const unsigned char* s, std::size_t n);
void write_hex_bytes(OutBuf& out, const unsigned char* s, std::size_t n);

// unescape (the reverse of write_escaped) is public: see demfmt.h.
// Hex digit pairs -> bytes appended to out; false on odd length or bad digit.
bool unhex(std::string_view s, OutBuf& out);

// The first `max` bytes of s in single quotes for a message, control bytes
// and bytes from 0x7F as \xHH, "..." after a cut.
std::string excerpt(std::string_view s, std::size_t max = 40);

}  // namespace demfmt
