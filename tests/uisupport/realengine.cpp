#include "uisupport/realengine.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "support/testsupport.h"

namespace clipvex::test {

std::vector<Lines> BlocksOfDump(const std::string& text, TimeLines times) {
  std::vector<Lines> blocks;
  bool inside = false;
  for (std::string& line : SplitLines(text)) {
    if (line == "block {") {
      inside = true;
      blocks.emplace_back();
    }
    if (!inside || line.rfind("//", 0) == 0) continue;
    if (times == TimeLines::kMasked && line.rfind(" time ", 0) == 0) line = " time *";
    blocks.back().push_back(line);
    if (line == "}") inside = false;
  }
  return blocks;
}

std::vector<Lines> BlocksOfDemo(const std::string& demo, const std::string& work, TimeLines times) {
  const std::string dump = work + "check.txt";
  const std::string cmd = std::string("'") + LMPC_PATH + "' -s -f '" + demo + "' '" + dump + "'";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  return BlocksOfDump(ReadFile(dump), times);
}

std::string Verdict(const std::string& demo) {
  const std::string cmd = "ORACLE_STANDINS=1 bash '" + OracleScript() + "' '" + demo + "'";
  std::string out;
  if (FILE* pipe = popen(cmd.c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    pclose(pipe);
  }
  std::printf("%s", out.c_str());
  return out;
}

}  // namespace clipvex::test
