// demfmt: lossless Quake .dem (protocols 15, 666, 999) <-> dump text.
// Standard C++ only (no Qt). See src/ for the grammar (text_writer.cpp) and
// the compiler (text_reader.cpp).
#pragma once

#include <cstdio>
#include <functional>
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
std::vector<std::string> demo_to_dump(std::string_view demo, const DumpSink& sink,
                                      const DumpOptions& options = {}, std::string* whole = nullptr);

// Dump text -> demo bytes. Throws Error("line N: ...") on a malformed line.
std::string dump_to_demo(std::string_view text);
// The same, streamed to `sink` in pieces of about 1 MB (whole blocks). On an
// Error, pieces already sent are incomplete output: discard them.
using DemoSink = std::function<void(std::string_view)>;
void dump_to_demo(std::string_view text, const DemoSink& sink);
// The same with the text read in pieces: read(buffer, room) returns how many
// bytes it stored, 0 at the end of the text (it may throw Error).
using DumpSource = std::function<std::size_t(char*, std::size_t)>;
void dump_to_demo(const DumpSource& read, const DemoSink& sink);

// A file written through a temporary file beside `path`: commit() renames it
// over the target; destroying it uncommitted removes the temporary file, so
// no partial output is ever left behind. Methods throw Error.
class AtomicFile {
public:
    explicit AtomicFile(const std::string& path);
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    void write(std::string_view data);
    void commit();

private:
    std::string path_, tmp_;
    std::FILE* f_ = nullptr;
    bool ok_ = true;
};

// Whole-file helpers. read_file throws Error; write_file_atomic writes a
// temporary file beside the target and renames it over the target only when
// everything was written (no partial output is ever left behind).
std::string read_file(const std::string& path);
void write_file_atomic(const std::string& path, std::string_view data);

inline constexpr const char* kVersion = "1.0.0";

}  // namespace demfmt
