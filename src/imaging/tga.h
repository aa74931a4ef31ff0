// TGA pictures, the screenshots some engines write: uncompressed and
// run-length encoded, true colour (16, 24 or 32 bits), grey (8 bits) and
// colour-mapped (8-bit indices into a 16, 24 or 32-bit map), rows from the
// bottom or the top. A header asking for more than the PCX codec's limits is
// refused before anything is allocated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>

#include "imaging/pcx.h"

namespace clipvex {

class TgaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decodes a whole TGA file held in memory into RGB triples (alpha is
// dropped). Anything malformed or truncated raises TgaError saying what.
RgbImage DecodeTga(const std::uint8_t* data, std::size_t size);

// Whether `size` bytes hold a whole picture: a header the decoder takes and
// every byte of pixel data it asks for (an engine that writes its
// screenshot in place has written it all). Never raises.
bool TgaComplete(const std::uint8_t* data, std::size_t size);

}  // namespace clipvex
