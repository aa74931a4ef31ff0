// Opening and saving demos through the converter.
#pragma once

#include <string>

#include "document/block.h"
#include "document/notifier.h"
#include "settings/settings.h"

namespace clipvex {

inline constexpr const char* kTempDumpName = "tempfilm.out";

#ifdef _WIN32
inline constexpr const char* kConverterName = "lmpc.exe";
#else
inline constexpr const char* kConverterName = "lmpc";
#endif

std::string ConverterPath(const Settings& settings);
std::string TempDumpPath(const Settings& settings);

// The text of `path` from its last "." after the last folder separator or
// drive colon, upper-cased; empty when there is none.
std::string SaveExtension(const std::string& path);

// Converts the file at `path` (a demo, or a dump the converter accepts) to
// "tempfilm.out" in the converter's folder, reads it into `demo`, deletes it
// and retimes the demo. A path that is no existing regular file (a folder,
// a device, a pipe) is refused before the converter runs; a converter that
// fails raises its own message; on any error `demo` is left without blocks.
void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier);

// Saves `demo` to `target`: a ".DEM" target is compiled by the converter from
// "tempfilm.out" (which stays), any other name gets the dump text itself.
// The target is replaced only by a complete file: on any error the previous
// file is left as it was.
void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings);

}  // namespace clipvex
