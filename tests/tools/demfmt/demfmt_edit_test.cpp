// Dumps edited the way the editor edits them compile to what they should.
#include <bit>

#include "demfmt_test_util.h"

namespace {

using namespace demfmt_test;

std::string compile(const std::string& text) { return demfmt::dump_to_demo(text); }

// Bytes of a demo with one block holding `data` and the given camera.
std::string expect_block(const std::string& data, std::string_view track = "-1\n") {
    return make_demo({{data}}, track);
}

TEST(Edit, TimeLinesInTheThreeForms) {
    auto t = [](const char* line) {
        return compile(std::string("track \"-1\";\nblock {\n camera 0 0 0;\n") + line + "\n}\n");
    };
    EXPECT_EQ(t(" time 0.050000000s;"), expect_block(Bytes().u8(7).f32(0.05f).s));
    EXPECT_EQ(t(" time 12.5s;"), expect_block(Bytes().u8(7).f32(12.5f).s));
    EXPECT_EQ(t(" time 1:15.250000000m;"), expect_block(Bytes().u8(7).f32(75.25f).s));
    EXPECT_EQ(t(" time 1:2:3.500000000h;"), expect_block(Bytes().u8(7).f32(3723.5f).s));
    EXPECT_EQ(t(" time 1:2:5.500000000h;"), expect_block(Bytes().u8(7).f32(3725.5f).s));
    EXPECT_EQ(t(" time 0:00:01.25h;"), expect_block(Bytes().u8(7).f32(1.25f).s));
    // nearest float of a value with more digits than a float holds
    EXPECT_EQ(t(" time 0.1000000000000000055511151231257827s;"), expect_block(Bytes().u8(7).f32(0.1f).s));
    EXPECT_EQ(t(" servertime 0x7fc00001;"), expect_block(Bytes().u8(7).u32(0x7fc00001).s));
}

TEST(Edit, EditorInsertedConsoleLines) {
    std::string text =
        "track \"-1\";\r\n"
        "block {\r\n"
        " camera 0.000000000 0.000000000 0.000000000;\r\n"
        " stufftext \"v_cshift 0 0 0 0\\nbf\\nscr_conspeed 2000\\n\";\r\n"
        " stufftext \"v_cshift 255 0 0 128\\n\";\r\n"
        " stufftext \"screenshot\\n\";\r\n"
        " print \"say \"hi\" \\ back\\q\";\r\n"
        " centerprint \"a\";b\";\r\n"
        "}\r\n"
        "// 0.0500000000000114\r\n";
    std::string want = expect_block(Bytes()
                                         .u8(9).str("v_cshift 0 0 0 0\nbf\nscr_conspeed 2000\n")
                                         .u8(9).str("v_cshift 255 0 0 128\n")
                                         .u8(9).str("screenshot\n")
                                         .u8(8).str("say \"hi\" \\ back\\q")
                                         .u8(26).str("a\";b")
                                         .s);
    EXPECT_EQ(compile(text), want);
}

TEST(Edit, CommentsAndEmptyLinesAreIgnored) {
    std::string text =
        "// a comment first\n\n"
        "track \"2\";\n"
        "block {\n"
        "// comment inside\n"
        " camera 1 2 3;\n"
        "\n"
        "   // indented comment\n"
        " nop;\n"
        "}\n"
        "// 0.05\n"
        "   \n"
        "block { // second\n camera 0 0 0;\n disconnect;\n}\n";
    Block a{Bytes().u8(1).s, {1, 2, 3}};
    Block b{Bytes().u8(2).s};
    EXPECT_EQ(compile(text), make_demo({a, b}, "2\n"));
}

TEST(Edit, NewDemoWithEmptyHeaderGetsTrackMinusOne) {
    std::string text = "\r\n\r\n\r\nblock {\r\n camera 0.000000000 0.000000000 0.000000000;\r\n disconnect;\r\n}\r\n";
    EXPECT_EQ(compile(text), expect_block(Bytes().u8(2).s));
    EXPECT_EQ(compile("block {\n camera 0 0 0;\n}\n"), make_demo({{""}}));
}

TEST(Edit, ReorderDropDuplicateBlocks) {
    std::string demo = make_demo({{Bytes().u8(7).f32(1).s}, {Bytes().u8(7).f32(2).s}, {Bytes().u8(7).f32(3).s}});
    std::string text = expect_roundtrip(demo);
    // split into header + blocks
    std::vector<std::string> blocks;
    std::size_t p = text.find("block {");
    std::string header = text.substr(0, p);
    while (p != std::string::npos) {
        std::size_t q = text.find("block {", p + 1);
        blocks.push_back(text.substr(p, q == std::string::npos ? std::string::npos : q - p));
        p = q;
    }
    ASSERT_EQ(blocks.size(), 3u);
    std::string edited = header + blocks[2] + blocks[0] + blocks[0];
    EXPECT_EQ(compile(edited),
              make_demo({{Bytes().u8(7).f32(3).s}, {Bytes().u8(7).f32(1).s}, {Bytes().u8(7).f32(1).s}}));
}

TEST(Edit, EditorClosingBlock) {
    std::string text = "track \"-1\";\nblock {\n camera 0 0 0;\n time 1s;\n}\n"
                       "block {\n camera 0.000000000 0.000000000 0.000000000;\n disconnect;\n}\n";
    EXPECT_EQ(compile(text), make_demo({{Bytes().u8(7).f32(1).s}, {Bytes().u8(2).s}}));
}

TEST(Edit, CameraForms) {
    std::string text = "block {\n camera -0 0x7fc00001 1e-45;\n}\n";
    Block b{""};
    b.angles[0] = -0.0f;
    b.angles[1] = std::bit_cast<float>(0x7fc00001u);
    b.angles[2] = std::bit_cast<float>(1u);
    std::string got = compile(text);
    EXPECT_EQ(got, make_demo({b}));
}

TEST(Edit, HeaderForms) {
    EXPECT_EQ(compile("track -1;\nblock {\n camera 0 0 0;\n}\n").substr(0, 3), "-1\n");
    EXPECT_EQ(compile("track \" 7\\r\";\nblock {\n camera 0 0 0;\n}\n").substr(0, 4), " 7\r\n");
    EXPECT_EQ(compile("track none;\nblock {\n camera 0 0 0;\n}\n").substr(0, 4), std::string("\0\0\0\0", 4));
    EXPECT_EQ(compile("track \"-1\"; tail 0102;\n"), "-1\n\x01\x02");
}

TEST(Edit, ValuesAreRoundedToTheNearestStep) {
    std::string text = "block {\n camera 0 0 0;\n entity 1 0x92 x 0.07 yaw 91;\n}\n";
    // x: 0.07*8 = 0.56 -> 1; yaw: 91*256/360 = 64.71 -> 65
    EXPECT_EQ(compile(text), expect_block(Bytes().u8(0x92).u8(1).u16(1).u8(65).s));
    // angles in 0..360 map onto the same bytes as -180..180
    text = "block {\n camera 0 0 0;\n setangle 270 -90 358.59375;\n}\n";
    EXPECT_EQ(compile(text), expect_block(Bytes().u8(10).u8(0xc0).u8(0xc0).u8(0xff).s));
}

}  // namespace

namespace {

TEST(Edit, TabsAndRunsOfBlanksSeparateTokensLikeOneBlank) {
    const std::string one = compile(
        "block {\n camera 0 0 0;\n entity 300 0x44cf model 5 frame 2 x 1.5 y -2 z 3;\n"
        " clientdata 0x4600 items 0x00001101 weapon 79 health 100 ammo 25 shells 25 nails 0 rockets 0 cells 0 "
        "active 1;\n sound 0x03 volume 200 atten 64 entity 12 channel 3 sample 7 origin 1 2 3;\n}\n");
    const std::string mixed = compile(
        "block {\n camera 0 0 0;\n entity\t300  0x44cf\tmodel\t 5 frame  2 x\t1.5   y -2 z 3\t;\n"
        " clientdata 0x4600\titems  0x00001101 weapon\t79 health 100  ammo 25 shells 25 nails\t\t0 rockets 0 "
        "cells 0 active 1 ;\n sound\t0x03 volume  200\tatten 64 entity 12 channel\t3 sample 7 origin 1\t2  3;\n}\n");
    EXPECT_EQ(mixed, one);
    EXPECT_EQ(one.substr(3 + 16, 12), Bytes().u8(0xcf).u8(0x44).u16(300).u8(5).u8(2).u16(12).u16(0xfff0).u16(24).s);
}

TEST(Edit, BaselineValuesAreRoundedInStreamOrder) {
    // origin x y z angles p y r is written x p y y z r; each value takes
    // the rounding path on its own.
    const std::string text =
        "block {\n camera 0 0 0;\n spawnbaseline 7 model 1 frame 0 colormap 0 skin 0 origin 0.07 2 -0.07 "
        "angles 91 1.40625 -91;\n}\n";
    EXPECT_EQ(compile(text), expect_block(Bytes()
                                              .u8(22).u16(7).u8(1).u8(0).u8(0).u8(0)
                                              .u16(1).u8(65).u16(16).u8(1).u16(0xffff).u8(0xbf)
                                              .s));
}

// Entity lines that only name an entity take a shortcut; every other spelling
// goes the general way and must give the same bytes or the same error.
TEST(Edit, BareEntityLinesMatchTheGeneralForm) {
    const std::string text =
        "block {\n camera 0 0 0;\n entity 0 0x80;\n entity 7 0x80;\n entity 255 0x80;\n entity 007 0x80;\n"
        " entity  12 0x80;\n entity 13\t0x80 ;\n entity 14 0x0080;\n}\n";
    EXPECT_EQ(compile(text), expect_block(Bytes()
                                              .u8(0x80).u8(0).u8(0x80).u8(7).u8(0x80).u8(255).u8(0x80).u8(7)
                                              .u8(0x80).u8(12).u8(0x80).u8(13).u8(0x80).u8(14)
                                              .s));
    EXPECT_EQ(dump_error("block {\n camera 0 0 0;\n entity 256 0x80;\n}\n"),
              "line 3: entity number above 255 needs flag 0x4000");
    EXPECT_FALSE(dump_error("block {\n camera 0 0 0;\n entity -1 0x80;\n}\n").empty());
    EXPECT_FALSE(dump_error("block {\n camera 0 0 0;\n entity 1a 0x80;\n}\n").empty());
}

}  // namespace
