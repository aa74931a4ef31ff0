// Advisory locks that keep two Clipvex windows from using the same
// temporary file at once: a lock file beside the temporary file, locked
// through an open descriptor, so that a window that crashes or is killed
// never leaves the lock behind (the system drops it with the descriptor).
#pragma once

#include <string>

namespace clipvex {

// The lock file that guards `file`: its name with ".lock" appended.
std::string LockFileFor(const std::string& file);

enum class LockState {
  Held,         // this object holds the lock
  Busy,         // another holder (another window, another process) has it
  Unavailable,  // the lock file cannot be made (a read-only folder): nothing
                // can be written beside it either, so there is nothing to guard
};

// An exclusive lock on one lock file. Held until Unlock() or until the
// object goes; the descriptor is closed on exec, so programs started
// meanwhile never inherit it. Two objects conflict even within one process.
class FileLock {
 public:
  FileLock() = default;
  explicit FileLock(std::string lockPath) : path_(std::move(lockPath)) {}
  ~FileLock() { Unlock(); }
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Takes the lock without waiting.
  LockState TryLock();
  // Takes the lock, waiting for as long as another holder keeps it.
  LockState Lock();
  void Unlock();
  bool Held() const;
  const std::string& Path() const { return path_; }

 private:
  LockState Take(bool wait);

  std::string path_;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace clipvex
