#include "preview/runlocks.h"

#include "document/conversion.h"

namespace clipvex {

RunLocks::RunLocks(const Settings& settings)
    : preview_(LockFileFor(settings.previewpath + kPreviewDemoFile)), converter_(LockFileFor(TempDumpPath(settings))) {
  if (preview_.TryLock() == LockState::Busy) {
    refusal_ = "Another Clipvex window is taking screenshots or playing a demo in the preview folder " +
               settings.previewpath + ".\nThis window cannot run a preview until it has finished.";
    return;
  }
  if (converter_.TryLock() == LockState::Busy) {
    preview_.Unlock();
    refusal_ = "Another Clipvex window is using the converter folder " + settings.lmpcpath + " (" + kTempDumpName +
               ").\nTry the preview again when it has finished.";
  }
}

}  // namespace clipvex
