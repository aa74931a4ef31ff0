// Bad input: the library names the block or line; the lmpc command line
// exits 1, names the file, and leaves no output file behind.
#include <sys/wait.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <utility>

#include "demfmt_test_util.h"
#include "support/fixtures.h"

namespace {

using namespace demfmt_test;
namespace fs = std::filesystem;

TEST(DumpErrors, MalformedLinesNameTheirLine) {
    const char* bad[] = {
        "block {\n camera 0 0 0;\n entity 1 0x82 x;\n}\n",
        "block {\n camera 0 0 0;\n frobnicate 1;\n}\n",
        "block {\n camera 0 0 0;\n nop\n}\n",
        "block {\n camera 0 0 0;\n time 1:2s;\n}\n",
        "block {\n camera 0 0 0;\n entity 1 0x02;\n}\n",
        "block {\n camera 0 0 0;\n entity 300 0x80;\n}\n",
        "block {\n camera 0 0 0;\n raw 0g;\n}\n",
        "block {\n camera 0 0 0;\n print \"a\\x00b\";\n}\n",
        "block {\n camera 0 0 0;\n updatestat 300 1;\n}\n",
        "block {\n camera 0 0 0;\n precache_model \"a\";\n}\n",
        "block {\n camera 0 0 0;\n entity 1 0x82 x 99999;\n}\n",
        "block {\n camera 0 0 0;\n nop 5;\n}\n",
    };
    for (const char* text : bad) EXPECT_EQ(dump_error(text).rfind("line 3: ", 0), 0u) << text << dump_error(text);
    EXPECT_EQ(dump_error("block {\n nop;\n}\n").rfind("line 1: ", 0), 0u);  // no camera
    // a damaged block line must not make the block vanish as a stray line
    EXPECT_EQ(dump_error("track \"-1\";\nblock { x\n camera 0 0 0;\n}\n").rfind("line 2: ", 0), 0u);
    EXPECT_EQ(dump_error("track \"-1\";\nblock {\n camera 0 0 0;\n").rfind("line 2: ", 0), 0u);
    EXPECT_EQ(dump_error("block {\n camera 0 0 0;\nblock {\n").rfind("line 3: ", 0), 0u);
    EXPECT_EQ(dump_error("block {\n camera 0 0 0;\n camera 0 0 0;\n}\n").rfind("line 3: ", 0), 0u);
}

TEST(DemoErrors, NotADemo) {
    EXPECT_THROW(demfmt::demo_to_dump(""), demfmt::Error);
    EXPECT_THROW(demfmt::demo_to_dump("hello world, this is not a demo\nat all"), demfmt::Error);
    EXPECT_THROW(demfmt::demo_to_dump(std::string(100, '\xff')), demfmt::Error);
}

TEST(DemoErrors, BrokenFramingIsKeptAsTail) {
    std::string demo = make_demo({{Bytes().u8(1).s}, {Bytes().u8(2).s}});
    for (std::size_t cut = 3; cut < demo.size(); ++cut) {
        std::string part = demo.substr(0, cut);
        demfmt::DumpResult r = demfmt::demo_to_dump(part);
        EXPECT_EQ(demfmt::dump_to_demo(r.text), part);
        bool complete = cut == 3 || cut == 3 + 17;
        EXPECT_EQ(r.warnings.empty(), complete) << cut;
        if (!complete) {
            EXPECT_TRUE(contains(r.warnings.at(0), "block ")) << r.warnings[0];
            demfmt::DumpOptions strict;
            strict.strict = true;
            EXPECT_THROW(demfmt::demo_to_dump(part, strict), demfmt::Error);
        }
    }
    // a block length past the end of the file
    std::string bad = Bytes().raw("-1\n").u32(1000).f32(0).f32(0).f32(0).u8(1).s;
    demfmt::DumpResult r = demfmt::demo_to_dump(bad);
    EXPECT_TRUE(contains(r.warnings.at(0), "block 1: block length 1000 runs past the end"));
    EXPECT_EQ(demfmt::dump_to_demo(r.text), bad);
}

TEST(DemoErrors, NoTrackLine) {
    // The file starts with a block (like the Eschaton demos).
    std::string demo = make_demo({{Bytes().u8(1).u8(10).s}}, "");
    demfmt::DumpResult r = demfmt::demo_to_dump(demo);
    EXPECT_EQ(r.text.rfind("track none;\n", 0), 0u);
    EXPECT_EQ(demfmt::dump_to_demo(r.text), demo);
}

// ---- the lmpc command line ----

struct CliRun {
    int code;
    std::string err;
};

// stderr goes to a file named after the running test (tests run in parallel).
CliRun lmpc(const std::string& args) {
    fs::path errf = fs::path(CLIPVEX_BINARY_DIR) / "demfmt_cli_test" /
                    (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".stderr");
    std::string cmd = std::string("\"") + LMPC_PATH + "\" " + args + " 2>\"" + errf.string() + "\" >/dev/null";
    int st = std::system(cmd.c_str());
    std::ifstream in(errf);
    std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, err};
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::path(CLIPVEX_BINARY_DIR) / "demfmt_cli_test" /
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove(dir.string() + ".stderr");
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    std::string write(const std::string& name, const std::string& data) {
        std::ofstream(dir / name, std::ios::binary) << data;
        return (dir / name).string();
    }
    std::string read(const std::string& path) const {
        std::ifstream in(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::size_t files() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
    }
    fs::path dir;
};

TEST_F(Cli, RoundTripOfAFixture) {
    CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder());
    std::string src = clipvex::test::DemoFixture("p15_e4m2_id101.dem");
    std::string txt = (dir / "d.txt").string(), dem = (dir / "d.dem").string();
    EXPECT_EQ(lmpc("-s -f \"" + src + "\" \"" + txt + "\"").code, 0);
    EXPECT_EQ(lmpc("-l -f \"" + txt + "\" \"" + dem + "\"").code, 0);
    EXPECT_EQ(demfmt::read_file(dem), demfmt::read_file(src));
    EXPECT_EQ(files(), 2u);
}

TEST_F(Cli, UsageAndHelp) {
    EXPECT_EQ(lmpc("").code, 2);
    CliRun r = lmpc("-x");
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(contains(r.err, "usage"));
    EXPECT_EQ(lmpc("-s a").code, 2);
    EXPECT_EQ(lmpc("-s -l -f a b").code, 2);
    EXPECT_EQ(lmpc("--help").code, 0);
    EXPECT_EQ(lmpc("--version").code, 0);
}

TEST_F(Cli, BadDumpLeavesNoOutput) {
    std::string in = write("bad.txt", "track \"-1\";\nblock {\n camera 0 0 0;\n entity 1 0x82 x zz;\n}\n");
    std::string out = (dir / "out.dem").string();
    CliRun r = lmpc("-l -f \"" + in + "\" \"" + out + "\"");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "bad.txt")) << r.err;
    EXPECT_TRUE(contains(r.err, "line 4")) << r.err;
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(files(), 1u);
}

TEST_F(Cli, BadDumpKeepsAnExistingTargetUntouched) {
    std::string in = write("bad.txt", "block {\n nop;\n}\n");
    std::string out = write("out.dem", "old");
    EXPECT_EQ(lmpc("-l -f \"" + in + "\" \"" + out + "\"").code, 1);
    EXPECT_EQ(demfmt::read_file(out), "old");
    EXPECT_EQ(files(), 2u);
}

TEST_F(Cli, GarbageDemoIsAnError) {
    std::string in = write("garbage.dem", "this is not a demo file at all\nreally not");
    std::string out = (dir / "out.txt").string();
    CliRun r = lmpc("-s -f \"" + in + "\" \"" + out + "\"");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "garbage.dem")) << r.err;
    EXPECT_FALSE(fs::exists(out));
}

// Damaged demos are refused by default, naming the file and the block, and
// leave no output; --salvage keeps the damaged bytes so the round trip holds.
TEST_F(Cli, DamagedDemosFailUnlessSalvaged) {
    std::string demo = make_demo({{Bytes().u8(1).s}, {Bytes().u8(1).u8(1).u8(1).s}});
    struct Case {
        const char* name;
        std::string bytes;
    };
    std::string unknown = make_demo({{Bytes().u8(1).s}, {Bytes().u8(1).u8(60).u8(1).s}});
    for (const Case& c : {Case{"cut.dem", demo.substr(0, demo.size() - 2)}, Case{"unknown.dem", unknown}}) {
        std::string in = write(c.name, c.bytes);
        std::string out = (dir / "out.txt").string();
        CliRun r = lmpc("-s -f \"" + in + "\" \"" + out + "\"");
        EXPECT_EQ(r.code, 1) << c.name;
        EXPECT_TRUE(contains(r.err, c.name)) << r.err;
        EXPECT_TRUE(contains(r.err, "block 2")) << r.err;
        EXPECT_FALSE(fs::exists(out)) << c.name;

        r = lmpc("--salvage -s -f \"" + in + "\" \"" + out + "\"");
        EXPECT_EQ(r.code, 0) << c.name << r.err;
        EXPECT_TRUE(contains(r.err, "warning")) << r.err;
        std::string back = (dir / "back.dem").string();
        r = lmpc("-l -f \"" + out + "\" \"" + back + "\"");
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_EQ(read(back), c.bytes) << c.name;
        fs::remove(out);
        fs::remove(back);
    }
}

TEST_F(Cli, MissingInputFile) {
    CliRun r = lmpc("-s -f \"" + (dir / "nope.dem").string() + "\" \"" + (dir / "o.txt").string() + "\"");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "nope.dem"));
    EXPECT_EQ(files(), 0u);
}

}  // namespace

namespace {

TEST(DumpErrors, OverlongNumbersAreRejectedNotOverflowed) {
    const std::string many(100, '5');
    for (std::string line : {" entity 1 0x82 x " + many + ";", " entity " + many + " 0x80;",
                             " updatestat 1 " + many + ";", " setangle " + many + " 0 0;",
                             " time " + many + "s;", " camera " + many + " 0 0;"}) {
        std::string text = "block {\n" + (line.rfind(" camera", 0) == 0 ? "" : std::string(" camera 0 0 0;\n")) + line + "\n}\n";
        std::string err = dump_error(text);
        EXPECT_FALSE(err.empty()) << line;
    }
}

}  // namespace

namespace {

class CliDumpInput : public Cli {};

TEST_F(CliDumpInput, DashSOnADumpWritesItsCanonicalDump) {
    CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder());
    std::string src = clipvex::test::DemoFixture("p15_ctf8_mp109.dem");
    std::string canonical = demfmt::demo_to_dump(demfmt::read_file(src)).text;
    // the editor's style: comments, CR LF, empty header
    std::string edited = "// opened by the editor\r\n" + canonical;
    std::string in = write("film.txt", edited);
    std::string out = (dir / "out.txt").string();
    EXPECT_EQ(lmpc("-s -f \"" + in + "\" \"" + out + "\"").code, 0);
    EXPECT_EQ(demfmt::read_file(out), canonical);

    std::string bad = write("bad.txt", "track \"-1\";\nblock {\n camera 0 0 0;\n nope;\n}\n");
    CliRun r = lmpc("-s -f \"" + bad + "\" \"" + out + "\"");
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(contains(r.err, "bad.txt: line 4")) << r.err;
}

}  // namespace

TEST(DumpErrors, KeywordsMatchWholeWordsOnly) {
    // A known keyword with more word chars after it, a cut-off one, other
    // case: all unknown, named by their whole leading word.
    const std::pair<const char*, const char*> cases[] = {
        {" entity2 1 0x80;", "entity2"},        {" entit 1 0x80;", "entit"},
        {" Entity 1 0x80;", "Entity"},          {" cameras 0 0 0;", "cameras"},
        {" spawnstatic3 model 1;", "spawnstatic3"}, {" time_ 1s;", "time_"},
        {" precache_models \"a\";", "precache_models"}, {" b 1;", "b"},
    };
    for (const auto& [line, word] : cases) {
        std::string text = std::string("block {\n camera 0 0 0;\n") + line + "\n}\n";
        EXPECT_EQ(dump_error(text), std::string("line 3: unknown message '") + word + "'") << line;
    }
    // and the real ones still compile
    std::string ok = demfmt::dump_to_demo("block {\n camera 0 0 0;\n bf;\n nop;\n time 1.5s;\n entity 1 0x80;\n}\n");
    EXPECT_EQ(ok.size(), 3u + 16u + 1u + 1u + 5u + 2u);
}

TEST(DumpNumbers, LongDecimalsRoundLikeTheGeneralParser) {
    // Camera angles with up to 15 digits: the bits must be those of a
    // correctly rounding float parse, also next to halfway cases.
    std::mt19937_64 rng(20261207);
    for (int it = 0; it < 4000; ++it) {
        std::string v[3];
        for (auto& s : v) {
            if (it % 2) {
                int digits = 8 + static_cast<int>(rng() % 8), dot = static_cast<int>(rng() % (digits + 1));
                if (rng() % 2) s += '-';
                for (int i = 0; i < digits; ++i) {
                    if (i == dot) s += '.';
                    s += static_cast<char>('0' + rng() % 10);
                }
            } else {
                float f = std::bit_cast<float>(static_cast<std::uint32_t>(0x30000000u + rng() % 0x20000000u));
                double mid = (static_cast<double>(f) + static_cast<double>(std::nextafter(f, 1e30f))) / 2;
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.*f", 1 + static_cast<int>(rng() % 14), mid);
                s = buf;
                if (s.size() > 17) s = s.substr(0, 17);
            }
        }
        std::string demo = demfmt::dump_to_demo("block {\n camera " + v[0] + " " + v[1] + " " + v[2] + ";\n}\n");
        ASSERT_EQ(demo.size(), 19u);
        for (int i = 0; i < 3; ++i) {
            float want = 0;
            auto r = std::from_chars(v[i].data(), v[i].data() + v[i].size(), want);
            ASSERT_TRUE(r.ec == std::errc() && r.ptr == v[i].data() + v[i].size()) << v[i];
            std::uint32_t got;
            std::memcpy(&got, demo.data() + 7 + 4 * i, 4);
            EXPECT_EQ(got, std::bit_cast<std::uint32_t>(want)) << v[i];
        }
    }
}
