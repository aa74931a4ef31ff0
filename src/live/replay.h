// A strip's blocks played the way the preview game plays a demo from its
// start, without a window: the game's playback state, its clock, the console
// lines that show over the view, the commands of the blocks' stufftext. The
// state is a value: copies of it are the replay's checkpoints. The picture
// of a block is what the game's screen shows once it has played that block.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "console.h"
#include "demo.h"
#include "democlock.h"
#include "gamedata.h"
#include "playstate.h"
#include "scene.h"

namespace clipvex {

// What happens in a block, as bits.
enum LiveEvent : std::uint8_t {
  kEventKill = 1 << 0,          // the kill count goes up
  kEventDeath = 1 << 1,         // the player's health falls to zero or below
  kEventSecret = 1 << 2,        // the secret count goes up
  kEventCenterPrint = 1 << 3,   // a centre print
  kEventIntermission = 1 << 4,  // the intermission (or a finale, a cutscene) begins
  kEventNewLevel = 1 << 5,      // a level starts
};
inline constexpr int kLiveEventKinds = 6;

// The game's screen, the size of the pictures the replay draws (and of the
// thumbnail files the game writes).
inline constexpr int kLivePictureWidth = 320;
inline constexpr int kLivePictureHeight = 240;

// One block of dump text read as the game reads the block once the editor
// has compiled it: a time line takes the value the compiled demo holds.
winquake::Demo ParseLiveBlock(std::string_view text);

struct ReplayState {
  winquake::PlayState play;
  winquake::DemoClock clock;
  double effectClock = 0;  // clock reading up to which flashes and particles have moved on
  double realTime = 0;     // seconds the game has played
  double timeScale = 1;
  winquake::Console console;  // only the last lines: the notify area
  std::string commands;       // console text left after a "wait"
  std::string notedLevel;     // the level whose notes are printed
  std::vector<std::string> noted;

  ReplayState();
  // Bytes this state holds, roughly (for the checkpoints' budget).
  std::size_t Bytes() const;
};

// Plays `block` (one parsed block) as the game's frames do: it waits for the
// block's time, plays it, prints its texts; with `picture` set, the screen
// is drawn into it at that moment (before the block's own commands run, as
// the game draws it), with `renderer` when given. Then the block's commands
// run. `data` is the game's data (its notes when a level cannot be drawn
// from it go to the console as the game's do). Returns the block's events.
std::uint8_t PlayBlock(ReplayState& state, const winquake::Demo& block, const winquake::GameData& data,
                       winquake::Picture* picture = nullptr, winquake::SceneRenderer* renderer = nullptr);

// The screen of `state` as the game shows it: the view, the texts over it
// and the notify lines.
winquake::Picture DrawReplay(const ReplayState& state, const winquake::GameData& data,
                             winquake::SceneRenderer& renderer);

}  // namespace clipvex
