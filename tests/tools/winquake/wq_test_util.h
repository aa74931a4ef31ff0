// Helpers of the preview game's tests: demos written as dump text and
// compiled by the converter's library, so every test demo is a real .dem.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "demfmt/demfmt.h"
#include "demo.h"

namespace wq_test {

// One block of dump text: its message lines without the block braces or
// the camera line (each a full line such as " time 1.5s;").
struct TestBlock {
  std::vector<std::string> lines;
  std::string camera = "0 0 0";
};

inline std::string DumpOf(const std::vector<TestBlock>& blocks) {
  std::string text = "track \"-1\";\n";
  for (const TestBlock& b : blocks) {
    text += "block {\n camera " + b.camera + ";\n";
    for (const std::string& line : b.lines) text += line + "\n";
    text += "}\n";
  }
  return text;
}

// Demo bytes of the blocks (the converter refuses malformed lines).
inline std::string DemoOf(const std::vector<TestBlock>& blocks) { return demfmt::dump_to_demo(DumpOf(blocks)); }

inline winquake::Demo LoadOrFail(const std::string& bytes) {
  std::string error;
  std::optional<winquake::Demo> d = winquake::LoadDemoBytes(bytes, error);
  EXPECT_TRUE(d.has_value()) << error;
  return d ? std::move(*d) : winquake::Demo();
}

// The signon a level starts with: a serverinfo with a world, a player and a
// soldier model, the view on entity 1, baselines of the player (1) and a
// soldier (2).
inline TestBlock Signon() {
  return TestBlock{{" serverinfo 15 maxclients 1 gametype 0 level \"Test Level\";",
                    " precache_model \"maps/test.bsp\";",
                    " precache_model \"progs/player.mdl\";",
                    " precache_model \"progs/soldier.mdl\";",
                    " precache_model \"progs/armor.mdl\";",
                    " setview 1;",
                    " spawnbaseline 1 model 2 frame 0 colormap 1 skin 0 origin 0 0 0 angles 0 0 0;",
                    " spawnbaseline 2 model 3 frame 0 colormap 0 skin 0 origin 256 0 0 angles 0 0 0;"}};
}

// A game frame at time `t` with the player at the origin and the soldier
// `ahead` units in front of it.
inline TestBlock FrameAt(double t, double ahead = 256) {
  char buf[160];
  std::snprintf(buf, sizeof buf, " time %.9fs;", t);
  TestBlock b{{buf, " entity 1 0x8e x 0 y 0 z 0;"}};
  std::snprintf(buf, sizeof buf, " entity 2 0x82 x %g;", ahead);
  b.lines.push_back(buf);
  return b;
}

inline bool Contains(std::string_view hay, std::string_view needle) { return hay.find(needle) != std::string_view::npos; }

}  // namespace wq_test
