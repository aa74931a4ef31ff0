// The files of a conversion: what a path names decides how it is read or
// written, and every failure names the file and gives the system's reason.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <filesystem>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "demfmt/demfmt.h"

namespace demfmt {

namespace {

std::string reason(int err) { return std::strerror(err); }

// What a file type is called in a refusal.
const char* kind_of(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a file";
  if (S_ISCHR(mode)) return "is a character device, not a file";
  if (S_ISBLK(mode)) return "is a block device, not a file";
  if (S_ISSOCK(mode)) return "is a socket, not a file";
  return "is not a regular file";
}

// Writes everything or returns the error number (0 when all was written).
int write_fd(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t k = ::write(fd, p, n);
    if (k < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- input

InputFile::InputFile(const std::string& path, std::uint64_t pipe_limit) : path_(path), limit_(pipe_limit) {
  // Look before opening: opening a device may itself do something.
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) throw FileError(path, "cannot open: " + reason(errno));
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode)) throw FileError(path, kind_of(st.st_mode));
  do {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) throw FileError(path, "cannot open: " + reason(errno));
  if (::fstat(fd_, &st) != 0) {
    int err = errno;
    ::close(fd_);
    throw FileError(path, "cannot open: " + reason(err));
  }
  if (!S_ISREG(st.st_mode) && !S_ISFIFO(st.st_mode) && !S_ISSOCK(st.st_mode)) {
    ::close(fd_);
    throw FileError(path, kind_of(st.st_mode));
  }
  // A regular file that says it is empty (those of /proc) is read like a
  // pipe: its length is only known at its end.
  regular_ = S_ISREG(st.st_mode) && st.st_size > 0;
  dev_ = static_cast<std::uint64_t>(st.st_dev);
  ino_ = static_cast<std::uint64_t>(st.st_ino);
  size_ = regular_ ? static_cast<std::uint64_t>(st.st_size) : 0;
}

InputFile::~InputFile() {
  if (map_) ::munmap(map_, size_);
  if (fd_ >= 0) ::close(fd_);
}

std::size_t InputFile::read(char* buffer, std::size_t room) {
  // A stream is read one byte past its limit, to tell "ends at the limit"
  // from "goes on".
  if (!regular_ && limit_ - taken_ < room) room = static_cast<std::size_t>(limit_ - taken_) + 1;
  ssize_t k;
  do {
    k = ::read(fd_, buffer, room);
  } while (k < 0 && errno == EINTR);
  if (k < 0) throw FileError(path_, "cannot read: " + reason(errno));
  taken_ += static_cast<std::uint64_t>(k);
  if (!regular_ && taken_ > limit_)
    throw FileError(path_, "stopped reading after " + std::to_string(limit_) +
                               " bytes without an end: no demo or dump is that long "
                               "(--pipe-limit=BYTES sets the limit)");
  return static_cast<std::size_t>(k);
}

std::string_view InputFile::whole() {
  if (have_whole_) return map_ ? std::string_view(static_cast<const char*>(map_), size_) : std::string_view(data_);
  have_whole_ = true;
  if (regular_) {
    if (size_ > SIZE_MAX / 2) throw FileError(path_, "is too large to convert");
    void* m = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (m != MAP_FAILED) {
      ::madvise(m, size_, MADV_SEQUENTIAL);
      map_ = m;
      return {static_cast<const char*>(map_), size_};
    }
    // Not mappable (some file systems): read it, at its stated size.
    data_.resize(size_);
    std::size_t n = 0;
    while (n < data_.size()) {
      std::size_t k = read(data_.data() + n, data_.size() - n);
      if (k == 0) break;
      n += k;
    }
    data_.resize(n);
    return data_;
  }
  // A stream: the buffer grows with what has arrived, so it never holds
  // more than twice what was read.
  std::size_t n = 0;
  for (;;) {
    if (n == data_.size()) data_.resize(n < 65536 ? 65536 : 2 * n);
    std::size_t k = read(data_.data() + n, data_.size() - n);
    if (k == 0) break;
    n += k;
  }
  data_.resize(n);
  data_.shrink_to_fit();
  return data_;
}

bool InputFile::same_file_as(const std::string& other) const {
  struct stat st;
  if (::stat(other.c_str(), &st) != 0) return false;
  return static_cast<std::uint64_t>(st.st_dev) == dev_ && static_cast<std::uint64_t>(st.st_ino) == ino_;
}

// ---------------------------------------------------------------- output

// Writes handed-over buffers on its own thread, in order, so that the
// caller formats the next piece meanwhile. A few buffers circulate: written
// ones come back to the caller to be filled again.
class OutputFile::Writer {
 public:
  explicit Writer(int fd) : fd_(fd), thread_([this] { run(); }) {}
  ~Writer() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
  }

  // Queues buffer[0, used) and puts a written buffer (or an empty one) in
  // its place. Returns the error of an earlier write, 0 if none.
  int push(std::string& buffer, std::size_t used) {
    std::unique_lock<std::mutex> lock(m_);
    done_cv_.wait(lock, [this] { return full_.size() < kDepth || err_ != 0; });
    if (err_ != 0) return err_;
    full_.push_back({std::move(buffer), used});
    if (free_.empty()) {
      buffer = std::string();
    } else {
      buffer = std::move(free_.back());
      free_.pop_back();
    }
    cv_.notify_all();
    return 0;
  }

  // Waits until everything queued is written; returns the first error.
  int drain() {
    std::unique_lock<std::mutex> lock(m_);
    done_cv_.wait(lock, [this] { return (full_.empty() && !busy_) || err_ != 0; });
    return err_;
  }

 private:
  static constexpr std::size_t kDepth = 3;

  void run() {
    std::unique_lock<std::mutex> lock(m_);
    for (;;) {
      cv_.wait(lock, [this] { return stop_ || !full_.empty(); });
      if (stop_) return;
      Piece piece = std::move(full_.front());
      full_.pop_front();
      busy_ = true;
      lock.unlock();
      int err = err_ ? err_ : write_fd(fd_, piece.text.data(), piece.used);
      lock.lock();
      busy_ = false;
      if (err != 0 && err_ == 0) err_ = err;
      free_.push_back(std::move(piece.text));
      done_cv_.notify_all();
    }
  }

  struct Piece {
    std::string text;
    std::size_t used;
  };
  int fd_;
  std::mutex m_;
  std::condition_variable cv_, done_cv_;
  std::deque<Piece> full_;
  std::vector<std::string> free_;
  bool busy_ = false, stop_ = false;
  int err_ = 0;
  std::thread thread_;
};

OutputFile::OutputFile(const std::string& path) : path_(path), target_(path) {
  struct stat st;
  const bool exists = ::stat(path.c_str(), &st) == 0;  // what a link leads to
  if (!exists && errno != ENOENT) throw FileError(path, "cannot write: " + reason(errno));
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
      in_place_ = true;  // opened when the first byte is written
      return;
    }
    throw FileError(path, kind_of(st.st_mode));
  }
  // Replace the file a link leads to (or create it), never the link.
  namespace fs = std::filesystem;
  fs::path real = path;
  std::error_code ec;
  for (int hops = 0; fs::is_symlink(real, ec); ++hops) {
    fs::path to = fs::read_symlink(real, ec);
    if (ec || hops == 40) throw FileError(path, "cannot follow the link: " + (ec ? ec.message() : "too many links"));
    real = to.is_absolute() ? to : real.parent_path() / to;
  }
  target_ = real.string();
  std::random_device rd;
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    tmp_ = target_ + ".tmp" + std::to_string(rd() % 1000000u);
    fd_ = ::open(tmp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    int err = errno;
    tmp_.clear();
    throw FileError(path, "cannot create a temporary file beside it: " + reason(err));
  }
  // The replacement keeps the permissions of the file it replaces.
  if (exists) ::fchmod(fd_, st.st_mode & 07777);
}

OutputFile::~OutputFile() {
  delete writer_;
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !tmp_.empty()) ::unlink(tmp_.c_str());
}

void OutputFile::fail(const char* what, int err) const { throw FileError(path_, what + reason(err)); }

void OutputFile::open_in_place() {
  do {
    fd_ = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
  } while (fd_ < 0 && errno == EINTR);
  if (fd_ < 0) fail("cannot open for writing: ", errno);
}

void OutputFile::write_all(const char* data, std::size_t n) {
  if (fd_ < 0) open_in_place();
  if (writer_) {
    if (int err = writer_->drain()) fail("cannot write: ", err);
  }
  if (int err = write_fd(fd_, data, n)) fail("cannot write: ", err);
}

void OutputFile::write(std::string_view data) { write_all(data.data(), data.size()); }

void OutputFile::exchange(std::string& buffer, std::size_t used) {
  if (fd_ < 0) open_in_place();
  if (!writer_) writer_ = new Writer(fd_);
  if (int err = writer_->push(buffer, used)) fail("cannot write: ", err);
}

void OutputFile::commit() {
  if (fd_ < 0) open_in_place();
  if (writer_) {
    int err = writer_->drain();
    delete writer_;
    writer_ = nullptr;
    if (err) fail("cannot write: ", err);
  }
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0 && errno != EINTR) fail("cannot write: ", errno);
  if (!tmp_.empty() && ::rename(tmp_.c_str(), target_.c_str()) != 0) fail("cannot replace the file: ", errno);
  committed_ = true;
}

// ---------------------------------------------------------------- helpers

std::string read_file(const std::string& path) {
  InputFile in(path);
  return std::string(in.whole());
}

void write_file_atomic(const std::string& path, std::string_view data) {
  OutputFile f(path);
  f.write(data);
  f.commit();
}

}  // namespace demfmt
