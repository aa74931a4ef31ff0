#include "dem_walk.h"
#include "demogen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "support/fixtures.h"

namespace fs = std::filesystem;
using clipvex::demogen::generate;
using clipvex::demogen::Options;

namespace {

constexpr int kSvcTime = 7, kSvcPrint = 8, kSvcStuffText = 9, kSvcServerInfo = 11, kSvcLightStyle = 12,
              kSvcClientData = 15, kSvcSpawnBaseline = 22, kSvcTempEntity = 23, kSvcCenterPrint = 26,
              kSvcIntermission = 30, kSvcSound = 6, kSvcDisconnect = 2, kEntityUpdate = 0x80;

Options opts(std::uint64_t blocks, std::uint64_t seed = 1, std::string map = "start") {
    Options o;
    o.blocks = blocks;
    o.seed = seed;
    o.map = std::move(map);
    return o;
}

double angle_step(float a, float b) {
    double d = std::fmod(double(b) - double(a), 360.0);
    if (d > 180) d -= 360;
    if (d < -180) d += 360;
    return std::fabs(d);
}

// Every structural property a generated demo must have, for any options.
void expect_well_formed(const std::vector<std::uint8_t>& file, const std::string& map) {
    const demowalk::Walk w = demowalk::walk(file);
    ASSERT_TRUE(w.ok()) << w.error;
    EXPECT_EQ(w.track_line, "-1");
    EXPECT_EQ(w.end_offset, file.size()) << "framing does not end exactly at the end of the file";
    ASSERT_GE(w.blocks.size(), clipvex::demogen::kMinBlocks);

    EXPECT_EQ(w.protocol, 15);
    EXPECT_EQ(w.maxclients, 1);
    ASSERT_FALSE(w.models.empty());
    EXPECT_EQ(w.models.front(), "maps/" + map + ".bsp");

    // Signon: serverinfo and stage 1, baselines and stage 2, light styles and stage 3.
    EXPECT_EQ(w.blocks[0].ids.front(), kSvcPrint);
    EXPECT_EQ(w.blocks[0].ids[1], kSvcServerInfo);
    EXPECT_EQ(w.blocks[0].signons, std::vector<int>{1});
    EXPECT_EQ(w.blocks[1].signons, std::vector<int>{2});
    EXPECT_GE(std::count(w.blocks[1].ids.begin(), w.blocks[1].ids.end(), kSvcSpawnBaseline), 2);
    EXPECT_EQ(w.blocks[2].signons, std::vector<int>{3});
    EXPECT_EQ(std::count(w.blocks[2].ids.begin(), w.blocks[2].ids.end(), kSvcLightStyle), 64);
    EXPECT_EQ(w.blocks[2].ids.front(), kSvcTime);
    EXPECT_EQ(w.blocks[2].ids.back(), 25);
    for (std::size_t i = 3; i < w.blocks.size(); ++i)
        EXPECT_TRUE(w.blocks[i].signons.empty()) << "signon message in game block " << i;

    // Game frames: time first and strictly increasing, client data, the camera entity.
    float last_time = *w.blocks[2].time;
    const std::size_t last = w.blocks.size() - 1;
    for (std::size_t i = 3; i < last; ++i) {
        const auto& b = w.blocks[i];
        ASSERT_EQ(b.ids.front(), kSvcTime) << "block " << i;
        EXPECT_GT(*b.time, last_time) << "block " << i;
        last_time = *b.time;
        EXPECT_EQ(std::count(b.ids.begin(), b.ids.end(), kSvcClientData), 1) << "block " << i;
        EXPECT_TRUE(b.origins.count(1)) << "the camera entity is missing from block " << i;
        EXPECT_LE(b.length, 8000u);
    }
    // The final block is a lone disconnect.
    EXPECT_EQ(w.blocks[last].length, 1u);
    EXPECT_EQ(w.blocks[last].ids, std::vector<int>{kSvcDisconnect});
    EXPECT_EQ(w.count(kSvcDisconnect), 1u);

    // One intermission, in the last 31 game frames.
    EXPECT_EQ(w.count(kSvcIntermission), 1u);
    std::size_t at = 0;
    for (std::size_t i = 0; i < w.blocks.size(); ++i)
        if (std::count(w.blocks[i].ids.begin(), w.blocks[i].ids.end(), kSvcIntermission)) at = i;
    EXPECT_GE(at, 3u);
    EXPECT_LE(last - at, 31u);
}

std::vector<std::uint8_t> read_file(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(DemogenStructure, DefaultDemoWalksCleanlyForEveryKnownMap) {
    for (const char* map : {"start", "e1m1", "medusa", "swampy", "e0m3", "e4m2", "dm6"}) {
        SCOPED_TRACE(map);
        expect_well_formed(generate(opts(600, 3, map)), map);
    }
}

TEST(DemogenStructure, ManySeedsAndSmallSizesStayValid) {
    for (std::uint64_t seed : {0ULL, 1ULL, 2ULL, 99ULL, 18446744073709551615ULL}) {
        for (std::uint64_t blocks : {5ULL, 6ULL, 13ULL, 2000ULL}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + " blocks " + std::to_string(blocks));
            auto file = generate(opts(blocks, seed));
            expect_well_formed(file, "start");
            EXPECT_EQ(demowalk::walk(file).blocks.size(), blocks);
        }
    }
}

TEST(DemogenStructure, PrecachedModelsExistInTheGameData) {
    const fs::path id1 = fs::path(clipvex::test::GameDataFolder()) / "id1";
    CLIPVEX_NEED_FIXTURES(id1.string());
    for (const char* map : {"start", "e1m1"}) {
        auto w = demowalk::walk(generate(opts(50, 1, map)));
        ASSERT_TRUE(w.ok()) << w.error;
        for (const auto& m : w.models) {
            EXPECT_NE(m[0], '*') << "brush submodels are not used";
            EXPECT_TRUE(fs::exists(id1 / m)) << m << " is not in the game data";
        }
    }
}

TEST(DemogenContent, FramesCarryEventsAndMoveSmoothly) {
    auto w = demowalk::walk(generate(opts(600, 5, "e1m1")));
    ASSERT_TRUE(w.ok()) << w.error;
    EXPECT_GT(w.count(kSvcPrint), 2u);
    EXPECT_GT(w.count(kSvcCenterPrint), 0u);
    EXPECT_GT(w.count(kSvcSound), 2u);
    EXPECT_GT(w.count(kSvcTempEntity), 2u);
    EXPECT_GT(w.count(kSvcStuffText), 1u);
    EXPECT_GE(w.count(kEntityUpdate), 4u * 590u);  // the camera plus models in every frame

    const std::size_t last = w.blocks.size() - 1;
    std::array<double, 3> prev = w.blocks[3].origins.at(1);
    double travelled = 0;
    for (std::size_t i = 4; i < last; ++i) {
        const auto& a = w.blocks[i - 1].angles;
        const auto& b = w.blocks[i].angles;
        for (int k = 0; k < 3; ++k) EXPECT_LE(angle_step(a[std::size_t(k)], b[std::size_t(k)]), 20.0) << "block " << i;
        const auto& o = w.blocks[i].origins.at(1);
        double step = std::hypot(o[0] - prev[0], o[1] - prev[1], o[2] - prev[2]);
        EXPECT_LE(step, 40.0) << "camera jumps in block " << i;
        travelled += step;
        prev = o;
        const float dt = *w.blocks[i].time - *w.blocks[i - 1].time;
        EXPECT_NEAR(dt, clipvex::demogen::kFrameSeconds, 0.01);
    }
    EXPECT_GT(travelled, 1000.0) << "the camera hardly moves";
}

TEST(DemogenDeterminism, SeedAndMapDecideTheBytes) {
    const auto a = generate(opts(400, 42));
    EXPECT_EQ(a, generate(opts(400, 42)));
    EXPECT_NE(a, generate(opts(400, 43)));
    EXPECT_NE(a, generate(opts(400, 42, "e1m1")));

    Options mb;
    mb.target_bytes = 300'000;
    mb.seed = 9;
    EXPECT_EQ(generate(mb), generate(mb));
}

TEST(DemogenSize, MegabytesLandWithinFivePercent) {
    for (std::uint64_t target : {20'000ULL, 1'000'000ULL, 7'500'000ULL}) {
        SCOPED_TRACE(target);
        Options o;
        o.target_bytes = target;
        o.map = "medusa";
        auto file = generate(o);
        EXPECT_NEAR(double(file.size()), double(target), 0.05 * double(target));
        expect_well_formed(file, "medusa");
    }
}

TEST(DemogenOptions, RejectsWhatCannotBeGenerated) {
    EXPECT_THROW(generate(opts(4)), std::invalid_argument);
    EXPECT_THROW(generate(opts(600, 1, "")), std::invalid_argument);
    EXPECT_THROW(generate(opts(600, 1, "../start")), std::invalid_argument);
    EXPECT_THROW(generate(opts(600, 1, std::string(55, 'a'))), std::invalid_argument);
    EXPECT_NO_THROW(generate(opts(600, 1, std::string(54, 'a'))));
}

TEST(DemogenCommandLine, ParsesOptionsAndRejectsBadUsage) {
    using clipvex::demogen::parse_command_line;
    std::string error;
    auto cl = parse_command_line({"--blocks", "77", "--seed", "5", "--map", "e1m1", "out.dem"}, error);
    ASSERT_TRUE(cl) << error;
    EXPECT_EQ(cl->options.blocks, 77u);
    EXPECT_EQ(cl->options.seed, 5u);
    EXPECT_EQ(cl->options.map, "e1m1");
    EXPECT_EQ(cl->output, "out.dem");

    cl = parse_command_line({"--megabytes", "2.5", "x.dem"}, error);
    ASSERT_TRUE(cl) << error;
    EXPECT_EQ(cl->options.target_bytes, 2'500'000u);

    cl = parse_command_line({"--help"}, error);
    ASSERT_TRUE(cl);
    EXPECT_TRUE(cl->help);

    const std::vector<std::vector<std::string>> bad = {
        {},                                          // no output
        {"--blocks", "10", "--megabytes", "1", "o.dem"},
        {"--blocks", "ten", "o.dem"},
        {"--blocks", "3", "o.dem"},
        {"--blocks", "-5", "o.dem"},
        {"--blocks", "5000001", "o.dem"},
        {"--megabytes", "0", "o.dem"},
        {"--megabytes", "400.5", "o.dem"},
        {"--megabytes", "nan", "o.dem"},
        {"--seed", "1.5", "o.dem"},
        {"--map", "a/b", "o.dem"},
        {"--frobnicate", "o.dem"},
        {"a.dem", "b.dem"},
        {"o.dem", "--seed"},
    };
    for (const auto& args : bad) {
        error.clear();
        EXPECT_FALSE(parse_command_line(args, error)) << testing::PrintToString(args);
        EXPECT_FALSE(error.empty());
    }
}

class DemogenProgram : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("demogen_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    static int run(const std::string& args) {
        const std::string cmd = std::string("\"") + DEMOGEN_EXE + "\" " + args + " >/dev/null 2>&1";
        int status = std::system(cmd.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    fs::path dir_;
};

TEST_F(DemogenProgram, BadUsageExitsTwoAndWritesNothing) {
    const fs::path out = dir_ / "bad.dem";
    for (const char* args : {"--blocks 2", "--blocks", "--megabytes -1", "--map ../x", "--bogus", "--seed x"}) {
        EXPECT_EQ(run(std::string(args) + " \"" + out.string() + "\""), 2) << args;
        EXPECT_TRUE(fs::is_empty(dir_)) << args;
    }
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--help"), 0);
}

TEST_F(DemogenProgram, WritesTheGeneratedBytesAndReplacesAnOldFile) {
    const fs::path out = dir_ / "demo.dem";
    { std::ofstream(out) << "old contents"; }
    ASSERT_EQ(run("--blocks 123 --seed 8 --map swampy \"" + out.string() + "\""), 0);
    EXPECT_EQ(read_file(out), generate(opts(123, 8, "swampy")));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1) << "temporary file left behind";
}

TEST_F(DemogenProgram, UnwritableTargetFailsWithoutLeavingFiles) {
    const fs::path out = dir_ / "missing-folder" / "demo.dem";
    EXPECT_EQ(run("--blocks 10 \"" + out.string() + "\""), 1);
    EXPECT_FALSE(fs::exists(dir_ / "missing-folder"));
}
