// What the compiler refuses and how it says so: numbers outside their field,
// lines between blocks, texts that are no dump; and how a damaged demo is
// described when it is refused rather than salvaged.
#include <cstring>

#include "demfmt_test_util.h"

namespace {

using namespace demfmt_test;

std::string in_block(const std::string& line) { return "track \"-1\";\nblock {\n camera 0 0 0;\n" + line + "\n}\n"; }

const char kClientdataHead[] = " clientdata 0x0000 items 0x00000000 ";
std::string clientdata(const std::string& health, const std::string& ammo = "0") {
    return std::string(kClientdataHead) + "health " + health + " ammo " + ammo +
           " shells 0 nails 0 rockets 0 cells 0 active 0;";
}

// A value past its field names the value, the field and the range, whether
// or not it is the last token of its line, and the largest value that fits
// still compiles.
TEST(DumpRules, OutOfRangeNumbersNameTheFieldAndItsRange) {
    struct Case {
        std::string line;
        std::string message;  // empty: compiles
    };
    const Case cases[] = {
        {clientdata("70000"), "line 4: 70000 is out of range for health (-32768 to 65535)"},
        {clientdata("-32769"), "line 4: -32769 is out of range for health (-32768 to 65535)"},
        {clientdata("65535"), ""},
        {clientdata("5", "256"), "line 4: 256 is out of range for ammo (0 to 255)"},
        {" entity 1 0xc0 frame 300;", "line 4: 300 is out of range for frame (0 to 255)"},
        {" entity 1 0xc0 frame 255;", ""},
        {" entity 70000 0x80;", "line 4: 70000 is out of range for entity number (0 to 65535)"},
        {" entity 70000 0x4080;", "line 4: 70000 is out of range for entity number (0 to 65535)"},
        {" entity 1 0x180000000;", "line 4: 0x180000000 is out of range for entity flags (0 to 4294967295)"},
        {" entity 1 0x8z;", "line 4: bad entity flags '0x8z' (not a whole number)"},
        {" cdtrack 300 1;", "line 4: 300 is out of range for track (0 to 255)"},
        {" cdtrack 3 loop 256;", "line 4: 256 is out of range for loop (0 to 255)"},
        {" cdtrack 3;", "line 4: expected 'loop' before the end of the line"},
        {" cdtrack 3 lop 1;", "line 4: expected 'loop' but found 'lop'"},
        {" stopsound entity 8192 channel 1;", "line 4: 8192 is out of range for entity (0 to 8191)"},
        {" stopsound entity 9 channel 8;", "line 4: 8 is out of range for channel (0 to 7)"},
        {" updatecolors 1 top 16 bottom 0;", "line 4: 16 is out of range for top (0 to 15)"},
        {" updatestat 256 1;", "line 4: 256 is out of range for stat index (0 to 255)"},
        {" updatestat 1 4294967296;", "line 4: 4294967296 is out of range for stat value (-2147483648 to 4294967295)"},
        {" setview 70000;", "line 4: 70000 is out of range for entity (-32768 to 65535)"},
        {" entity 1 0x82 x 4096;", "line 4: 4096 is out of range for a coordinate (-4096 to 4095.875)"},
        {" entity 1 0x82 x 4095.875;", ""},
        {" entity 1 0x82 x;", "line 4: missing coordinate"},
        {" setangle 0 0;", "line 4: missing angle"},
        {" updatestat 1 x;", "line 4: bad stat value 'x' (not a whole number)"},
        {" setpause;", "line 4: missing pause"},
    };
    for (const Case& c : cases) EXPECT_EQ(dump_error(in_block(c.line)), c.message) << c.line;
}

// Between blocks only blank lines and comments may stand; a damaged block
// line is an error where it stands instead of a block that silently goes.
TEST(DumpRules, LinesBetweenBlocksAreBlankCommentsOrBlocks) {
    const std::string block = "block {\n camera 0 0 0;\n nop;\n}\n";
    EXPECT_EQ(dump_error("\n// made by hand\n   \ntrack \"-1\";\n\n// between\n" + block + "\r\n// after\n" + block),
              "");
    struct Case {
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"track \"-1\";\nblok {\n camera 0 0 0;\n}\n", "line 2: malformed block line 'blok {' (want 'block {')"},
        {"track \"-1\";\nBlock {\n camera 0 0 0;\n}\n", "line 2: malformed block line 'Block {' (want 'block {')"},
        {"track \"-1\";\n" + block + "block\n camera 0 0 0;\n}\n", "line 6: malformed block line 'block' (want 'block {')"},
        {"track \"-1\";\n" + block + "camera 0 0 0;\n", "line 6: 'camera 0 0 0;' stands outside a block "
                                                       "(between blocks only blank lines and // comments may stand)"},
        {"track \"-1\";\n" + block + "track \"2\";\n", "line 6: 'track \"2\";' stands outside a block "
                                                       "(between blocks only blank lines and // comments may stand)"},
        {"track \"-1\";\n" + block + "}\n", "line 6: '}' stands outside a block "
                                            "(between blocks only blank lines and // comments may stand)"},
        {"-1\n", "line 1: not a dump text: it must begin with a 'track' or 'block {' line, not '-1'"},
        {"// comment\n\nhello\nblock {\n", "line 3: not a dump text: it must begin with a 'track' or 'block {' line, "
                                           "not 'hello'"},
        {std::string("\x01\x02\xff\n", 4), "line 1: not a dump text: it must begin with a 'track' or 'block {' line, "
                                           "not '\\x01\\x02\\xff'"},
    };
    for (const Case& c : cases) EXPECT_EQ(dump_error(c.text), c.message) << c.text;
}

// Read in pieces, text without a line end is looked at when the buffer
// would grow: a NUL byte ends the reading at once instead of after all of it.
TEST(DumpRules, ANulByteInALongLineStopsTheReading) {
    std::size_t served = 0;
    auto zeros = [&served](char* buf, std::size_t room) {
        if (served > (std::size_t{64} << 20)) ADD_FAILURE() << "read on past the first buffer";
        std::memset(buf, 0, room);
        served += room;
        return room;
    };
    try {
        demfmt::dump_to_demo(zeros, [](std::string_view) {});
        ADD_FAILURE() << "compiled";
    } catch (const demfmt::Error& e) {
        EXPECT_STREQ(e.what(), "line 1: not a dump text: it holds a NUL byte");
    }
    EXPECT_LE(served, std::size_t{8} << 20);
}

// A damaged demo refused says what --salvage would keep; salvaged, it says
// what was kept.
TEST(DumpRules, RefusalsSayWhatSalvageWouldKeep) {
    demfmt::DumpOptions strict;
    strict.strict = true;
    const std::string good = make_demo({{Bytes().u8(1).s}, {Bytes().u8(1).s}});
    struct Case {
        std::string demo;
        std::string refusal;
        std::string warning;
    };
    const Case cases[] = {
        {good + std::string("\x05\x00\x00\x00\x01\x02\x03", 7),
         "block 3: partial block header (7 bytes after the last complete block; --salvage would keep them raw as "
         "the tail)",
         "block 3: partial block header (7 bytes kept raw as the tail)"},
        {good + "\x05",
         "block 3: partial block length (1 byte after the last complete block; --salvage would keep them raw as the "
         "tail)",
         "block 3: partial block length (1 byte kept raw as the tail)"},
        {make_demo({{Bytes().u8(1).s}, {Bytes().u8(1).u8(60).u8(1).s}}),
         "block 2: unknown message id 60 at offset 1 (--salvage would keep the block's last 2 bytes raw)",
         "block 2: unknown message id 60 at offset 1; 2 bytes kept raw"},
    };
    for (const Case& c : cases) {
        try {
            demfmt::demo_to_dump(c.demo, strict);
            ADD_FAILURE() << "no refusal for " << c.refusal;
        } catch (const demfmt::Error& e) {
            EXPECT_EQ(std::string(e.what()), c.refusal);
        }
        demfmt::DumpResult r = demfmt::demo_to_dump(c.demo);
        ASSERT_EQ(r.warnings.size(), 1u);
        EXPECT_EQ(r.warnings[0], c.warning);
        EXPECT_EQ(demfmt::dump_to_demo(r.text), c.demo);
    }
}

// The exchange form hands over whole buffers and goes on in whatever it is
// given back; joined, the pieces are the dump text.
TEST(DumpRules, ExchangedPiecesJoinToTheDump) {
    std::vector<Block> blocks;
    for (int i = 0; i < 60000; ++i) blocks.push_back({Bytes().u8(7).f32(static_cast<float>(i) / 10).u8(0x82).u8(1).u16(8 * (i % 4000)).s});
    const std::string demo = make_demo(blocks);
    const std::string whole = demfmt::demo_to_dump(demo).text;
    ASSERT_GT(whole.size(), std::size_t{3} << 20);

    std::string joined;
    int calls = 0;
    auto exchange = [&](std::string& buffer, std::size_t used) {
        ASSERT_LE(used, buffer.size());
        joined.append(buffer.data(), used);
        // Give back, in turn, nothing, a small buffer and a used one.
        switch (calls++ % 3) {
        case 0: buffer = std::string(); break;
        case 1: buffer = std::string(10, 'x'); break;
        default: break;
        }
    };
    demfmt::demo_to_dump_chunks(demo, exchange);
    EXPECT_GE(calls, 3);
    EXPECT_TRUE(joined == whole);
}

}  // namespace
