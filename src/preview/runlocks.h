// What a screenshot run or Play Selection holds while it uses its temporary
// files, so that a second Clipvex on the same folders never overwrites them:
// the lock of "tempfilm.out" in the converter folder and the lock of
// "tempfilm.dem" in the preview folder (which also covers the screenshots
// the game writes there).
#pragma once

#include <string>

#include "document/filelock.h"
#include "settings/settings.h"

namespace clipvex {

inline constexpr const char* kPreviewDemoFile = "tempfilm.dem";

class RunLocks {
 public:
  // Takes both locks without waiting; a run never queues behind another
  // window's run, which may take minutes.
  explicit RunLocks(const Settings& settings);

  // Whether the run may go on: both locks are held (a lock that cannot be
  // made, in a folder nothing can be written to, guards nothing).
  bool Taken() const { return refusal_.empty(); }
  // Otherwise what to tell the user: which folder another window uses.
  const std::string& Refusal() const { return refusal_; }

 private:
  FileLock preview_;
  FileLock converter_;
  std::string refusal_;
};

}  // namespace clipvex
