// Rebuilding every time line from the running sum of the duration comments.
#pragma once

#include "document/block.h"

namespace clipvex {

// The number a duration comment holds: the text from its fourth character,
// at most 20 characters. Raises the conversion error for anything else.
long double DurationOf(const Block& block);

// For every block from index 1 on, the running time first grows by the
// block's duration comment, then the last time line among its lines 1 to 3
// gets it: each block keeps the interval it had to the timed block before
// it. Blocks without such a line are left alone and add nothing.
void RetimeDemo(TDemFile& demo);

}  // namespace clipvex
