#include "document/textfile.h"

#include <gtest/gtest.h>

#include "document/dumptext.h"
#include "document/error.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;
using test::WriteFile;

std::vector<std::string> ReadAll(const std::string& path, std::vector<unsigned>* braces = nullptr) {
  LineReader reader(path);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) {
    lines.emplace_back(line);
    if (braces) braces->push_back(reader.Braces());
  }
  EXPECT_TRUE(reader.AtEnd());
  return lines;
}

TEST(LineReader, LineEndsAndBracesAcrossBufferRefills) {
  TempDir dir;
  std::string path = dir.File("t.txt");
  // Lines of every length around the 16-byte scan step, a line longer than
  // the read buffer, CR LF split by a refill and a last line without an end.
  std::vector<std::string> expected;
  std::string bytes;
  for (int len = 0; len < 40; ++len) {
    std::string l(static_cast<std::size_t>(len), 'a');
    if (len > 3) l[static_cast<std::size_t>(len) - 2] = (len % 2) ? '{' : '}';
    expected.push_back(l);
    bytes += l + ((len % 3) ? "\n" : "\r\n");
  }
  std::string huge(3 << 20, 'x');
  huge[100] = '}';
  expected.push_back(huge);
  bytes += huge + "\n";
  // Many short CR LF lines, so that refills fall inside them at many offsets.
  for (int i = 0; i < 300000; ++i) {
    expected.push_back(std::string(static_cast<std::size_t>(i % 7), 'p'));
    bytes += expected.back() + "\r\n";
  }
  expected.emplace_back("{crlf");
  bytes += "{crlf\r\n";
  expected.emplace_back("last");
  bytes += "last";
  WriteFile(path, bytes);
  std::vector<unsigned> braces;
  std::vector<std::string> got = ReadAll(path, &braces);
  ASSERT_EQ(got.size(), expected.size());
  for (std::size_t i = 0; i < got.size(); ++i) {
    ASSERT_EQ(got[i], expected[i]) << i;
    unsigned want = (expected[i].find('{') != std::string::npos ? LineReader::kOpenBrace : 0) |
                    (expected[i].find('}') != std::string::npos ? LineReader::kCloseBrace : 0);
    ASSERT_EQ(braces[i], want) << i;
  }
}

TEST(LineReader, EmptyFilesAndLoneLineEnds) {
  TempDir dir;
  WriteFile(dir.File("empty"), "");
  EXPECT_TRUE(ReadAll(dir.File("empty")).empty());
  WriteFile(dir.File("nl"), "\n\n");
  EXPECT_EQ(ReadAll(dir.File("nl")), (std::vector<std::string>{"", ""}));
  WriteFile(dir.File("zero"), std::string("a\0b\n", 4));
  EXPECT_EQ(ReadAll(dir.File("zero")), std::vector<std::string>{std::string("a\0b", 3)});
}

// A block read across refills of the buffer keeps every line, with blocks
// of more than the buffer's size too.
TEST(LineReader, BlocksSpanningRefillsParseIntact) {
  TempDir dir;
  std::string dump = "track -1;\n";
  std::vector<std::vector<std::string>> blocks;
  for (int b = 0; b < 3000; ++b) {
    std::vector<std::string> lines = {"block {", " camera 1 2 3;"};
    int count = b == 1500 ? 40000 : 5 + b % 30;
    for (int i = 0; i < count; ++i)
      lines.push_back(" line " + std::to_string(b) + " " + std::to_string(i) + std::string(b % 50, '.'));
    lines.emplace_back("}");
    for (const auto& l : lines) dump += l + "\n";
    blocks.push_back(lines);
  }
  WriteFile(dir.File("big.out"), dump);
  test::RecordingNotifier notifier;
  TDemFile demo;
  ParseDump(dir.File("big.out"), dir.File("none.dem"), demo, notifier);
  ASSERT_EQ(demo.Blocks.size(), blocks.size() + 1);
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    std::vector<std::string> got = demo.Blocks[b + 1]->Lines();
    got.pop_back();                          // duration comment
    if (b == 2) got.erase(got.begin() + 3);  // console reset line
    ASSERT_EQ(got, blocks[b]) << b;
  }
}

}  // namespace
}  // namespace clipvex
