// The configuration record: folders of the game and the converter, the game
// subdirectory, extra game parameters and the preview switch. Folders end
// with the platform's separator.
#pragma once

#include <string>

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
  std::string previewpath;   // WinQuakePath + separator + dempath + separator
  bool configpending = false;
  bool liveThumbnails = true;  // frames without a thumbnail file show a picture drawn in the editor
};

// A folder name with exactly one separator at its end ("" stays "").
std::string WithSeparator(std::string folder);

}  // namespace clipvex
