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

  // The next line, valid until the next call; false at the end of the file.
  bool Next(std::string_view& line);
  // True when no line is left.
  bool AtEnd();
  long long FileSize() const { return fileSize_; }

 private:
  bool Fill();  // reads more bytes; false at the end of the file

  int fd_ = -1;
  std::string buffer_;
  std::size_t begin_ = 0;  // start of unread bytes
  std::size_t end_ = 0;    // end of valid bytes
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
