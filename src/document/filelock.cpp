#include "document/filelock.h"

#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace clipvex {

std::string LockFileFor(const std::string& file) { return file + ".lock"; }

FileLock::FileLock(FileLock&& other) noexcept : path_(std::move(other.path_)) {
#ifdef _WIN32
  handle_ = std::exchange(other.handle_, nullptr);
#else
  fd_ = std::exchange(other.fd_, -1);
#endif
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Unlock();
    path_ = std::move(other.path_);
#ifdef _WIN32
    handle_ = std::exchange(other.handle_, nullptr);
#else
    fd_ = std::exchange(other.fd_, -1);
#endif
  }
  return *this;
}

LockState FileLock::TryLock() { return Take(false); }
LockState FileLock::Lock() { return Take(true); }

#ifdef _WIN32

bool FileLock::Held() const { return handle_ != nullptr; }

LockState FileLock::Take(bool wait) {
  if (Held()) return LockState::Held;
  HANDLE file =
      CreateFileA(path_.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LockState::Unavailable;
  OVERLAPPED at{};
  const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
  if (!LockFileEx(file, flags, 0, 1, 0, &at)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING ? LockState::Busy : LockState::Unavailable;
  }
  handle_ = file;
  return LockState::Held;
}

void FileLock::Unlock() {
  if (handle_ == nullptr) return;
  OVERLAPPED at{};
  UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
  CloseHandle(static_cast<HANDLE>(handle_));
  handle_ = nullptr;
}

#else

bool FileLock::Held() const { return fd_ >= 0; }

LockState FileLock::Take(bool wait) {
  if (Held()) return LockState::Held;
  if (path_.empty()) return LockState::Unavailable;
  // A lock file removed and made anew by someone while we waited would be
  // another file than the one locked: the lock counts only on the file
  // that stands under the name.
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    // Another user's lock file in a shared folder locks as well read-only.
    if (fd < 0 && errno == EACCES) fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return LockState::Unavailable;
    int rc = 0;
    while ((rc = ::flock(fd, LOCK_EX | (wait ? 0 : LOCK_NB))) != 0 && errno == EINTR) {
    }
    if (rc != 0) {
      const int error = errno;
      ::close(fd);
      return error == EWOULDBLOCK ? LockState::Busy : LockState::Unavailable;
    }
    struct stat held {};
    struct stat named {};
    if (::fstat(fd, &held) == 0 && ::stat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      fd_ = fd;
      return LockState::Held;
    }
    ::close(fd);
  }
  return LockState::Unavailable;
}

void FileLock::Unlock() {
  if (fd_ < 0) return;
  // Closing the descriptor drops the lock; the file stays for the next holder.
  ::close(fd_);
  fd_ = -1;
}

#endif

}  // namespace clipvex
