#include "document/dumptext.h"

#include <gtest/gtest.h>

#include "document/error.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::JoinLines;
using test::ReadFile;
using test::RecordingNotifier;
using test::TempDir;
using test::WriteFile;

std::vector<std::string> LeadingBlocks() {
  return {"block {", " camera 0 0 0;", " serverinfo;", "}",  //
          "block {", " camera 0 0 0;", " signon 1;",   "}",  //
          "block {", " camera 0 0 0;", " signon 2;",   " signon 3;", "}"};
}

std::vector<std::string> Frame(const std::string& time, const std::string& extra = " print \"hi\";") {
  return {"block {", " camera 1 2 3;", " time " + time + ";", extra, "}"};
}

struct Parsed {
  TDemFile demo;
  RecordingNotifier notifier;
};

class DumpTextTest : public ::testing::Test {
 protected:
  std::unique_ptr<Parsed> Parse(const std::vector<std::vector<std::string>>& parts, std::string_view eol = "\n") {
    std::vector<std::string> lines;
    for (const auto& part : parts) lines.insert(lines.end(), part.begin(), part.end());
    WriteFile(dump_, JoinLines(lines, eol));
    auto p = std::make_unique<Parsed>();
    ParseDump(dump_, demo_, p->demo, p->notifier);
    return p;
  }
  std::string DurationOfBlock(const TDemFile& d, std::size_t index) { return std::string(d.Blocks[index]->Last()); }

  TempDir dir_;
  std::string dump_ = dir_.File("tempfilm.out");
  std::string demo_ = dir_.File("demo.dem");
};

TEST_F(DumpTextTest, SplitsIntoHeaderEntryAndBlocksWithDurationComments) {
  WriteFile(demo_, std::string(1500, 'x'));
  auto p = Parse({{"// made by hand", "track -1;", "dropped before the first record"},
                  LeadingBlocks(),
                  {"junk"},
                  Frame("0.400000000s"),
                  Frame("0.500000000s")});
  const TDemFile& d = p->demo;
  EXPECT_TRUE(p->notifier.errors.empty());
  EXPECT_EQ(d.Header, "track -1;");
  ASSERT_EQ(d.Blocks.size(), 6u);
  EXPECT_EQ(d.Blocks[0]->Lines(), std::vector<std::string>{"track -1;"});
  EXPECT_EQ(d.Blocks[1]->Lines(),
            (std::vector<std::string>{"block {", " camera 0 0 0;", " serverinfo;", "}", "// 0.0500000000000114"}));
  // The console reset line goes into leading block 3 as its fourth line.
  EXPECT_EQ((*d.Blocks[3])[3], kConsoleResetLine);
  EXPECT_EQ((*d.Blocks[3])[4], " signon 3;");
  EXPECT_EQ(DurationOfBlock(d, 4), "// 0.400000000000091");
  // 0.5 minus 0.4 as stored (0.400000000000091 above); the difference is exact in 48 bits.
  EXPECT_EQ(DurationOfBlock(d, 5), "// 0.0999999999999091");
}

TEST_F(DumpTextTest, DurationRules) {
  auto p = Parse({{"track 2;"},
                  LeadingBlocks(),
                  Frame("12.000000000s"),                                     // first gap from 0 is over a second
                  Frame("13.000000000s"),                                     // exactly one second stays
                  Frame("14.000100000s"),                                     // just over a second
                  {"block {", " camera 0 0 0;", " print \"no time\";", "}"},  // repeats the last duration
                  Frame("13.500000000s"),                                     // time going back stays negative
                  {"block {", " camera;", " time 14.000000000s;", " time 14.250000000s;", "}"}});
  const TDemFile& d = p->demo;
  ASSERT_EQ(d.Blocks.size(), 10u);
  EXPECT_EQ(DurationOfBlock(d, 1), "// 0.0500000000000114");  // before any time line
  EXPECT_EQ(DurationOfBlock(d, 4), "// 0.0500000000000114");
  EXPECT_EQ(DurationOfBlock(d, 5), "// 1");
  EXPECT_EQ(DurationOfBlock(d, 6), "// 0.0500000000000114");
  EXPECT_EQ(DurationOfBlock(d, 7), "// 0.0500000000000114");
  // 13.5 minus 14.0001 as stored (4.75E-12 above it); the difference is exact in 48 bits.
  EXPECT_EQ(DurationOfBlock(d, 8), "// -0.50010000000475");
  EXPECT_EQ(DurationOfBlock(d, 9), "// 0.25");
}

TEST_F(DumpTextTest, BraceCountingIsPerLineAndIgnoresQuotes) {
  auto p = Parse({{"track -1;"},
                  LeadingBlocks(),
                  {"block {", " camera;", " { {", " nested };", "}", " print \"}\";", " still inside;", "}"},
                  {"block {", " camera;", " print \"}\";", " left over;", "}"}});
  const TDemFile& d = p->demo;
  ASSERT_EQ(d.Blocks.size(), 6u);
  // A line with both braces leaves the depth as it is; a quoted brace counts.
  EXPECT_EQ(d.Blocks[4]->Count(), 6u);
  EXPECT_EQ((*d.Blocks[4])[4], "}");
  EXPECT_EQ((*d.Blocks[5])[2], " print \"}\";");
  EXPECT_EQ(d.Blocks[5]->Count(), 4u);
}

TEST_F(DumpTextTest, EndOfFileInsideABlockKeepsItAndReports) {
  auto p = Parse({{"track -1;"}, LeadingBlocks(), {"block {", " camera;", " time 0.200000000s;"}});
  ASSERT_EQ(p->demo.Blocks.size(), 5u);
  EXPECT_EQ(p->notifier.errors, std::vector<std::string>{"Error parsing input file"});
  EXPECT_EQ(p->demo.Blocks[4]->Lines(),
            (std::vector<std::string>{"block {", " camera;", " time 0.200000000s;", "// 0.200000000000045"}));
}

TEST_F(DumpTextTest, BlockLineAsTheLastLineIsDropped) {
  auto p = Parse({{"track -1;"}, LeadingBlocks(), {"block {"}});
  EXPECT_EQ(p->demo.Blocks.size(), 4u);
  EXPECT_TRUE(p->notifier.errors.empty());
}

TEST_F(DumpTextTest, TheResetLineIsInsertedOnlyWhereItIsNotAlready) {
  const std::string reset(kConsoleResetLine);
  auto count = [&reset](const TDemFile& d) {
    std::size_t n = 0;
    for (const BlockPtr& block : d.Blocks) {
      for (std::size_t i = 0; i < block->Count(); ++i) n += (*block)[i] == reset;
    }
    return n;
  };
  // Already the fourth line of block 3, as in a demo the editor saved: kept once.
  auto saved = Parse({{"track -1;"},
                      {"block {", " camera;", " serverinfo;", "}", "block {", " camera;", " signon 1;", "}"},
                      {"block {", " camera;", " time 0.100000000s;", reset, " signon 3;", "}"},
                      Frame("0.200000000s")});
  EXPECT_EQ(count(saved->demo), 1u);
  EXPECT_EQ((*saved->demo.Blocks[3])[3], reset);
  EXPECT_EQ((*saved->demo.Blocks[3])[4], " signon 3;");

  // Anywhere else it does not count: block 3 still gets its own.
  auto elsewhere = Parse({{"track -1;"},
                          {"block {", " camera;", reset, "}", "block {", " camera;", " signon 1;", "}"},
                          {"block {", " camera;", " signon 2;", " signon 3;", reset, "}"}});
  EXPECT_EQ(count(elsewhere->demo), 3u);
  EXPECT_EQ((*elsewhere->demo.Blocks[3])[3], reset);
  EXPECT_EQ((*elsewhere->demo.Blocks[3])[4], " signon 3;");

  // A block 3 of two lines has its duration comment as line 2: the reset
  // line goes after it.
  auto shortest = Parse({{"track -1;"}, {"block {", "}", "block {", "}", "block {", "}"}});
  EXPECT_EQ(shortest->demo.Blocks[3]->Lines(),
            (std::vector<std::string>{"block {", "}", "// 0.0500000000000114", reset}));
}

TEST_F(DumpTextTest, CrLfLinesReadLikeLfLines) {
  auto lf = Parse({{"track -1;"}, LeadingBlocks(), Frame("0.100000000s")}, "\n");
  auto crlf = Parse({{"track -1;"}, LeadingBlocks(), Frame("0.100000000s")}, "\r\n");
  ASSERT_EQ(lf->demo.Blocks.size(), crlf->demo.Blocks.size());
  for (std::size_t i = 0; i < lf->demo.Blocks.size(); ++i) EXPECT_EQ(*lf->demo.Blocks[i], *crlf->demo.Blocks[i]);
}

TEST_F(DumpTextTest, FailuresLeaveNoDemo) {
  RecordingNotifier notifier;
  TDemFile demo;
  // No header line: the error names the file.
  WriteFile(dump_, "block {\n camera;\n}\n");
  try {
    ParseDump(dump_, demo_, demo, notifier);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_NE(std::string(e.what()).find(dump_), std::string::npos) << e.what();
  }
  EXPECT_FALSE(demo.HasBlocks());

  // No block at all: reported, then the console reset line has nowhere to go.
  WriteFile(dump_, "track -1;\nnothing here\n");
  try {
    ParseDump(dump_, demo_, demo, notifier);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds");
  }
  EXPECT_EQ(notifier.errors, std::vector<std::string>{"Error parsing input file"});
  EXPECT_FALSE(demo.HasBlocks());

  // Only two blocks: there is no block 3.
  WriteFile(dump_, "track;\nblock {\n}\nblock {\n}\n");
  EXPECT_THROW(ParseDump(dump_, demo_, demo, notifier), ClipvexError);
  EXPECT_FALSE(demo.HasBlocks());

  // A time value that does not convert.
  WriteFile(dump_, JoinLines({"track -1;", "block {", " time 1.5s;", "}"}));
  try {
    ParseDump(dump_, demo_, demo, notifier);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "' 1.5s;' is not a valid floating point value");
  }
  EXPECT_FALSE(demo.HasBlocks());

  try {
    ParseDump(dir_.File("missing.out"), demo_, demo, notifier);
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  EXPECT_THROW(ParseDump(dir_.Path(), demo_, demo, notifier), ClipvexError);
}

TEST_F(DumpTextTest, WriteGivesBackEveryLineReadPlusCommentsAndResetLine) {
  std::vector<std::string> lines = {"track -1;"};
  for (const auto& part : {LeadingBlocks(), Frame("0.100000000s", " centerprint \"\\x7b\\x7d \xff\";"),
                           Frame("0.150000000s"), std::vector<std::string>{"block {", " disconnect;", "}"}}) {
    lines.insert(lines.end(), part.begin(), part.end());
  }
  auto p = Parse({lines});
  std::string out = dir_.File("out.txt");
  WriteDump(p->demo, out);
  std::vector<std::string> expected = lines;
  // Comments after each block, the reset line in block 3.
  std::vector<std::string> withExtras = {"track -1;"};
  std::size_t block = 0;
  for (std::size_t i = 1; i < expected.size(); ++i) {
    withExtras.push_back(expected[i]);
    if (block == 2 && expected[i] == " signon 2;") withExtras.push_back(std::string(kConsoleResetLine));
    if (expected[i] == "}") {
      withExtras.push_back(std::string(p->demo.Blocks[block + 1]->Last()));
      ++block;
    }
  }
  EXPECT_EQ(ReadFile(out), JoinLines(withExtras, "\r\n"));

  // Writing again over an existing file replaces it.
  WriteDump(p->demo, out);
  EXPECT_EQ(ReadFile(out), JoinLines(withExtras, "\r\n"));
}

TEST_F(DumpTextTest, NewDemoWritesEmptyLinesThenTheClosingBlock) {
  TDemFile demo;
  for (int i = 0; i < 4; ++i) demo.Blocks.push_back(std::make_shared<Block>(Block{""}));
  demo.Blocks.push_back(MakeClosingBlock());
  std::string out = dir_.File("new.txt");
  WriteDump(demo, out);
  EXPECT_EQ(ReadFile(out),
            "\r\n\r\n\r\n\r\nblock {\r\n camera 0.000000000 0.000000000 0.000000000;\r\n"
            " disconnect;\r\n}\r\n");
}

TEST_F(DumpTextTest, WriteErrorsAreFileErrors) {
  TDemFile demo;
  demo.Blocks.push_back(std::make_shared<Block>(Block{""}));
  try {
    WriteDump(demo, dir_.File("no/such/folder.txt"));
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "File not found");
  }
  try {
    WriteDump(demo, dir_.Path());
    FAIL();
  } catch (const ClipvexError& e) {
    EXPECT_STREQ(e.what(), "File access denied");
  }
  if (test::FileExists("/dev/full")) {
    demo.Blocks.push_back(std::make_shared<Block>(Block{std::string(3 << 20, 'x')}));
    try {
      WriteDump(demo, "/dev/full");
      FAIL();
    } catch (const ClipvexError& e) {
      EXPECT_STREQ(e.what(), "Disk full");
    }
  }
}

}  // namespace
}  // namespace clipvex
