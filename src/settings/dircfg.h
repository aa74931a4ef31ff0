// Rules of the Configuration dialog, apart from its widgets: the built-in
// values of its boxes, filling them from the store, and what OK writes.
#pragma once

#include <string>
#include <string_view>

#include "settings/settingsstore.h"

namespace clipvex {

// The extra game parameters a new configuration starts with.
inline constexpr const char* kDefaultAddParams = "-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex";

// The contents of the dialog's boxes.
struct DircfgValues {
  std::string winqpath;   // folder of the preview game
  std::string lmpcpath;   // folder of the converter
  std::string dempath;    // game subdirectory
  std::string addparams;  // extra game parameters
  bool fast = false;      // fast preview
  std::string profile;    // the engine profile's name
};

// The boxes before anything is read. `home` is the user's home folder; the
// folders default to "quake" and "quake/lmpc" in it (fixed drive folders on
// Windows).
DircfgValues DefaultDircfgValues(std::string_view home);

// Fills the boxes from the store: a non-empty text replaces a box's
// contents, an empty or missing one leaves it (the profile is read last). A value of the wrong type
// (or a missing fast preview switch) ends the reading; the boxes not reached
// keep what they held.
void ReadDircfgValues(const SettingsStore& store, DircfgValues& values);

// Accepting the dialog: false, changing nothing, when either folder is
// empty; otherwise both folders are made to end with the separator.
bool PrepareDircfgValues(DircfgValues& values);

// What keeps the folders in the boxes from being used, as a short note for
// each box (empty when the box is fine). The game subdirectory is checked
// only when the game folder is a folder.
struct DircfgProblems {
  std::string winqpath;
  std::string lmpcpath;
  std::string dempath;
  std::string profile;  // the profile is unknown or its program missing
  bool Any() const { return !winqpath.empty() || !lmpcpath.empty() || !dempath.empty() || !profile.empty(); }
};
DircfgProblems CheckDircfgValues(const DircfgValues& values);

// Writes the five values in order, making each permanent before the next;
// then the profile's name, when it is not the default one or the store
// already holds a profile (a user who never picks one keeps the five).
// Returns the name of the value that could not be written (the writing
// stops there), or an empty string when all were written.
std::string WriteDircfgValues(SettingsStore& store, const DircfgValues& values);

}  // namespace clipvex
