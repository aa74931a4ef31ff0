// Hand-made blocks for every message and bit that no fixture covers.
#include <cmath>
#include <limits>

#include "demfmt_test_util.h"

namespace {

using namespace demfmt_test;

// One block holding `data` after a serverinfo block for `protocol`.
std::string one(const std::string& data, std::int32_t protocol = 15, std::uint32_t flags = 0) {
    return make_demo({{serverinfo(protocol, flags)}, {data}});
}

// The text of the second block's messages (after its camera line).
std::string messages(const std::string& text) {
    std::size_t b = text.rfind("block {\n");
    std::size_t cam = text.find('\n', b + 8);
    return text.substr(cam + 1, text.rfind("}\n") - cam - 1);
}

TEST(Messages, NoPayloadMessages) {
    std::string text = expect_roundtrip(one(Bytes().u8(1).u8(27).u8(28).u8(30).u8(33).u8(40).u8(2).s, 666));
    EXPECT_EQ(messages(text), " nop;\n killedmonster;\n foundsecret;\n intermission;\n sellscreen;\n bf;\n disconnect;\n");
}

TEST(Messages, VersionSetsTheProtocol) {
    // After version 666 an entity update with bit 15 reads a third flag byte.
    std::string data = Bytes().u8(4).u32(666).u8(0x81).u8(0x80).u8(0x01).u8(5).u8(200).s;
    std::string text = expect_roundtrip(one(data, 15));
    EXPECT_EQ(messages(text), " version 666;\n entity 5 0x018081 alpha 200;\n");
}

TEST(Messages, StopsoundFinaleSkyboxFogStaticSound2) {
    std::string data = Bytes()
                           .u8(16).u16(1234 * 8 + 5)
                           .u8(31).str("The End\n{}")
                           .u8(37).str("sky1")
                           .u8(41).u8(10).u8(20).u8(30).u8(40).u16(0xfff6)
                           .u8(44).u16(8).u16(0xfff0).u16(16).u16(300).u8(255).u8(64)
                           .s;
    std::string text = expect_roundtrip(one(data, 666));
    EXPECT_EQ(messages(text),
              " stopsound entity 1234 channel 5;\n"
              " finale \"The End\\n\\x7b\\x7d\";\n"
              " skybox \"sky1\";\n"
              " fog density 10 red 20 green 30 blue 40 time -10;\n"
              " spawnstaticsound2 1 -2 2 sample 300 volume 255 atten 64;\n");
}

TEST(Messages, TempEntitiesNotInFixtures) {
    Bytes b;
    for (int type : {4, 7, 10}) b.u8(23).u8(type).u16(8).u16(16).u16(24);
    for (int type : {6, 9, 13}) b.u8(23).u8(type).u16(7).u16(8).u16(16).u16(24).u16(0xfff8).u16(0).u16(4);
    b.u8(23).u8(12).u16(8).u16(16).u16(24).u8(100).u8(8);
    std::string text = expect_roundtrip(one(b.s, 15));
    EXPECT_EQ(messages(text),
              " tempentity tarexplosion 1 2 3;\n"
              " tempentity wizspike 1 2 3;\n"
              " tempentity lavasplash 1 2 3;\n"
              " tempentity lightning2 entity 7 start 1 2 3 end -1 0 0.5;\n"
              " tempentity lightning3 entity 7 start 1 2 3 end -1 0 0.5;\n"
              " tempentity beam entity 7 start 1 2 3 end -1 0 0.5;\n"
              " tempentity explosion2 1 2 3 color 100 count 8;\n");
}

TEST(Messages, UnknownTempEntityIsKeptRaw) {
    std::string data = Bytes().u8(1).u8(23).u8(14).u8(1).u8(2).s;
    demfmt::DumpResult r = demfmt::demo_to_dump(one(data));
    EXPECT_EQ(messages(r.text), " nop;\n raw 170e0102;\n");
    ASSERT_EQ(r.warnings.size(), 1u);
    EXPECT_TRUE(contains(r.warnings[0], "block 2"));
    expect_roundtrip(one(data));
}

TEST(Messages, EntityExtensionBits) {
    // bits 16 (alpha), 17 (frame2), 18 (model2), 20 (scale), plus 21-22 and
    // 24-31 without data, a 4th flag byte, long entity below 256.
    std::uint32_t bits = 0x80 | 0x01 | 0x4000 | 0x8000 | 0x00010000 | 0x00020000 | 0x00040000 |
                         0x00100000 | 0x00600000 | 0x00800000 | 0xff000000u;
    Bytes b;
    b.u8(bits & 0xff).u8((bits >> 8) & 0xff).u8((bits >> 16) & 0xff).u8(bits >> 24);
    b.u16(17).u8(11).u8(16).u8(2).u8(3);  // entity, alpha, scale, frame2, model2
    std::string text = expect_roundtrip(one(b.s, 666));
    EXPECT_EQ(messages(text), " entity 17 0xfff7c081 alpha 11 scale 16 frame2 2 model2 3;\n");
}

TEST(Messages, NonCanonicalFlagBytesSurvive) {
    // U_MOREBITS with a zero second byte; U_EXTEND1 with a zero third byte.
    std::string data = Bytes().u8(0x81).u8(0x00).u8(3).u8(0x81).u8(0x80).u8(0x00).u8(4).s;
    std::string text = expect_roundtrip(one(data, 666));
    EXPECT_EQ(messages(text), " entity 3 0x0081;\n entity 4 0x008081;\n");
}

TEST(Messages, EveryEntityFieldProtocol15) {
    std::uint32_t bits = 0xff | 0x7f00;  // all of bits 0-14
    Bytes b;
    b.u8(bits & 0xff).u8(bits >> 8).u16(300);
    b.u8(1).u8(2).u8(3).u8(4).u8(5);                                    // model frame colormap skin effects
    b.u16(0xffff).u8(0x80).u16(8).u8(0x7f).u16(0x7fff).u8(0x40);         // x pitch y yaw z roll
    std::string text = expect_roundtrip(one(b.s, 15));
    EXPECT_EQ(messages(text),
              " entity 300 0x7fff model 1 frame 2 colormap 3 skin 4 effects 5 x -0.125 pitch -180 "
              "y 1 yaw 178.59375 z 4095.875 roll 90;\n");
}

TEST(Messages, ClientdataAllBits) {
    std::uint32_t bits = 0x0000ffff | 0x00ff0000 | 0xff000000u;
    Bytes b;
    b.u8(15).u16(bits & 0xffff).u8((bits >> 16) & 0xff).u8(bits >> 24);
    for (int i = 0; i < 8; ++i) b.u8(static_cast<unsigned>(i - 4));  // viewheight .. velocity3
    b.u32(0x80000001u).u8(9).u8(200).u8(7);                             // items weaponframe armor weapon
    b.u16(0xff9c).u8(1).u8(2).u8(3).u8(4).u8(5).u8(6);                   // health -100 ...
    for (int i = 0; i < 9; ++i) b.u8(static_cast<unsigned>(i + 1));      // extension bytes
    std::string text = expect_roundtrip(one(b.s, 666));
    EXPECT_EQ(messages(text),
              " clientdata 0xffffffff viewheight -4 idealpitch -3 punch1 -2 velocity1 -1 punch2 0 "
              "velocity2 1 punch3 2 velocity3 3 items 0x80000001 weaponframe 9 armor 200 weapon 7 "
              "health -100 ammo 1 shells 2 nails 3 rockets 4 cells 5 active 6 weapon2 1 armor2 2 "
              "ammo2 3 shells2 4 nails2 5 rockets2 6 cells2 7 weaponframe2 8 weaponalpha 9;\n");
}

TEST(Messages, ClientdataBits3_4_8WithoutItemsBit) {
    Bytes b;
    b.u8(15).u16(0x0118).u8(5).u8(6).u32(0).u16(1).u8(0).u8(0).u8(0).u8(0).u8(0).u8(0);
    std::string text = expect_roundtrip(one(b.s, 15));
    EXPECT_EQ(messages(text),
              " clientdata 0x0118 punch2 5 punch3 6 items 0x00000000 health 1 ammo 0 shells 0 nails 0 "
              "rockets 0 cells 0 active 0;\n");
}

TEST(Messages, SoundFlags) {
    Bytes b;
    b.u8(6).u8(0x1f).u8(255).u8(64).u16(9000).u8(200).u16(1000).u16(8).u16(8).u16(8);  // all flags
    b.u8(6).u8(0x04).u16(7 * 8 + 3).u8(2).u16(0).u16(0).u16(0);                         // looping only
    b.u8(6).u8(0x08).u16(3).u8(1).u8(5).u16(0).u16(0).u16(0);                           // large entity, small value
    std::string text = expect_roundtrip(one(b.s, 666));
    EXPECT_EQ(messages(text),
              " sound 0x1f volume 255 atten 64 entity 9000 channel 200 sample 1000 origin 1 1 1;\n"
              " sound 0x04 entity 7 channel 3 sample 2 origin 0 0 0;\n"
              " sound 0x08 entity 3 channel 1 sample 5 origin 0 0 0;\n");
}

TEST(Messages, BaselineFlags) {
    Bytes b;
    b.u8(42).u16(5).u8(0x0f).u16(300).u16(2).u8(1).u8(2);  // large model, large frame
    b.u16(8).u8(64).u16(16).u8(0).u16(24).u8(0xc0).u8(100).u8(32);
    b.u8(43).u8(0x00).u8(9).u8(1).u8(0).u8(0).u16(0).u8(0).u16(0).u8(0).u16(0).u8(0);  // all-byte v2
    std::string text = expect_roundtrip(one(b.s, 666));
    EXPECT_EQ(messages(text),
              " spawnbaseline2 5 0x0f model 300 frame 2 colormap 1 skin 2 origin 1 2 3 angles 90 0 -90 "
              "alpha 100 scale 32;\n"
              " spawnstatic2 0x00 model 9 frame 1 colormap 0 skin 0 origin 0 0 0 angles 0 0 0;\n");
}

TEST(Messages, Protocol999CoordinateEncodings) {
    // 24-bit coordinates and short angles.
    Bytes a;
    a.u8(0x80 | 0x02 | 0x10).u8(3).u16(0xffff).u8(255).u16(0x4000);  // x = (-1, 255), yaw short
    std::string text = expect_roundtrip(one(a.s, 999, 0x08 | 0x02));
    EXPECT_EQ(messages(text), " entity 3 0x92 x -1:255 yaw 90;\n");

    // Float coordinates (NaN kept) and float angles.
    Bytes f;
    f.u8(0x80 | 0x02 | 0x10).u8(3).u32(0x7fc00001).f32(12.25f);
    f.u8(10).f32(1.5f).f32(-0.0f).f32(std::numeric_limits<float>::infinity());
    text = expect_roundtrip(one(f.s, 999, 0x10 | 0x04));
    EXPECT_EQ(messages(text), " entity 3 0x92 x 0x7fc00001 yaw 12.25;\n setangle 1.5 -0 0x7f800000;\n");

    // Int32 coordinates (1/16 units).
    Bytes i;
    i.u8(29).u32(static_cast<std::uint32_t>(-24)).u32(16).u32(0x7fffffff).u8(1).u8(255).u8(64);
    text = expect_roundtrip(one(i.s, 999, 0x80));
    EXPECT_EQ(messages(text), " spawnstaticsound -1.5 1 134217727.9375 sample 1 volume 255 atten 64;\n");

    // Odd 24-bit pairs from the server's own encoder are kept as two numbers.
    Bytes t;
    t.u8(23).u8(3).u16(0xfffe).u8(0).u16(0).u8(255).u16(1).u8(128);
    text = expect_roundtrip(one(t.s, 999, 0x08));
    EXPECT_EQ(messages(text), " tempentity explosion -2:0 0:255 1:128;\n");
}

TEST(Messages, ProtocolChangesBetweenLevels) {
    // 999 with float coordinates, then a second serverinfo back to 15.
    std::string lvl2 = serverinfo(15) + Bytes().u8(0x82).u8(1).u16(12).s;
    std::string demo = make_demo({{serverinfo(999, 0x10)}, {Bytes().u8(0x82).u8(1).f32(0.1f).s}, {lvl2}});
    std::string text = expect_roundtrip(demo);
    EXPECT_TRUE(contains(text, " entity 1 0x82 x 0.1;\n"));
    EXPECT_TRUE(contains(text, " entity 1 0x82 x 1.5;\n"));
    EXPECT_TRUE(contains(text, " serverinfo 999 flags 0x00000010 maxclients 1 gametype 0 level \"level\";\n"));
}

TEST(Messages, StringsWithEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    std::string data = Bytes().u8(8).str(all).u8(9).str(all).u8(26).str(all).u8(13).u8(1).str(all).s;
    std::string text = expect_roundtrip(one(data));
    for (char c : text) EXPECT_TRUE((c >= 0x20 && c < 0x7f) || c == '\n');
}

TEST(Messages, TruncatedMessagesAreKeptRaw) {
    // A clientdata that runs past the block end, an unterminated string,
    // a serverinfo cut short (must not change the protocol), unknown ids.
    for (std::string data : {Bytes().u8(7).f32(1).u8(15).u16(0x0200).u8(1).s, Bytes().u8(8).raw("abc").s,
                             Bytes().u8(11).u32(666).u8(1).s, Bytes().u8(35).u8(1).s, Bytes().u8(0).s,
                             Bytes().u8(21).s, Bytes().u8(0x81).s}) {
        demfmt::DumpResult r = demfmt::demo_to_dump(one(data));
        EXPECT_TRUE(contains(r.text, " raw ")) << r.text;
        EXPECT_EQ(r.warnings.size(), 1u);
        expect_roundtrip(one(data));
    }
}

TEST(Messages, TimeNotFirstAndNonFinite) {
    std::string data = Bytes().u8(1).u8(7).f32(2.5f).s;
    EXPECT_EQ(messages(expect_roundtrip(one(data))), " nop;\n servertime 2.5;\n");
    data = Bytes().u8(7).u32(0xffc00000u).s;
    EXPECT_EQ(messages(expect_roundtrip(one(data))), " servertime 0xffc00000;\n");
    // denormal time in the first position is still a time line, exact
    data = Bytes().u8(7).u32(1).s;
    std::string m = messages(expect_roundtrip(one(data)));
    EXPECT_EQ(m.rfind(" time 0.000000", 0), 0u) << m;
    data = Bytes().u8(7).f32(-0.0f).s;
    EXPECT_EQ(messages(expect_roundtrip(one(data))), " time -0.000000000s;\n");
}

TEST(Messages, TimeForms) {
    EXPECT_EQ(messages(expect_roundtrip(one(Bytes().u8(7).f32(12.5f).s))), " time 12.500000000s;\n");
    EXPECT_EQ(messages(expect_roundtrip(one(Bytes().u8(7).f32(75.25f).s))), " time 1:15.250000000m;\n");
    EXPECT_EQ(messages(expect_roundtrip(one(Bytes().u8(7).f32(3725.5f).s))), " time 1:2:5.500000000h;\n");
    // a float that needs more than nine decimals in the minutes form
    float t = std::nextafter(100.0f, 200.0f);
    std::string m = messages(expect_roundtrip(one(Bytes().u8(7).f32(t).s)));
    EXPECT_EQ(m.rfind(" time 1:40.00000", 0), 0u) << m;
    EXPECT_EQ(messages(expect_roundtrip(one(Bytes().u8(7).f32(1e30f).s))).substr(0, 6), " time ");
}

TEST(Messages, OtherCommonMessages) {
    Bytes b;
    b.u8(3).u8(14).u32(0xffffffffu).u8(5).u16(1).u8(10).u8(0x40).u8(0).u8(0xc0);
    b.u8(12).u8(63).str("azazaz").u8(14).u8(3).u16(0xfffb).u8(17).u8(2).u8(0x4f);
    b.u8(18).u16(8).u16(8).u16(8).u8(0xf0).u8(16).u8(0).u8(255).u8(73);
    b.u8(19).u8(3).u8(10).u16(0).u16(0).u16(8);
    b.u8(20).u8(2).u8(0).u8(0).u8(0).u16(0).u8(0).u16(0).u8(0).u16(0).u8(0);
    b.u8(22).u16(500).u8(2).u8(0).u8(0).u8(0).u16(0).u8(0).u16(0).u8(0).u16(0).u8(0);
    b.u8(24).u8(1).u8(25).u8(3).u8(29).u16(0).u16(0).u16(0).u8(3).u8(200).u8(64);
    b.u8(32).u8(2).u8(3).u8(34).str("cut").u8(26).str("Hi\nthere");
    std::string text = expect_roundtrip(one(b.s));
    EXPECT_EQ(messages(text),
              " updatestat 14 -1;\n setview 1;\n setangle 90 0 -90;\n lightstyle 63 \"azazaz\";\n"
              " updatefrags 3 -5;\n updatecolors 2 top 4 bottom 15;\n"
              " particle 1 1 1 dir -16 16 0 count 255 color 73;\n"
              " damage armor 3 blood 10 from 0 0 1;\n"
              " spawnstatic model 2 frame 0 colormap 0 skin 0 origin 0 0 0 angles 0 0 0;\n"
              " spawnbaseline 500 model 2 frame 0 colormap 0 skin 0 origin 0 0 0 angles 0 0 0;\n"
              " setpause 1;\n signonnum 3;\n spawnstaticsound 0 0 0 sample 3 volume 200 atten 64;\n"
              " cdtrack 2 loop 3;\n cutscene \"cut\";\n centerprint \"Hi\\nthere\";\n");
}

}  // namespace
