// Every real fixture round-trips byte for byte, and its dump keeps the
// promises the editor relies on.
#include <algorithm>
#include <cstring>
#include <string>

#include "demfmt_test_util.h"
#include "support/fixtures.h"

namespace {

using namespace demfmt_test;

// Every case reads the real demos.
template <typename Base>
class RealDemos : public Base {
protected:
    void SetUp() override { CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder()); }
};
using Fixture = RealDemos<::testing::TestWithParam<const char*>>;
using FixtureDetails = RealDemos<::testing::Test>;
using FixtureStreams = RealDemos<::testing::Test>;

std::string load(const char* name) { return demfmt::read_file(clipvex::test::DemoFixture(std::string(name) + ".dem")); }

TEST_P(Fixture, RoundTripsByteForByte) {
    std::string demo = load(GetParam());
    ASSERT_FALSE(demo.empty());
    demfmt::DumpResult r = demfmt::demo_to_dump(demo);
    EXPECT_TRUE(r.warnings.empty()) << r.warnings.front();
    std::string back = demfmt::dump_to_demo(r.text);
    ASSERT_EQ(back.size(), demo.size());
    EXPECT_TRUE(back == demo);
    EXPECT_EQ(demfmt::demo_to_dump(back).text, r.text);
    // Everything decodes: no raw lines in the real fixtures.
    EXPECT_FALSE(contains(r.text, "\n raw "));
}

TEST_P(Fixture, StreamedDumpEqualsTheWholeDump) {
    std::string demo = load(GetParam());
    std::string streamed;
    std::size_t largest = 0;
    auto warnings = demfmt::demo_to_dump(demo, [&](std::string_view piece) {
        streamed.append(piece);
        largest = std::max(largest, piece.size());
    });
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(streamed, demfmt::demo_to_dump(demo).text);
    // About a megabyte a piece: a piece ends with the block that fills a
    // megabyte, so no text of more than that is ever held whole.
    EXPECT_LE(largest, std::size_t{(1 << 20) + (1 << 16)}) << streamed.size() << " bytes of text";

    std::string compiled;
    demfmt::dump_to_demo(streamed, [&](std::string_view piece) { compiled.append(piece); });
    EXPECT_TRUE(compiled == demo);
}

TEST_P(Fixture, DumpKeepsTheEditorRules) {
    std::string text = demfmt::demo_to_dump(load(GetParam())).text;
    std::size_t pos = 0, lineno = 0, blocks = 0, in_block_line = 0;
    int depth = 0;
    bool header = false;
    while (pos < text.size()) {
        std::size_t nl = text.find('\n', pos);
        std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        ++lineno;
        for (char c : line) ASSERT_TRUE(c >= 0x20 && c < 0x7f) << "line " << lineno << " not plain ASCII";
        int opens = 0, closes = 0;
        for (char c : line) {
            opens += c == '{';
            closes += c == '}';
        }
        if (depth == 0) {
            if (line == "block {") {
                ++blocks;
                depth = 1;
                in_block_line = 0;
                continue;
            }
            ASSERT_FALSE(header) << "stray line " << lineno << ": " << line;
            ASSERT_NE(line.find("track"), std::string::npos);
            ASSERT_EQ(blocks, 0u);
            header = true;
            continue;
        }
        ++in_block_line;
        if (line == "}") {
            depth = 0;
            continue;
        }
        ASSERT_EQ(opens + closes, 0) << "brace inside block line " << lineno << ": " << line;
        ASSERT_EQ(line[0], ' ');
        if (in_block_line == 1) {
            ASSERT_EQ(line.rfind(" camera ", 0), 0u) << line;
        }
        if (line.rfind(" time", 0) == 0) {
            ASSERT_EQ(in_block_line, 2u) << "time line not second in its block: " << lineno;
            ASSERT_EQ(line.back(), ';');
            char unit = line[line.size() - 2];
            ASSERT_TRUE(unit == 's' || unit == 'm' || unit == 'h') << line;
            std::size_t dot = line.rfind('.');
            ASSERT_NE(dot, std::string::npos);
            ASSERT_GE(line.size() - 2 - dot - 1, 9u) << "fewer than 9 decimals: " << line;
        }
    }
    EXPECT_TRUE(header);
    EXPECT_EQ(depth, 0);
    EXPECT_GT(blocks, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Dem, Fixture,
    ::testing::Values("edge_p666_nan_angles", "edge_synthetic_qfont", "p15_ctf8_mp109",
                      "p15_e0m3_pause_cutscene", "p15_e4m2_id101", "p15_introseq_tf107",
                      "p666_e1m1_smoothme", "p666_medusa_start_2levels",
                      "p666_swampy_long_nodisconnect", "p999_e2m5_baseline2"));

TEST_F(FixtureDetails, TrackLinesAreKeptVerbatim) {
    EXPECT_EQ(demfmt::demo_to_dump(load("p15_e4m2_id101")).text.substr(0, 12), "track \"7\";\nb");
    EXPECT_EQ(demfmt::demo_to_dump(load("edge_p666_nan_angles")).text.substr(0, 12), "track \"2\";\nb");
}

TEST_F(FixtureDetails, NanAnglesUseTheBitPattern) {
    std::string text = demfmt::demo_to_dump(load("edge_p666_nan_angles")).text;
    EXPECT_TRUE(contains(text, "0xfffffffd"));
    EXPECT_TRUE(contains(text, "0x00000014"));  // a denormal
}

TEST_F(FixtureDetails, QfontEscapesEveryByte) {
    std::string text = demfmt::demo_to_dump(load("edge_synthetic_qfont")).text;
    EXPECT_TRUE(contains(text, "\\x7b"));
    EXPECT_TRUE(contains(text, "\\x7d"));
    EXPECT_TRUE(contains(text, "\\\""));
    EXPECT_TRUE(contains(text, "\\\\"));
    EXPECT_TRUE(contains(text, " stufftext \"screenshot\\n\";"));
    EXPECT_TRUE(contains(text, " disconnect;\n}\n"));
}

TEST_F(FixtureDetails, IntroseqTimesNeedNineDecimals) {
    // Block index 7 holds 0.010000002570 (0x3C23D70D): 8 decimals would lose it.
    std::string text = demfmt::demo_to_dump(load("p15_introseq_tf107")).text;
    EXPECT_TRUE(contains(text, " time 0.010000003s;"));
}

TEST_F(FixtureDetails, SwampyHasNoFinalDisconnect) {
    std::string text = demfmt::demo_to_dump(load("p666_swampy_long_nodisconnect")).text;
    std::string last = text.substr(text.rfind("block {"));
    EXPECT_TRUE(contains(last, " clientdata ")) << last;
    EXPECT_TRUE(contains(last, " entity ")) << last;
    EXPECT_EQ(text.find(" disconnect;"), std::string::npos);
}

}  // namespace

namespace {

// The dump read in pieces (as lmpc -l reads a file) compiles to the same
// demo, and errors keep their line numbers across pieces.
TEST_F(FixtureStreams, DumpReadInPiecesCompilesTheSame) {
    std::string demo = load("p666_swampy_long_nodisconnect");
    std::string text = demfmt::demo_to_dump(demo).text;
    for (std::size_t piece : {std::size_t(997), std::size_t(1) << 22}) {
        std::size_t pos = 0;
        std::string out;
        demfmt::dump_to_demo(
            [&](char* buf, std::size_t room) {
                std::size_t k = std::min({piece, room, text.size() - pos});
                std::memcpy(buf, text.data() + pos, k);
                pos += k;
                return k;
            },
            [&](std::string_view p) { out.append(p); });
        EXPECT_TRUE(out == demo) << piece;
    }
    // a broken line far past the first 4 MB piece
    std::size_t at = text.rfind("\n entity ");
    std::size_t lineno = static_cast<std::size_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n')) + 2;
    std::string broken = text.substr(0, at) + "\n entity x;" + text.substr(text.find('\n', at + 1));
    std::size_t pos = 0;
    try {
        demfmt::dump_to_demo(
            [&](char* buf, std::size_t room) {
                std::size_t k = std::min(room, broken.size() - pos);
                std::memcpy(buf, broken.data() + pos, k);
                pos += k;
                return k;
            },
            [](std::string_view) {});
        FAIL() << "broken dump compiled";
    } catch (const demfmt::Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("line " + std::to_string(lineno) + ":", 0), 0u) << e.what();
    }
}

}  // namespace
