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
// Returns false when a raw line was needed: note says why and where
// ("unknown message id 60 at offset 12"), raw_bytes how many it holds.
bool decode_block(const std::uint8_t* data, std::size_t n, Proto& proto, OutBuf& out, std::string& note,
                  std::size_t& raw_bytes);

}  // namespace demfmt
