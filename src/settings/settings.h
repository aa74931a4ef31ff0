// The configuration record: folders of the game and the converter, the game
// subdirectory, extra game parameters, the preview switch and the engine
// profile. Folders end with the platform's separator.
#pragma once

#include <string>

#include "settings/engineprofile.h"

namespace clipvex {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

struct Settings {
  std::string WinQuakePath;  // folder of the preview game
  std::string lmpcpath;      // folder of the converter and of "tempfilm.out"
  std::string dempath;       // game subdirectory passed with "-game"
  std::string addparams;     // extra game parameters
  bool fastpre = false;      // fast preview
  std::string previewpath;   // WinQuakePath + separator + dempath + separator, or the profile's folder
  bool configpending = false;
  std::string profile;  // the engine profile's name as stored (empty: "WinQuake")
  EngineProfile engine = ProfileCatalog::BuiltIn().Default();  // that profile
  bool liveThumbnails = true;  // frames without a thumbnail file show a picture drawn in the editor
};

// A folder name with exactly one separator at its end ("" stays "").
std::string WithSeparator(std::string folder);

// The game subdirectory in the game folder: `gameFolder` + separator +
// `gameDirectory` + separator (the preview directory of the default profile).
std::string GameDirectoryPath(const std::string& gameFolder, const std::string& gameDirectory);

}  // namespace clipvex
