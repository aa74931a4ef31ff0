// The demo check: what in a block list makes a game stop playing the demo,
// or crash, found in the dump text before the demo is saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/block.h"

namespace clipvex {

enum class ProblemKind : std::uint8_t {
  TimeGoesBack,   // a time below the one before it within a level
  TimeBelowZero,  // a time below zero
  ModelIndex,     // a model beyond the level's model list or the protocol's limit
  SoundIndex,     // a sound beyond the level's sound list or the protocol's limit
  PlayerSlot,     // a player slot (or a colour map naming one) beyond the level's player slots
  PrecacheList,   // a model or sound list longer than the protocol allows
  BlockSize,      // more bytes of messages than a game accepts in one block
  Unwritable,     // a block the converter cannot write
  SignOn,         // a level without its sign-on blocks, or frames before them
};

struct DemoProblem {
  std::size_t block = 0;  // index in the block list, as the strip numbers blocks
  ProblemKind kind = ProblemKind::TimeGoesBack;
  std::string text;  // what is wrong, in plain words: "the time goes back 10.38 s"
};

// The bytes of messages a game accepts in one block: 8,000 for protocol 15,
// 64,000 for the later protocols (666, 999).
std::size_t BlockLimit(std::int32_t protocol);

// Checks blocks 1 to N-1 of a demo, in list order. Levels start at each
// serverinfo record (before the first one, blocks are read as protocol 15).
// Within a level: every time (time and servertime lines) at least the one
// before it and not below zero; every model and sound index within the
// level's precache lists, and the lists within the protocol's limits;
// player slots and colour maps within the level's maxclients; sign-on
// steps 1, 2 and 3 in order before the first entity update. Each block
// within the game's size limit (measured by the converter where its text
// alone does not show it). An index, slot or list problem is reported once
// per level and value, at its first block; a time below zero once per level.
std::vector<DemoProblem> CheckDemo(const TDemFile& demo);

// "block 527: the time goes back 10.38 s".
std::string DescribeProblem(const DemoProblem& problem);

}  // namespace clipvex
