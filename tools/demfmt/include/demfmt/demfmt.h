// demfmt: lossless Quake .dem (protocols 15, 666, 999) <-> dump text.
// Standard C++ only (no Qt). See src/ for the grammar (decode.cpp), the
// compiler (text_reader.cpp, encode.cpp) and the files (fileio.cpp).
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace demfmt {

// Every failure of the library: the message names the block ("block N: ...",
// 1-based, counted in file order) or the dump line ("line N: ...").
class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct DumpOptions {
  // strict: bytes that could only be kept raw (a tail after the last
  // complete block, a block running past the end of the file, an unknown
  // message id, a message running past its block) are an error instead of
  // a warning. The command line is strict unless asked to salvage.
  bool strict = false;
  // Threads that format blocks at once when the text is streamed (the
  // text is the same for any number). 1: the calling thread alone.
  unsigned threads = 1;
  // The size of demo (in bytes of blocks) each thread takes at a time.
  std::size_t range_bytes = std::size_t{1} << 18;
  // A thread starts its range in the protocol the latest finished range
  // ended in; a wrong start is found and the range formatted again. Off,
  // every range starts in protocol 15 (a test aid: wrong starts on purpose).
  bool guess_protocol = true;
};

struct DumpResult {
  std::string text;
  std::vector<std::string> warnings;  // "block N: ..." notes about raw-kept bytes
};

// Demo bytes -> dump text. Throws Error when the bytes are not a demo at all.
DumpResult demo_to_dump(std::string_view demo, const DumpOptions& options = {});

// The same, streamed: the text goes to `sink` in pieces of about 1 MB (no
// buffer of the whole dump). Returns the warnings. `whole` is internal: when
// set, the text is stored there instead of being streamed.
using DumpSink = std::function<void(std::string_view)>;
std::vector<std::string> demo_to_dump(std::string_view demo, const DumpSink& sink, const DumpOptions& options = {},
                                      std::string* whole = nullptr);

// The same, streamed through buffer exchange, so that a consumer on another
// thread can own each piece without a copy: whenever about 1 MB of text is
// ready, exchange(buffer, used) is called with the text in buffer[0, used);
// it takes the buffer and leaves another in its place (any size; it is
// grown as needed) to continue in. Returns the warnings.
using DumpExchange = std::function<void(std::string& buffer, std::size_t used)>;
std::vector<std::string> demo_to_dump_chunks(std::string_view demo, const DumpExchange& exchange,
                                             const DumpOptions& options = {});

// Dump text -> demo bytes. Throws Error("line N: ...") on a malformed line,
// also on a line between blocks that is neither blank nor a // comment, and
// on a text that does not start like a dump ("not a dump text").
std::string dump_to_demo(std::string_view text);
// The same, streamed to `sink` in pieces of about 1 MB (whole blocks). On an
// Error, pieces already sent are incomplete output: discard them.
using DemoSink = std::function<void(std::string_view)>;
void dump_to_demo(std::string_view text, const DemoSink& sink);
// The same with the text read in pieces: read(buffer, room) returns how many
// bytes it stored, 0 at the end of the text (it may throw Error).
using DumpSource = std::function<std::size_t(char*, std::size_t)>;
void dump_to_demo(const DumpSource& read, const DemoSink& sink);

// The bytes of a dump's quoted string text: \n \r \t \\ \" and \xHH stand for
// their bytes, a backslash before anything else for itself. `out` is
// cleared first. A demo's string cannot hold a NUL byte: with
// NulBytes::refuse a raw one or \x00 makes the call return false; with
// NulBytes::keep the raw byte is kept and \x00 is left as written.
enum class NulBytes { refuse, keep };
bool unescape(std::string_view s, std::string& out, NulBytes nul = NulBytes::refuse);

// A time line's value as a compiled demo holds it: `text` read as the
// 32-bit time the compiler stores ("12.5s", "1:15.25m", "1:2:5.5h", a plain
// number or 0xBITS; a servertime line's number is read as a number first),
// nullopt when it is no time; and the text a dump's time line gives that
// time ("12.500000000s").
std::optional<float> read_time(std::string_view text, bool servertime = false);
std::string time_text(float t);

// A file that cannot be opened, read or written: path() names it and what()
// says what failed and the system's reason ("cannot open: Permission denied").
class FileError : public Error {
 public:
  FileError(std::string path, const std::string& what) : Error(what), path_(std::move(path)) {}
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The input of a conversion. A regular file is mapped (or read) whole; a
// pipe or socket is read through a buffer that grows with what has arrived,
// up to `pipe_limit` bytes, so an endless stream ends in an error instead of
// eating all memory. A folder or a device is refused. Methods throw
// FileError.
class InputFile {
 public:
  // Far more than any recorded demo (or the dump of a 40 MB one), and
  // reached in about a second.
  static constexpr std::uint64_t kDefaultPipeLimit = std::uint64_t{256} << 20;

  explicit InputFile(const std::string& path, std::uint64_t pipe_limit = kDefaultPipeLimit);
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  const std::string& path() const { return path_; }
  bool regular() const { return regular_; }
  // The whole content, read once (mapped when the file is regular).
  std::string_view whole();
  // The next piece of the content, as a DumpSource: 0 at the end.
  std::size_t read(char* buffer, std::size_t room);
  // Whether `other` names this same file (through any path or link).
  bool same_file_as(const std::string& other) const;

 private:
  std::string path_;
  int fd_ = -1;
  bool regular_ = false;
  std::uint64_t limit_ = 0;
  std::uint64_t dev_ = 0, ino_ = 0, size_ = 0;
  std::uint64_t taken_ = 0;  // bytes read so far
  void* map_ = nullptr;
  std::string data_;
  bool have_whole_ = false;
};

// The output of a conversion, chosen by what `path` names:
//  - a new name or a regular file (also through a symbolic link): written to
//    a temporary file beside it that commit() renames over it, so a failed
//    conversion leaves no partial file and an existing file as it was;
//  - a pipe or a character device (/dev/null, /dev/stdout): written in place,
//    opened only when the first byte is written; the node itself is never
//    replaced. What was sent before an error cannot be taken back there;
//  - a folder, a block device or a socket: refused.
// Destroying it uncommitted removes the temporary file. Methods throw
// FileError naming `path`.
class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  void write(std::string_view data);
  // As a DumpExchange: the text is written on a second thread while the
  // caller goes on in a buffer that was written before.
  void exchange(std::string& buffer, std::size_t used);
  void commit();
  bool in_place() const { return in_place_; }
  // The temporary file's name, empty when written in place.
  const std::string& temporary() const { return tmp_; }

 private:
  class Writer;
  void open_in_place();
  void write_all(const char* data, std::size_t n);
  [[noreturn]] void fail(const char* what, int err) const;

  std::string path_;    // as given, for messages
  std::string target_;  // the file that is replaced (links resolved)
  std::string tmp_;
  int fd_ = -1;
  bool in_place_ = false;
  bool committed_ = false;
  Writer* writer_ = nullptr;
};

// The name this class had while it only wrote through a temporary file.
using AtomicFile = OutputFile;

// Whole-file helpers. read_file reads a file through InputFile (throws
// FileError); write_file_atomic writes through OutputFile.
std::string read_file(const std::string& path);
void write_file_atomic(const std::string& path, std::string_view data);

inline constexpr const char* kVersion = "1.1.0";

}  // namespace demfmt
