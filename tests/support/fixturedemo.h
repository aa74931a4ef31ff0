// Real demos opened the way the editor opens them (the converter's dump,
// the dump reader, retiming) and saved the way it saves them, with the
// converter library in the test process. Targets that use it link demfmt;
// a test that opens a real demo skips first without them:
// CLIPVEX_NEED_FIXTURES(test::DemoFolder()).
#pragma once

#include <string>

#include "demfmt/demfmt.h"
#include "document/block.h"
#include "document/dumptext.h"
#include "document/retime.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace clipvex::test {

// Opens a demo file (a real demo's name, or a path with a '/').
inline TDemFile OpenDemo(const std::string& nameOrPath) {
  const std::string path = nameOrPath.find('/') == std::string::npos ? DemoFixture(nameOrPath) : nameOrPath;
  TempDir dir;
  WriteFile(dir.File("tempfilm.out"), demfmt::demo_to_dump(demfmt::read_file(path)).text);
  TDemFile demo;
  RecordingNotifier notifier;
  ParseDump(dir.File("tempfilm.out"), path, demo, notifier);
  RetimeDemo(demo);
  return demo;
}

// Writes `demo` as a .dem file at `path`; raises demfmt::Error when the
// converter refuses the dump.
inline void SaveDemoFile(const TDemFile& demo, const std::string& path) {
  TempDir dir;
  WriteDump(demo, dir.File("tempfilm.out"));
  demfmt::write_file_atomic(path, demfmt::dump_to_demo(ReadFile(dir.File("tempfilm.out"))));
}

}  // namespace clipvex::test
