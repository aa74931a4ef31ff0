// Binary block data -> dump lines (the text writer of one block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "outbuf.h"
#include "protocol.h"

namespace demfmt {

// Writes one line per message of data[0, n) (each starting with a blank and
// ending with ";\n"). Bytes no message explains go into one " raw HEX;" line.
// Returns false (and sets note) when a raw line was needed.
bool decode_block(const std::uint8_t* data, std::size_t n, Proto& proto, OutBuf& out,
                  std::string& note);

}  // namespace demfmt
