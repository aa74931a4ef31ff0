// Screenshot runs and playback: the temporary demo is compiled, the game
// plays it, the screenshots it writes become the strip's thumbnails.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "document/block.h"
#include "preview/gamecontrol.h"
#include "preview/previewdump.h"
#include "preview/shotfiles.h"
#include "settings/settings.h"

namespace clipvex {

struct StripState;

// Everything a run works with. `settings` is a copy: a run keeps the
// folders and the engine profile it started with whatever the user changes
// meanwhile. `pictures` decodes PNG screenshots (none: a game that writes
// PNG leaves its frames without thumbnails).
struct PreviewServices {
  Settings settings;
  GameControl& game;
  GameProcesses& processes;
  PreviewHost& host;
  PreviewTiming timing;
  PictureReader* pictures = nullptr;
};

// Where a command stands while a run waits, for the status bar.
struct RunProgress {
  int part = 1;      // the run being waited for, from 1
  int parts = 1;     // runs of the command
  int arrived = 0;   // screenshots of this run that exist
  int expected = 0;  // screenshots this run asks for
};
using ProgressText = std::function<std::string(const RunProgress&)>;

// How a command's runs went.
struct PlayReport {
  int parts = 0;         // runs the range was split into
  int partsPlayed = 0;   // runs whose demo the game was told to play
  int stops = 0;         // waits the user ended with a stop button
  bool ended = false;    // the remaining runs were given up (time limit, game gone, closing, overflow)
  int thumbnails = 0;    // thumbnail files made
  // Where the time went, in seconds: writing and compiling the temporary
  // demos, finding (or starting) the game and typing, waiting for the
  // screenshots, renaming them.
  double compileSeconds = 0;
  double startSeconds = 0;
  double waitSeconds = 0;
  double renameSeconds = 0;
};

// Plays blocks `from` to `to` of `demo` in the game of the settings' engine
// profile, taking a screenshot of every `step`-th block from `from` on (none
// when `step` is kPlaybackStep) and turning them into thumbnail files of the
// strip with letter `letter`. Ranges with more than 100 screenshots run in
// parts. Compile and start failures are raised; the time limit, a game that
// went away and too many screenshots are reported through the host and end
// the command. A stop ends the wait at once and keeps what arrived; the
// game is then told to stop, and the screenshots it still writes for the
// run are deleted once it has stopped writing, so that the next run's
// numbering is its own.
PlayReport PlayRange(const TDemFile& demo, char letter, std::int64_t from, std::int64_t to, std::int64_t step,
                     PreviewServices& services, const ProgressText& progress);

// The ranges of the three preview commands, from the strip's view and selection.
struct PreviewRange {
  std::int64_t from = 0;
  std::int64_t to = 0;
  std::int64_t step = 0;
};
// The nine visible frames.
PreviewRange UpdateViewableRange(const StripState& strip);
// Every frame position from the start of the demo to its end, on the same
// grid as the frames in view.
PreviewRange FullPreviewRange(const StripState& strip);
// The selection, played without screenshots.
PreviewRange PlaySelectionRange(const StripState& strip);

// The text typed into the game to play the temporary demo.
inline constexpr std::string_view kPlayDemoKeys = "playdemo tempfilm\r";

// Gives the game `command` the profile's way: typed at its console with
// Enter, or written into the profile's command file in `folder` and its key
// pressed. The game window must have the keyboard focus.
void SendCommand(const EngineProfile& profile, const std::string& folder, GameControl& game, std::string_view command);

}  // namespace clipvex
