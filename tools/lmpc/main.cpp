// lmpc: Quake .dem <-> dump text converter (protocols 15, 666, 999).
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "demfmt/demfmt.h"

namespace {

const char kUsage[] =
    "usage: lmpc -s -f DEMO DUMP     write the dump text of DEMO to DUMP\n"
    "       lmpc -l -f DUMP DEMO     write the demo that DUMP describes to DEMO\n"
    "       lmpc --help | --version\n"
    "  -s                 demo to dump text\n"
    "  -l                 dump text to demo\n"
    "  -f                 file names follow: the input, then the output (both needed)\n"
    "  --salvage          (with -s) keep damaged or unknown bytes raw, with a warning,\n"
    "                     instead of refusing the demo\n"
    "  --threads=N        (with -s) format on N threads at once (default 2, 1 on a\n"
    "                     single core); the text is the same for any N\n"
    "  --pipe-limit=BYTES read at most BYTES from an input that is a pipe (default\n"
    "                     268435456, 256 MiB); a test aid, and a way to allow longer\n"
    "                     streams\n";

const char kHelp[] =
    "\n"
    "Lossless: lmpc -s then lmpc -l gives back every byte of the demo.\n"
    "\n"
    "Dump text: a header line 'track \"-1\";' (the track line bytes, escaped;\n"
    "'track none;' for a demo without one; ' tail HEX;' appended for bytes after\n"
    "the last complete block), then one record per demo block:\n"
    "  block {\n"
    "   camera PITCH YAW ROLL;\n"
    "   time 12.500000000s;            (svc_time first in the block; also 1:15.25m, 1:2:5.5h)\n"
    "   clientdata 0x4201 items 0x00004101 weapon 12 health 100 ammo 25 ...;\n"
    "   entity 12 0x8e x 100.5 y -20 z 32;\n"
    "   stufftext \"bf\\n\";\n"
    "   raw 0a0b;                       (bytes no message explains)\n"
    "  }\n"
    "Floats read back bit for bit; NaN, infinities and denormals are written as\n"
    "0xBITS. Strings escape \\n, \\\\, \\\" and \\xHH (control bytes, 0x7F-0xFF,\n"
    "braces); an unknown escape is kept literally. Lines starting with // are\n"
    "comments and blank lines are ignored, anywhere; LF or CR LF. Any other line\n"
    "between blocks is an error (a damaged 'block {' line never drops its block),\n"
    "and a text whose first such line is neither the header nor 'block {' is not\n"
    "a dump text. An empty or missing header compiles to the track line \"-1\".\n"
    "Given a dump instead of a demo, -s compiles it and writes it back in\n"
    "canonical form (the editor opens dump files this way).\n"
    "\n"
    "Bad input: exit 1, a message naming the file and the block or line, and no\n"
    "output file.\n"
    " - not a demo (no plausible track line and no complete first block);\n"
    " - a block running past the end of the file, a partial header or trailing\n"
    "   bytes; an unknown message id or a message running past its block;\n"
    " - a number out of the range its field holds, a malformed dump line.\n"
    "With --salvage the damaged bytes are kept instead (the tail on the header\n"
    "line, the rest of a block in a raw line), with a warning, so that -s then\n"
    "-l still gives back every byte.\n"
    "\n"
    "Files: the input is a file or a pipe; a folder or a device is refused, and\n"
    "a pipe is read up to --pipe-limit. The output may not be the input file\n"
    "itself (under any name). A file is written to a temporary file beside it\n"
    "and renamed over it on success, so a failure leaves an existing file as it\n"
    "was; a link is followed. A pipe or character device (/dev/null,\n"
    "/dev/stdout) is written in place and never replaced: what was sent there\n"
    "before an error cannot be taken back. A file error names the file and\n"
    "gives the system's reason.\n"
    "Exit codes: 0 ok, 1 bad input or I/O error, 2 usage.\n";

// A dump text rather than a demo: after blank and "//" lines, the first line
// starts with "track" or "block". A demo's first line is its track number,
// so this never matches one.
bool looks_like_dump(std::string_view d) {
  std::size_t i = 0;
  for (;;) {
    while (i < d.size() && (d[i] == ' ' || d[i] == '\t' || d[i] == '\r' || d[i] == '\n')) ++i;
    if (d.substr(i, 2) != "//") break;
    std::size_t nl = d.find('\n', i);
    if (nl == std::string_view::npos) return false;
    i = nl + 1;
  }
  return d.substr(i, 5) == "track" || d.substr(i, 5) == "block";
}

int usage_error(const std::string& what) {
  std::fprintf(stderr, "lmpc: %s\n", what.c_str());
  std::fputs(kUsage, stderr);
  return 2;
}

// Cleanup when the program is stopped from outside or its mapped input
// fails: a mapped input that shrinks, or whose disk fails, while it is read
// raises SIGBUS. Say so where it helps and leave no temporary output behind.
// Everything the handlers need is prepared before they can run.
char g_bus_message[1024];
char g_unlink[4096];

extern "C" void on_fatal_signal(int sig) {
  if (g_unlink[0]) ::unlink(g_unlink);
  if (sig == SIGBUS) {
    ssize_t ignored = ::write(2, g_bus_message, std::strlen(g_bus_message));
    (void)ignored;
    ::_exit(1);
  }
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}

void remove_on_signal(const std::string& in, const std::string& temporary) {
  std::snprintf(g_bus_message, sizeof g_bus_message,
                "lmpc: %s: cannot read: the file changed or failed while it was read\n", in.c_str());
  if (temporary.size() < sizeof g_unlink) std::memcpy(g_unlink, temporary.c_str(), temporary.size() + 1);
  std::signal(SIGBUS, on_fatal_signal);
  // A signal ignored on entry (SIGINT in a background job) stays ignored.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    if (std::signal(sig, on_fatal_signal) == SIG_IGN) std::signal(sig, SIG_IGN);
  }
}

void print_warnings(const std::string& in, const std::vector<std::string>& warnings) {
  std::size_t shown = 0;
  for (const auto& w : warnings) {
    if (++shown > 20) {
      std::fprintf(stderr, "lmpc: %s: warning: %zu more\n", in.c_str(), warnings.size() - 20);
      break;
    }
    std::fprintf(stderr, "lmpc: %s: warning: %s\n", in.c_str(), w.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("lmpc (Clipvex demfmt) %s\n", demfmt::kVersion);
    return 0;
  }
  char mode = 0;
  bool strict = true, f_seen = false;
  std::uint64_t pipe_limit = demfmt::InputFile::kDefaultPipeLimit;
  unsigned threads = std::thread::hardware_concurrency() > 1 ? 2 : 1;
  std::string files[2];
  int nfiles = 0;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i];
    if (a == "-s" || a == "-l") {
      if (mode && mode != a[1]) return usage_error("-s and -l cannot be combined");
      mode = a[1];
    } else if (a == "-f") {
      f_seen = true;
    } else if (a == "--salvage") {
      strict = false;
    } else if (a == "--strict") {
      strict = true;
    } else if (a.substr(0, 13) == "--pipe-limit=") {
      std::string_view v = a.substr(13);
      std::uint64_t n = 0;
      bool ok = !v.empty() && v.size() <= 18;
      for (char c : v) {
        if (c < '0' || c > '9')
          ok = false;
        else
          n = n * 10 + static_cast<unsigned>(c - '0');
      }
      if (!ok || n == 0)
        return usage_error("--pipe-limit wants a number of bytes above 0, not '" + std::string(v) + "'");
      pipe_limit = n;
    } else if (a.substr(0, 10) == "--threads=") {
      std::string_view v = a.substr(10);
      if (v.size() != 1 || v[0] < '1' || v[0] > '8')
        return usage_error("--threads wants a number from 1 to 8, not '" + std::string(v) + "'");
      threads = static_cast<unsigned>(v[0] - '0');
    } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
      return usage_error("unknown option '" + std::string(a) + "'");
    } else {
      if (nfiles == 2) return usage_error("one file name too many: '" + std::string(a) + "'");
      files[nfiles++] = std::string(a);
    }
  }
  if (!mode) return usage_error("no direction given: -s (demo to dump) or -l (dump to demo)");
  if (!f_seen) return usage_error("-f is missing before the file names");
  if (nfiles == 0) return usage_error("no input file given");
  if (nfiles == 1) return usage_error("no output file given");
  const std::string& in = files[0];
  const std::string& out = files[1];

  // A reader that went away, or a file size limit, makes a write fail with
  // a message instead of ending the program without a word.
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
  try {
    demfmt::InputFile input(in, pipe_limit);
    if (input.same_file_as(out)) {
      std::fprintf(stderr, "lmpc: %s: is the input file itself; write the output to another name\n", out.c_str());
      return 1;
    }
    remove_on_signal(in, "");
    // -s reads its whole input before the output is created: a stream
    // that never ends leaves nothing behind.
    std::string_view demo;
    if (mode == 's') demo = input.whole();
    demfmt::OutputFile file(out);
    remove_on_signal(in, file.temporary());
    try {
      if (mode == 's') {
        demfmt::DumpOptions opt;
        opt.strict = strict;
        opt.threads = threads;
        // A dump given to -s is compiled and written back in canonical form.
        std::string compiled;
        if (looks_like_dump(demo)) {
          compiled = demfmt::dump_to_demo(demo);
          demo = compiled;
        }
        auto warnings = demfmt::demo_to_dump_chunks(
            demo, [&file](std::string& buffer, std::size_t used) { file.exchange(buffer, used); }, opt);
        file.commit();
        print_warnings(in, warnings);
      } else {
        demfmt::dump_to_demo([&input](char* buf, std::size_t room) { return input.read(buf, room); },
                             [&file](std::string_view piece) { file.write(piece); });
        file.commit();
      }
    } catch (const demfmt::FileError&) {
      throw;
    } catch (const demfmt::Error& e) {
      // The content is at fault: the message names the input.
      std::fprintf(stderr, "lmpc: %s: %s\n", in.c_str(), e.what());
      return 1;  // the temporary file is removed with `file`
    }
  } catch (const demfmt::FileError& e) {
    std::fprintf(stderr, "lmpc: %s: %s\n", e.path().c_str(), e.what());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "lmpc: %s: out of memory\n", in.c_str());
    return 1;
  }
  return 0;
}
