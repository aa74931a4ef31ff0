// Opening and saving demos through the converter.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
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

// How an opening or a save waits for the converter, and for another Clipvex
// window to finish with the converter folder's "tempfilm.out". The window
// waits without freezing and lets the user cancel.
enum class WaitOutcome { Done, Cancelled, TimedOut };

class ConversionWait {
 public:
  virtual ~ConversionWait() = default;
  // Returns once `done` returns true (asked several times a second), the
  // user cancels, or `limit` has passed (no limit when it is zero). `what`
  // tells the user what is waited for.
  virtual WaitOutcome Wait(const std::string& what, std::chrono::milliseconds limit,
                           const std::function<bool()>& done) = 0;
};

// How long the converter may work on a file of `bytes` bytes before it is
// stopped: 30 seconds, and 2 more for every MiB begun. The converter reads
// and writes over 100 MB a second, so this is a hundred times what a busy
// machine or a slow disk needs, and a converter that hangs on a small demo
// is given up within half a minute.
std::chrono::milliseconds ConverterTimeLimit(std::uintmax_t bytes);

// Converts the file at `path` (a demo, or a dump the converter accepts) to
// "tempfilm.out" in the converter's folder, reads it into `demo`, deletes it
// and retimes the demo. A path that is no existing regular file (a folder,
// a device, a pipe) is refused before the converter runs; a converter that
// fails raises its own message; on any error `demo` is left without blocks.
//
// While the converter folder's "tempfilm.out" is in use by another Clipvex
// (its lock file "tempfilm.out.lock" is held), the conversion waits for it.
// Without a `wait` the calling thread blocks (tools, tests); with one, the
// converter and the other window are waited for through it: a cancel
// stops the converter and raises CancelledError, and a converter that
// outlasts ConverterTimeLimit is stopped and reported by name.
void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier);
void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier,
              ConversionWait& wait);

// Saves `demo` to `target`: a ".DEM" target is compiled by the converter from
// "tempfilm.out" (which stays), any other name gets the dump text itself.
// The target is replaced only by a complete file: on any error, a cancel
// or a converter given up, the previous file is left as it was. Waits as
// LoadDemo does.
void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings);
void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings, ConversionWait& wait);

}  // namespace clipvex
