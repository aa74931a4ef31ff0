#include "screenshot.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "imaging/pcx.h"

namespace winquake {

namespace {

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 || errno != ENOENT;
}

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Gives `tmp` the name `target` unless `target` exists. 0 on success,
// otherwise the error number (EEXIST when the name is taken).
int LinkNoReplace(const std::string& tmp, const std::string& target) {
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
#endif
  // A hard link fails when the name exists; the temporary name then goes.
  if (::link(tmp.c_str(), target.c_str()) != 0) return errno;
  ::unlink(tmp.c_str());
  return 0;
}

}  // namespace

std::string ScreenshotName(int number) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "quake%02d.pcx", number);
  return buf;
}

std::optional<int> LowestFreeScreenshot(const std::string& dir) {
  for (int i = 0; i < kMaxScreenshots; ++i)
    if (!Exists(Join(dir, ScreenshotName(i)))) return i;
  return std::nullopt;
}

ScreenshotResult WriteScreenshot(const std::string& dir, const Framebuffer& fb, const Palette& palette) {
  ScreenshotResult result;
  std::optional<int> number = LowestFreeScreenshot(dir);
  if (!number) {
    result.error = "quake00.pcx to quake99.pcx all exist; nothing written";
    return result;
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes = clipvex::EncodePcx8(fb.width, fb.height, fb.pixels.data(), palette.data());
  } catch (const clipvex::PcxError& e) {
    result.error = std::string("couldn't encode the picture: ") + e.what();
    return result;
  }
  std::string tmp = Join(dir, ".quake-XXXXXX.part");
  const int fd = ::mkstemps(tmp.data(), 5);
  if (fd < 0) {
    result.error = "couldn't write " + ScreenshotName(*number) + ": " + std::strerror(errno);
    return result;
  }
  ::fchmod(fd, 0644);
  const bool written = WriteAll(fd, bytes);
  const int writeErrno = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(tmp.c_str());
    result.error = "couldn't write " + ScreenshotName(*number) + ": " + std::strerror(written ? errno : writeErrno);
    return result;
  }
  for (int n = *number; n < kMaxScreenshots; ++n) {
    const std::string name = ScreenshotName(n);
    const int err = LinkNoReplace(tmp, Join(dir, name));
    if (err == 0) {
      result.ok = true;
      result.name = name;
      return result;
    }
    if (err != EEXIST) {
      ::unlink(tmp.c_str());
      result.error = "couldn't write " + name + ": " + std::strerror(err);
      return result;
    }
  }
  ::unlink(tmp.c_str());
  result.error = "quake00.pcx to quake99.pcx all exist; nothing written";
  return result;
}

}  // namespace winquake
