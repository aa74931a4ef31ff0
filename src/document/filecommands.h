// The demo side of the File commands: what New puts into a strip and how a
// demo that opened becomes the strip's demo.
#pragma once

#include <string>

#include "document/block.h"

namespace clipvex {

// The shell of a new demo: an empty header, the header entry and the three
// leading blocks as blocks of one empty line each, and the closing block.
void MakeNewDemo(TDemFile& demo);

}  // namespace clipvex
