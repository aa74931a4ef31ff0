// Formatting on several threads gives the one-thread text byte for byte:
// with protocol changes the workers cannot foresee, with warnings in order,
// and with the first error in block order when a demo is refused.
#include <filesystem>

#include "demfmt_test_util.h"
#include "support/fixtures.h"

namespace {

using namespace demfmt_test;

const char* const kFixtures[] = {"p15_ctf8_mp109", "p666_medusa_start_2levels", "p999_e2m5_baseline2",
                                 "edge_p666_nan_angles", "p15_e0m3_pause_cutscene"};

struct Streamed {
    std::string text;
    std::vector<std::string> warnings;
    std::string error;
};

Streamed streamed(const std::string& demo, unsigned threads, std::size_t range_bytes, bool strict = false,
                  bool guess = true) {
    demfmt::DumpOptions opt;
    opt.threads = threads;
    opt.range_bytes = range_bytes;
    opt.strict = strict;
    opt.guess_protocol = guess;
    Streamed s;
    int calls = 0;
    try {
        s.warnings = demfmt::demo_to_dump_chunks(demo, [&](std::string& buffer, std::size_t used) {
            s.text.append(buffer.data(), used);
            if (++calls % 2) buffer = std::string();  // go on in a new buffer now and then
        }, opt);
    } catch (const demfmt::Error& e) {
        s.error = e.what();
    }
    return s;
}

// Entity updates whose bytes read differently in each protocol, between
// serverinfo and version messages that switch it.
std::string protocol_switching_demo() {
    std::vector<Block> blocks;
    const std::pair<std::int32_t, std::uint32_t> levels[] = {{15, 0}, {999, 0x10}, {666, 0}, {999, 0x08 | 0x02}, {15, 0}};
    for (const auto& [protocol, flags] : levels) {
        blocks.push_back({serverinfo(protocol, flags)});
        for (int i = 0; i < 40; ++i) {
            Bytes b;
            b.u8(7).f32(static_cast<float>(i));
            b.u8(0x80 | 0x02 | 0x10).u8(5).u32(0x41200000u + static_cast<std::uint32_t>(i)).u32(0x3f800000u);
            b.u8(0x81).u8(0x80).u8(0x01).u8(9).u8(200);  // a third flag byte only in 666 and 999
            if (i == 20) b.u8(4).u32(protocol == 15 ? 666 : 15);  // version switches mid-level
            blocks.push_back({b.s});
        }
    }
    return make_demo(blocks);
}

// A version message in every block, switching between 15 and 666, before
// an update that reads one byte more in 666: a worker that starts from the
// wrong protocol writes another text, and with several ranges in flight it
// often does.
std::string alternating_demo() {
    std::vector<Block> blocks{{serverinfo(15)}};
    for (int i = 0; i < 400; ++i) {
        Bytes b;
        b.u8(0x81).u8(0x80).u8(0x01).u8(9).u8(200).u8(1);  // before: the protocol the last block left
        b.u8(4).u32(i % 2 ? 666 : 15);
        blocks.push_back({b.s});
    }
    return make_demo(blocks);
}

TEST(ParallelFormat, TheTextIsTheOneThreadText) {
    std::vector<std::pair<std::string, std::string>> demos;
    const bool real = std::filesystem::exists(clipvex::test::DemoFolder());
    for (const char* name : kFixtures) {
        if (real) demos.emplace_back(name, demfmt::read_file(clipvex::test::DemoFixture(std::string(name) + ".dem")));
    }
    demos.emplace_back("protocol switches", protocol_switching_demo());
    demos.emplace_back("a switch in every block", alternating_demo());
    for (const auto& [name, demo] : demos) {
        const demfmt::DumpResult one = demfmt::demo_to_dump(demo);
        for (std::size_t range : {std::size_t{1}, std::size_t{200}, std::size_t{5000}, std::size_t{1} << 20}) {
            for (unsigned threads : {2u, 3u}) {
                // Guessing, and starting every range in protocol 15 so that
                // every range of a 666 or 999 demo starts wrong.
                for (bool guess : {true, false}) {
                    Streamed s = streamed(demo, threads, range, false, guess);
                    EXPECT_EQ(s.error, "") << name;
                    EXPECT_TRUE(s.text == one.text)
                        << name << " range " << range << " threads " << threads << " guess " << guess;
                    EXPECT_EQ(s.warnings, one.warnings) << name;
                }
            }
        }
    }
    // The hand-made demos ran; the real ones need their folder.
    CLIPVEX_NEED_FIXTURES(clipvex::test::DemoFolder());
}

// Raw-kept bytes in several blocks: salvaged, the warnings come in block
// order; refused, the first damaged block is the one named.
TEST(ParallelFormat, WarningsInOrderAndTheFirstErrorWins) {
    std::vector<Block> blocks;
    for (int i = 0; i < 300; ++i) {
        Bytes b;
        b.u8(7).f32(static_cast<float>(i) / 10);
        if (i == 120 || i == 121 || i == 250) b.u8(60).u8(static_cast<unsigned>(i));  // unknown message id
        blocks.push_back({b.s});
    }
    const std::string demo = make_demo(blocks);
    const demfmt::DumpResult one = demfmt::demo_to_dump(demo);
    ASSERT_EQ(one.warnings.size(), 3u);
    Streamed salvaged = streamed(demo, 2, 64);
    EXPECT_EQ(salvaged.warnings, one.warnings);
    EXPECT_TRUE(salvaged.text == one.text);

    for (bool guess : {true, false}) {
        Streamed refused = streamed(demo, 2, 64, true, guess);
        EXPECT_EQ(refused.error, "block 121: unknown message id 60 at offset 5 (--salvage would keep the block's "
                                 "last 2 bytes raw)");
    }
}

}  // namespace
