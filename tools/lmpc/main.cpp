// lmpc: Quake .dem <-> dump text converter (protocols 15, 666, 999).
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "demfmt/demfmt.h"

namespace {

const char kUsage[] =
    "usage: lmpc -s -f DEMO DUMP     write the dump text of DEMO to DUMP\n"
    "       lmpc -l -f DUMP DEMO     write the demo that DUMP describes to DEMO\n"
    "       lmpc --help | --version\n"
    "options: --salvage (with -s) keep damaged or unknown bytes raw, with a warning,\n"
    "                   instead of refusing the demo\n";

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
    "comments; empty and stray lines between blocks are ignored; LF or CR LF.\n"
    "An empty or missing header compiles to the track line \"-1\".\n"
    "Given a dump instead of a demo, -s compiles it and writes it back in\n"
    "canonical form (the editor opens dump files this way).\n"
    "\n"
    "Bad input: exit 1, a message naming the file and the block or line, and no\n"
    "output file (written to a temporary file, renamed on success).\n"
    " - not a demo (no plausible track line and no complete first block);\n"
    " - a block running past the end of the file, a partial header or trailing\n"
    "   bytes; an unknown message id or a message running past its block.\n"
    "With --salvage the damaged bytes are kept instead (the tail on the header\n"
    "line, the rest of a block in a raw line), with a warning, so that -s then\n"
    "-l still gives back every byte.\n"
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

int usage_error() {
    std::fputs(kUsage, stderr);
    return 2;
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
    std::string files[2];
    int nfiles = 0;
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "-s" || a == "-l") {
            if (mode) return usage_error();
            mode = a[1];
        } else if (a == "-f") {
            f_seen = true;
        } else if (a == "--salvage") {
            strict = false;
        } else if (a == "--strict") {
            strict = true;
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            return usage_error();
        } else {
            if (nfiles == 2) return usage_error();
            files[nfiles++] = std::string(a);
        }
    }
    if (!mode || !f_seen || nfiles != 2) return usage_error();
    const std::string& in = files[0];
    const std::string& out = files[1];
    // -s reads the whole demo; -l reads the dump in pieces as it compiles.
    std::string data;
    std::FILE* text_in = nullptr;
    try {
        if (mode == 's') {
            data = demfmt::read_file(in);
        } else {
            text_in = std::fopen(in.c_str(), "rb");
            if (!text_in) throw demfmt::Error("cannot open for reading");
        }
    } catch (const demfmt::Error& e) {
        std::fprintf(stderr, "lmpc: %s: %s\n", in.c_str(), e.what());
        return 1;
    }
    struct Closer {
        std::FILE* f;
        ~Closer() {
            if (f) std::fclose(f);
        }
    } closer{text_in};
    try {
        demfmt::AtomicFile file(out);
        try {
            if (mode == 's') {
                demfmt::DumpOptions opt;
                opt.strict = strict;
                // A dump given to -s is compiled and written back in canonical form.
                if (looks_like_dump(data)) data = demfmt::dump_to_demo(data);
                auto warnings =
                    demfmt::demo_to_dump(data, [&file](std::string_view piece) { file.write(piece); }, opt);
                std::size_t shown = 0;
                for (const auto& w : warnings) {
                    if (++shown > 20) {
                        std::fprintf(stderr, "lmpc: %s: warning: %zu more\n", in.c_str(), warnings.size() - 20);
                        break;
                    }
                    std::fprintf(stderr, "lmpc: %s: warning: %s\n", in.c_str(), w.c_str());
                }
            } else {
                demfmt::dump_to_demo(
                    [text_in](char* buf, std::size_t room) {
                        std::size_t k = std::fread(buf, 1, room, text_in);
                        if (k == 0 && std::ferror(text_in)) throw demfmt::Error("read error");
                        return k;
                    },
                    [&file](std::string_view piece) { file.write(piece); });
            }
        } catch (const demfmt::Error& e) {
            std::fprintf(stderr, "lmpc: %s: %s\n", in.c_str(), e.what());
            return 1;  // the temporary file is removed with `file`
        } catch (const std::bad_alloc&) {
            std::fprintf(stderr, "lmpc: %s: out of memory\n", in.c_str());
            return 1;
        }
        file.commit();
    } catch (const demfmt::Error& e) {
        std::fprintf(stderr, "lmpc: %s: %s\n", out.c_str(), e.what());
        return 1;
    }
    return 0;
}
