#include "document/textfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
  // A small file gets a buffer its size; Fill grows it should the file grow.
  buffer_.resize(static_cast<std::size_t>(std::clamp<long long>(fileSize_ + 1, 4096, kChunk)));
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

void LineReader::Mark(std::string_view line) { mark_ = static_cast<std::size_t>(line.data() - buffer_.data()); }

bool LineReader::Fill() {
  if (eof_) return false;
  std::size_t keep = std::min(begin_, mark_);
  if (keep > 0) {  // move the bytes still needed to the front
    std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
    end_ -= keep;
    begin_ -= keep;
    if (mark_ != kNoMark) mark_ -= keep;
  }
  if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);  // a long line or block
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

namespace {

// Finds the first '\n' in [p, end) and notes the braces before it; returns
// end when there is none.
const char* ScanLine(const char* p, const char* end, unsigned& braces) {
  unsigned found = 0;
#if defined(__SSE2__)
  const __m128i nl = _mm_set1_epi8('\n');
  const __m128i open = _mm_set1_epi8('{');
  const __m128i close = _mm_set1_epi8('}');
  while (end - p >= 16) {
    __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    auto nlMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, nl)));
    auto openMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, open)));
    auto closeMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, close)));
    if (nlMask != 0) {
      int at = __builtin_ctz(nlMask);
      unsigned before = (1u << at) - 1;
      if (openMask & before) found |= LineReader::kOpenBrace;
      if (closeMask & before) found |= LineReader::kCloseBrace;
      braces = found;
      return p + at;
    }
    if (openMask) found |= LineReader::kOpenBrace;
    if (closeMask) found |= LineReader::kCloseBrace;
    p += 16;
  }
#endif
  for (; p < end; ++p) {
    char c = *p;
    if (c == '\n') break;
    if (c == '{') found |= LineReader::kOpenBrace;
    if (c == '}') found |= LineReader::kCloseBrace;
  }
  braces = found;
  return p;
}

}  // namespace

bool LineReader::Next(std::string_view& line) {
  for (;;) {
    const char* start = buffer_.data() + begin_;
    const char* stop = ScanLine(start, buffer_.data() + end_, braces_);
    bool complete = stop != buffer_.data() + end_;
    if (!complete) {
      if (Fill()) continue;  // rescan the line once more bytes are in
      if (begin_ == end_) return false;
      start = buffer_.data() + begin_;  // the last line, moved by Fill
      stop = buffer_.data() + end_;
    }
    std::size_t len = static_cast<std::size_t>(stop - start);
    if (len > 0 && start[len - 1] == '\r') --len;
    line = std::string_view(start, len);
    begin_ = static_cast<std::size_t>(stop - buffer_.data()) + (complete ? 1 : 0);
    return true;
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
