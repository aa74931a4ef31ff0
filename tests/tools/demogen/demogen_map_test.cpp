// A map without a hand-placed path is still generated, and the program says
// so, naming the maps that have one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "demogen.h"

namespace {

namespace fs = std::filesystem;
using namespace clipvex::demogen;

struct Outcome {
    int code;
    std::string err;
};

Outcome demogen(const std::string& args, const fs::path& dir) {
    const fs::path errf = dir / "stderr.txt";
    const std::string cmd = std::string("\"") + DEMOGEN_EXE + "\" " + args + " >/dev/null 2>\"" + errf.string() + "\"";
    const int status = std::system(cmd.c_str());
    std::ifstream in(errf);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1,
            std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
}

TEST(DemogenMaps, AnUnknownMapIsNamedWithTheKnownOnes) {
    const fs::path dir = fs::temp_directory_path() / ("demogen_map_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::vector<std::string> known = known_maps_with_paths();
    ASSERT_EQ(known, (std::vector<std::string>{"start", "e1m1", "medusa", "swampy", "e0m3", "e4m2"}));

    Outcome r = demogen("--blocks 20 --map dm6 \"" + (dir / "dm6.dem").string() + "\"", dir);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.err,
              "demogen: no hand-placed path for map 'dm6' (maps with one: start, e1m1, medusa, swampy, e0m3, e4m2); "
              "the camera circles the map's origin instead\n");
    EXPECT_TRUE(fs::exists(dir / "dm6.dem"));

    for (const std::string& map : known) {
        r = demogen("--blocks 20 --map " + map + " \"" + (dir / "known.dem").string() + "\"", dir);
        EXPECT_EQ(r.code, 0) << map;
        EXPECT_EQ(r.err, "") << map;
    }
    fs::remove_all(dir);
}

}  // namespace
