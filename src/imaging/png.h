// PNG files as a game writes them: only whether one is complete. Decoding
// is left to the window layer's image readers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace clipvex {

// Whether `size` bytes start with the PNG signature and end with the IEND
// chunk: a file an engine writes in place is complete once its last chunk
// is there.
bool PngComplete(const std::uint8_t* data, std::size_t size);

}  // namespace clipvex
