// The lmpc command line given what a careless user or a broken disk gives
// it: every case ends with exit code 1 (2 for a wrong command line), a
// message naming the file, the line where there is one and the reason, and
// the folder exactly as it was: nothing written, nothing replaced.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>

#include "demfmt_test_util.h"

namespace {

using namespace demfmt_test;
namespace fs = std::filesystem;

struct Outcome {
    int code;
    std::string err;
};

// A demo of `blocks` game frames: a time and an entity update each.
std::string frames_demo(int blocks) {
    std::vector<Block> v;
    for (int i = 0; i < blocks; ++i)
        v.push_back({Bytes().u8(7).f32(static_cast<float>(i) / 10).u8(0x82).u8(1).u16(8 * (i % 1000)).s});
    return make_demo(v);
}

std::string dump_with(const std::string& line) {
    return "track \"-1\";\nblock {\n camera 0 0 0;\n" + line + "\n}\n";
}

class LmpcBadInput : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(CLIPVEX_BINARY_DIR) / "lmpc_bad_input_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(dir);
        fs::create_directories(dir);
        demo = frames_demo(50);
        write("demo.dem", demo);
        write("big.dem", frames_demo(20000));
        write("dump.txt", demfmt::demo_to_dump(demo).text);
        write("garbage.dem", "this is not a demo file at all\nreally not");
        write("tail.dem", demo + std::string("\x05\x00\x00\x00\x01\x02\x03", 7));
        std::mt19937 rng(12);
        std::string random(3000, '\0');
        for (char& c : random) c = static_cast<char>(rng());
        write("random.bin", random);
        fs::create_directories(dir / "folder");
        fs::create_symlink("demo.dem", dir / "link.dem");
        fs::create_hard_link(dir / "demo.dem", dir / "hard.dem");
        ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    }
    void write(const std::string& name, const std::string& data) {
        std::ofstream(dir / name, std::ios::binary) << data;
    }
    // Runs a shell command in the test folder; "lmpc" at a word start means
    // the converter.
    Outcome sh(std::string command) const {
        const std::string exe = std::string("'") + LMPC_PATH + "'";
        for (std::size_t at = 0; (at = command.find("lmpc ", at)) != std::string::npos; at += exe.size())
            if (at == 0 || command[at - 1] == ' ' || command[at - 1] == ';') command.replace(at, 4, exe);
        const std::string errf = dir.string() + ".stderr";
        const std::string line = "cd '" + dir.string() + "' && { " + command + " ; } 2>'" + errf + "' >/dev/null";
        int st = std::system(line.c_str());
        std::ifstream in(errf);
        std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, err};
    }
    // Every entry of the folder: kind and, for a file, its bytes.
    std::map<std::string, std::string> snapshot() const {
        std::map<std::string, std::string> m;
        for (const auto& e : fs::recursive_directory_iterator(dir)) {
            std::string name = fs::relative(e.path(), dir).string();
            if (e.is_symlink()) m[name] = "link to " + fs::read_symlink(e.path()).string();
            else if (e.is_fifo()) m[name] = "fifo";
            else if (e.is_directory()) m[name] = "folder";
            else if (e.is_regular_file()) {
                std::ifstream in(e.path(), std::ios::binary);
                m[name] = "file " + std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            } else m[name] = "other";
        }
        return m;
    }
    fs::path dir;
    std::string demo;
};

// The endless writer of a FIFO input, stopped once the converter is done
// (or never opened it).
std::string endless_into_fifo(const std::string& source, const std::string& lmpc_args) {
    return source + " > fifo 2>/dev/null & w=$!; lmpc " + lmpc_args + "; rc=$?; kill $w 2>/dev/null; wait $w; exit $rc";
}
// A reader of a FIFO output, there in case the converter opens it.
std::string reader_of_fifo(const std::string& lmpc_args) {
    return "cat fifo > /dev/null 2>&1 & r=$!; lmpc " + lmpc_args + "; rc=$?; kill $r 2>/dev/null; wait $r; exit $rc";
}

TEST_F(LmpcBadInput, EveryCraftedCaseFailsCleanlyAndChangesNothing) {
    struct Case {
        const char* what;
        std::string command;
        std::vector<std::string> says;
        std::vector<std::string> never_says = {};
        int code = 1;
    };
    const std::string range = "line 4: ";
    const Case cases[] = {
        // Inputs that are no file, or no end.
        {"a folder to -s", "lmpc -s -f folder out.txt", {"lmpc: folder: is a folder, not a file"}},
        {"a folder to -l", "lmpc -l -f folder out.dem", {"lmpc: folder: is a folder, not a file"}},
        {"an endless device", "lmpc -s -f /dev/zero out.txt", {"lmpc: /dev/zero: is a character device, not a file"}},
        {"an endless random device", "lmpc -l -f /dev/urandom out.dem",
         {"lmpc: /dev/urandom: is a character device, not a file"}},
        {"an endless FIFO to -s", endless_into_fifo("cat /dev/zero", "--pipe-limit=65536 -s -f fifo out.txt"),
         {"lmpc: fifo: stopped reading after 65536 bytes without an end"}},
        {"an endless FIFO of comment lines to -l", endless_into_fifo("yes '// more'", "--pipe-limit=65536 -l -f fifo out.dem"),
         {"lmpc: fifo: stopped reading after 65536 bytes without an end"}},
        {"an endless FIFO of NUL bytes to -l", endless_into_fifo("cat /dev/zero", "--pipe-limit=100000000 -l -f fifo out.dem"),
         {"lmpc: fifo: line 1: not a dump text: it holds a NUL byte"}},
        // The output is the input.
        {"the same name", "lmpc -s -f demo.dem demo.dem",
         {"lmpc: demo.dem: is the input file itself; write the output to another name"}},
        {"another path", "lmpc -s -f demo.dem folder/../demo.dem", {"lmpc: folder/../demo.dem: is the input file itself"}},
        {"a symbolic link", "lmpc -s -f demo.dem link.dem", {"lmpc: link.dem: is the input file itself"}},
        {"a hard link", "lmpc -s -f hard.dem demo.dem", {"lmpc: demo.dem: is the input file itself"}},
        {"the same dump", "lmpc -l -f dump.txt ./dump.txt", {"lmpc: ./dump.txt: is the input file itself"}},
        // Outputs that must not be replaced.
        {"a folder as output", "lmpc -s -f demo.dem folder", {"lmpc: folder: is a folder, not a file"}},
        {"a FIFO output, bad input", reader_of_fifo("-s -f garbage.dem fifo"), {"lmpc: garbage.dem: not a demo"}},
        {"a FIFO output, bad dump", reader_of_fifo("-l -f random.bin fifo"), {"lmpc: random.bin: line 1: not a dump text"}},
        // File errors name the file that failed and the system's reason.
        {"a missing input", "lmpc -s -f nope.dem out.txt", {"lmpc: nope.dem: cannot open: No such file or directory"}},
        {"an input under a file", "lmpc -s -f demo.dem/x.dem out.txt", {"lmpc: demo.dem/x.dem: cannot open: Not a directory"}},
        {"an output in no folder", "lmpc -s -f demo.dem nofolder/out.txt",
         {"lmpc: nofolder/out.txt: cannot create a temporary file beside it: No such file or directory"}},
        {"a full disk (a file size limit)", "ulimit -f 20; lmpc -s -f big.dem out.txt",
         {"lmpc: out.txt: cannot write: File too large"}, {"big.dem"}},
        // Damaged demos without --salvage.
        {"bytes after the last block", "lmpc -s -f tail.dem out.txt",
         {"lmpc: tail.dem: block 51: partial block header (7 bytes after the last complete block; --salvage would "
          "keep them raw as the tail)"},
         {"bytes kept"}},
        {"not a demo", "lmpc -s -f garbage.dem out.txt", {"lmpc: garbage.dem: not a demo"}},
        // Malformed dump lines: named by file and line.
        {"health past its range", "lmpc -l -f health.txt out.dem",
         {"lmpc: health.txt: " + range + "70000 is out of range for health (-32768 to 65535)"}},
        {"frame past its range", "lmpc -l -f frame.txt out.dem",
         {"lmpc: frame.txt: " + range + "300 is out of range for frame (0 to 255)"}},
        {"entity number past its range", "lmpc -l -f entity.txt out.dem",
         {"lmpc: entity.txt: " + range + "70000 is out of range for entity number (0 to 65535)"}},
        {"cd track past its range", "lmpc -l -f cdtrack.txt out.dem",
         {"lmpc: cdtrack.txt: " + range + "300 is out of range for track (0 to 255)"}},
        {"a block line typed blok", "lmpc -l -f blok.txt out.dem",
         {"lmpc: blok.txt: line 6: malformed block line 'blok {' (want 'block {')"}},
        {"a block line typed Block", "lmpc -l -f Block.txt out.dem",
         {"lmpc: Block.txt: line 6: malformed block line 'Block {' (want 'block {')"}},
        {"a deleted brace", "lmpc -l -f nobrace.txt out.dem",
         {"lmpc: nobrace.txt: line 6: malformed block line 'block' (want 'block {')"}},
        {"a stray line", "lmpc -l -f stray.txt out.dem",
         {"lmpc: stray.txt: line 6: 'some words' stands outside a block"}},
        {"a demo given to -l", "lmpc -l -f demo.dem out.dem",
         {"lmpc: demo.dem: line 1: not a dump text: it must begin with a 'track' or 'block {' line, not '-1'"}},
        {"random bytes given to -l", "lmpc -l -f random.bin out.dem", {"lmpc: random.bin: line 1: not a dump text"}},
        {"a malformed dump given to -s", "lmpc -s -f stray.txt out.txt", {"lmpc: stray.txt: line 6: 'some words'"}},
        // A wrong command line says what is missing, then the usage.
        {"no direction", "lmpc -f demo.dem out.txt", {"lmpc: no direction given: -s (demo to dump) or -l", "usage:"}, {}, 2},
        {"no -f", "lmpc -s demo.dem out.txt", {"lmpc: -f is missing before the file names", "usage:"}, {}, 2},
        {"no input", "lmpc -s -f", {"lmpc: no input file given", "usage:"}, {}, 2},
        {"no output", "lmpc -s -f demo.dem", {"lmpc: no output file given", "usage:"}, {}, 2},
        {"a third file", "lmpc -s -f demo.dem a b", {"lmpc: one file name too many: 'b'"}, {}, 2},
        {"both directions", "lmpc -s -l -f demo.dem out.txt", {"lmpc: -s and -l cannot be combined"}, {}, 2},
        {"a bad limit", "lmpc --pipe-limit=lots -s -f demo.dem out.txt", {"lmpc: --pipe-limit wants a number"}, {}, 2},
    };
    const std::string block = "block {\n camera 0 0 0;\n nop;\n}\n";
    write("health.txt", dump_with(" clientdata 0x0000 items 0x00000000 health 70000 ammo 0 shells 0 nails 0 rockets 0 "
                                  "cells 0 active 0;"));
    write("frame.txt", dump_with(" entity 1 0xc0 frame 300;"));
    write("entity.txt", dump_with(" entity 70000 0x80;"));
    write("cdtrack.txt", dump_with(" cdtrack 300 1;"));
    write("blok.txt", "track \"-1\";\n" + block + "blok {\n camera 0 0 0;\n}\n");
    write("Block.txt", "track \"-1\";\n" + block + "Block {\n camera 0 0 0;\n}\n");
    write("nobrace.txt", "track \"-1\";\n" + block + "block\n camera 0 0 0;\n}\n");
    write("stray.txt", "track \"-1\";\n" + block + "some words\n" + block);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto before = snapshot();
        Outcome r = sh(c.command);
        EXPECT_EQ(r.code, c.code) << r.err;
        for (const std::string& s : c.says) EXPECT_TRUE(contains(r.err, s)) << "wanted: " << s << "\ngot: " << r.err;
        for (const std::string& s : c.never_says) EXPECT_FALSE(contains(r.err, s)) << r.err;
        EXPECT_TRUE(snapshot() == before) << "the folder changed";
    }
}

// The good cases beside them: a FIFO or device output is written in place
// and stays what it was; --salvage keeps what the refusal named.
TEST_F(LmpcBadInput, AFifoOutputIsWrittenInPlaceAndSalvageKeepsTheTail) {
    ASSERT_EQ(sh("lmpc -s -f demo.dem file.txt").code, 0);
    Outcome r = sh("timeout 10 cat fifo > got.txt & lmpc -s -f demo.dem fifo; rc=$?; wait; exit $rc");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
    std::ifstream got(dir / "got.txt", std::ios::binary), file(dir / "file.txt", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(got)), std::istreambuf_iterator<char>()),
              std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>()));
    EXPECT_EQ(sh("lmpc -s -f demo.dem /dev/null").code, 0);

    r = sh("lmpc --salvage -s -f tail.dem tail.txt && lmpc -l -f tail.txt back.dem && cmp tail.dem back.dem");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(contains(r.err, "lmpc: tail.dem: warning: block 51: partial block header (7 bytes kept raw as the tail)"))
        << r.err;
}

// Stopped while it waits for more of a dump from a FIFO, its temporary
// output already made: the temporary file goes with it.
TEST_F(LmpcBadInput, StoppedFromOutsideLeavesNoTemporaryFile) {
    // (Not SIGINT: a background job of a script ignores it.)
    for (const char* sig : {"TERM", "HUP"}) {
        SCOPED_TRACE(sig);
        const auto before = snapshot();
        const std::string script =
            "lmpc -l -f fifo out.dem & p=$!\n"
            "exec 3>fifo\n"  // waits until lmpc has opened its end
            "printf 'track \"-1\";\\nblock {\\n camera 0 0 0;\\n' >&3\n"
            "i=0; while [ $i -lt 100 ] && ! ls out.dem.tmp* >/dev/null 2>&1; do sleep 0.05; i=$((i+1)); done\n"
            "ls out.dem.tmp* >/dev/null 2>&1 || echo 'no temporary file was made' >&2\n"
            "sleep 0.2; kill -" + std::string(sig) + " $p; wait $p; rc=$?; exec 3>&-; exit $rc";
        Outcome r = sh(script);
        EXPECT_EQ(r.code, std::string(sig) == "TERM" ? 128 + 15 : 128 + 1) << r.err;
        EXPECT_FALSE(contains(r.err, "no temporary file was made")) << r.err;
        EXPECT_TRUE(snapshot() == before) << "the folder changed";
    }
}

}  // namespace
