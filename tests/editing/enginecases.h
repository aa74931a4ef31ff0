// Edits of a real demo that a real engine once refused to play to its end:
// the medusa recording (two levels) reversed over blocks that have no time
// line, and sped up across a stretch of its first level.
#pragma once

#include <string>
#include <vector>

#include "effects/speed.h"
#include "document/demotime.h"
#include "editingtesthelpers.h"
#include "support/fixturedemo.h"

namespace clipvex::test {

struct EngineCase {
  const char* name;
  std::int32_t in, out;
  EditStep::Function edit;
};

inline const char* const kEngineCaseDemo = "p666_medusa_start_2levels.dem";

inline std::vector<EngineCase> EngineCases() {
  return {
      {"Reverse 300 to 1500, one block per frame", 300, 1500, ReverseAt(1)},
      {"Change Speed 300 % constant on 100 to 2000", 100, 2000,
       [](StripEdit& e) {
         ChangeSpeed(e, SpeedInput{"100", "2000", "300", SpeedMode::Constant});
       }},
  };
}

// Runs a case on the demo as opened into `h`; whether the demo changed.
inline bool RunEngineCase(EditHarness& h, const EngineCase& c) {
  h.strip.inMark = c.in;
  h.strip.outMark = c.out;
  return h.Run(c.name, c.edit);
}

}  // namespace clipvex::test
