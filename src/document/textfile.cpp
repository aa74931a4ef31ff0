#include "document/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "document/error.h"

namespace clipvex {

namespace {
constexpr std::size_t kChunk = 1 << 20;

int OpenOrThrow(const std::string& path, int flags) {
  if (path.empty()) throw ClipvexError(FileErrorText(ENOENT));
  int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) ThrowFileError(errno);
  return fd;
}
}  // namespace

long long FileSizeOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return -1;
  return static_cast<long long>(st.st_size);
}

LineReader::LineReader(const std::string& path) : fd_(OpenOrThrow(path, O_RDONLY)) {
  struct stat st {};
  if (::fstat(fd_, &st) == 0) fileSize_ = static_cast<long long>(st.st_size);
  if (S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    ThrowFileError(EISDIR);
  }
  buffer_.resize(kChunk);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::Fill() {
  if (eof_) return false;
  if (begin_ > 0) {  // keep the unread part at the front
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a very long line
  for (;;) {
    ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (got < 0) {
      if (errno == EINTR) continue;
      ThrowFileError(errno);
    }
    if (got == 0) {
      eof_ = true;
      return false;
    }
    end_ += static_cast<std::size_t>(got);
    return true;
  }
}

bool LineReader::AtEnd() {
  while (begin_ == end_) {
    if (!Fill()) return true;
  }
  return false;
}

bool LineReader::Next(std::string_view& line) {
  std::size_t searchFrom = begin_;
  for (;;) {
    const char* start = buffer_.data() + searchFrom;
    const void* nl = std::memchr(start, '\n', end_ - searchFrom);
    if (nl != nullptr) {
      std::size_t stop = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
      std::size_t len = stop - begin_;
      if (len > 0 && buffer_[stop - 1] == '\r') --len;
      line = std::string_view(buffer_.data() + begin_, len);
      begin_ = stop + 1;
      return true;
    }
    std::size_t scanned = end_ - begin_;
    if (!Fill()) {
      if (begin_ == end_) return false;
      // The last line has no line end.
      std::size_t len = end_ - begin_;
      if (buffer_[end_ - 1] == '\r') --len;
      line = std::string_view(buffer_.data() + begin_, len);
      begin_ = end_;
      return true;
    }
    searchFrom = begin_ + scanned;
  }
}

TextWriter::TextWriter(const std::string& path) : fd_(OpenOrThrow(path, O_WRONLY | O_CREAT | O_TRUNC)) {
  buffer_.reserve(kChunk + 4096);
}

TextWriter::~TextWriter() {
  if (fd_ >= 0) {
    try {
      Flush();
    } catch (const ClipvexError&) {
      // Close() reports errors; a writer dropped by an exception just closes.
    }
    ::close(fd_);
  }
}

void TextWriter::WriteLine(std::string_view line) {
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= kChunk) Flush();
}

void TextWriter::Flush() {
  std::size_t done = 0;
  while (done < buffer_.size()) {
    ssize_t put = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      buffer_.clear();
      ThrowFileError(errno);
    }
    done += static_cast<std::size_t>(put);
  }
  buffer_.clear();
}

void TextWriter::Close() {
  if (fd_ < 0) return;
  Flush();
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) ThrowFileError(errno);
}

}  // namespace clipvex
