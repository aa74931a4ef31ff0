// Buffered text files with the runtime's file errors: lines end at LF, a CR
// before it is dropped; written lines end in CR LF.
#pragma once

#include <string>
#include <string_view>

namespace clipvex {

class LineReader {
 public:
  explicit LineReader(const std::string& path);  // raises the file error
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line, valid until the next call (or, from a mark on, until
  // Unmark); false at the end of the file.
  bool Next(std::string_view& line);
  // Which braces the last line holds: kOpenBrace, kCloseBrace, both or none.
  static constexpr unsigned kOpenBrace = 1;
  static constexpr unsigned kCloseBrace = 2;
  unsigned Braces() const { return braces_; }
  // True when no line is left.
  bool AtEnd();
  long long FileSize() const { return fileSize_; }

  // Keeps the bytes from `line` (the last line read) on in the buffer, so
  // that lines read after it stay readable at MarkedOffset(line) from
  // MarkedData(), even across refills.
  void Mark(std::string_view line);
  void Unmark() { mark_ = kNoMark; }
  const char* MarkedData() const { return buffer_.data() + mark_; }
  std::size_t MarkedOffset(std::string_view line) const { return static_cast<std::size_t>(line.data() - MarkedData()); }

 private:
  static constexpr std::size_t kNoMark = static_cast<std::size_t>(-1);
  bool Fill();  // reads more bytes; false at the end of the file

  int fd_ = -1;
  std::string buffer_;
  std::size_t begin_ = 0;  // start of unread bytes
  std::size_t end_ = 0;    // end of valid bytes
  std::size_t mark_ = kNoMark;
  unsigned braces_ = 0;
  bool eof_ = false;
  long long fileSize_ = 0;
};

class TextWriter {
 public:
  explicit TextWriter(const std::string& path);  // creates or truncates; raises the file error
  ~TextWriter();
  TextWriter(const TextWriter&) = delete;
  TextWriter& operator=(const TextWriter&) = delete;

  void WriteLine(std::string_view line);
  void Close();  // flushes; raises the file error

 private:
  void Flush();

  int fd_ = -1;
  std::string buffer_;
};

// Size of a file in bytes, or -1 when it cannot be read.
long long FileSizeOf(const std::string& path);

}  // namespace clipvex
