#include "editing/stuff.h"

#include <gtest/gtest.h>

#include "demfmt/demfmt.h"
#include "editingtesthelpers.h"

namespace clipvex {
namespace {

using test::EditHarness;
using test::MakeDemo;
using Strings = std::vector<std::string>;

// The bytes the game gets from `line` once the converter has compiled it:
// the string of the block's one message, or an error text.
std::string CompiledText(const std::string& line) {
  const std::string dump = "block {\n camera 0 0 0;\n" + line + "\n}\n";
  std::string demo;
  try {
    demo = demfmt::dump_to_demo(dump);
  } catch (const demfmt::Error& e) {
    return std::string("error: ") + e.what();
  }
  // Track line "-1\n", block size, three angles, then the message id and
  // its zero-terminated string.
  const std::size_t start = 3 + 4 + 12 + 1;
  if (demo.size() <= start) return "error: short demo";
  return std::string(demo.c_str() + start);
}

TEST(StuffLine, EachCommandWritesItsKindOfLine) {
  EXPECT_EQ(BuildStuffLine(StuffKind::Sound, "play "), R"( stufftext "play \n";)");
  EXPECT_EQ(BuildStuffLine(StuffKind::ConsoleCommand, "fov 90"), R"( stufftext "fov 90\n";)");
  EXPECT_EQ(BuildStuffLine(StuffKind::PrintMessage, "Hello"), R"( print "Hello\n";)");
  EXPECT_EQ(BuildStuffLine(StuffKind::CenterPrint, ""), R"( centerprint "\n";)");
}

TEST(StuffLine, TypedTextReachesTheGameAsTyped) {
  const struct {
    const char* typed;
    const char* written;  // between the quotes, before the closing \n
    const char* shown;    // what the game gets, before the closing new line
  } cases[] = {
      {"say \"hi\"", R"(say \"hi\")", "say \"hi\""},
      {"C:\\dir\\", R"(C:\\dir\\)", "C:\\dir\\"},
      {"one\\ntwo", R"(one\ntwo)", "one\ntwo"},
      {"\\x41 and \\t", R"(\\x41 and \\t)", "\\x41 and \\t"},
      {"{braces}", R"(\x7bbraces\x7d)", "{braces}"},
      {"tab\there", R"(tab\x09here)", "tab\there"},
      {"\"\";", R"(\"\";)", "\"\";"},
      {"caf\xe9", "caf\xe9", "caf\xe9"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    EXPECT_EQ(EscapeConsoleText(c.typed), c.written);
    const std::string line = BuildStuffLine(StuffKind::PrintMessage, c.typed);
    EXPECT_EQ(CompiledText(line), std::string(c.shown) + "\n");
  }
  EXPECT_EQ(EscapeConsoleText(std::string("a\0b", 3)), "ab") << "a zero byte cannot reach the game";
}

TEST(StuffState, TheLengthLimitLastsUntilACommandSetsAnother) {
  StuffState state;
  EXPECT_EQ(state.stuff_kind, StuffKind::Sound);
  EXPECT_EQ(state.maxLength, kNoLengthLimit);
  state.Choose(StuffKind::CenterPrint);
  EXPECT_EQ(state.maxLength, 80);
  state.Choose(StuffKind::ConsoleCommand);
  EXPECT_EQ(state.stuff_kind, StuffKind::ConsoleCommand);
  EXPECT_EQ(state.maxLength, 80);
  state.Choose(StuffKind::Sound);
  EXPECT_EQ(state.maxLength, 80);
  state.Choose(StuffKind::PrintMessage);
  EXPECT_EQ(state.maxLength, kNoLengthLimit);
  state.Choose(StuffKind::Sound);
  EXPECT_EQ(state.maxLength, kNoLengthLimit);

  EXPECT_STREQ(SetupOf(StuffKind::Sound).text, "play ");
  EXPECT_EQ(SetupOf(StuffKind::Sound).caret, 5);
  EXPECT_STREQ(SetupOf(StuffKind::PrintMessage).prompt, "Message to Print");
  EXPECT_STREQ(SetupOf(StuffKind::CenterPrint).prompt, "Message to Print");
  EXPECT_STREQ(SetupOf(StuffKind::ConsoleCommand).prompt, "Text to insert at console:");
  EXPECT_STREQ(SetupOf(StuffKind::ConsoleCommand).text, "");
}

TEST(InsertionLine, LineThreeButNeverPastTheClosingBrace) {
  EXPECT_EQ(InsertionLine(*test::LabelledBlock("x")), 3u);
  EXPECT_EQ(InsertionLine(Block{"block {", " camera 0 0 0;", " disconnect;", "}"}), 3u);
  EXPECT_EQ(InsertionLine(Block{"block {", " camera 0 0 0;", "}", "// 0.05"}), 2u);
  EXPECT_EQ(InsertionLine(Block{"block {", " camera 0 0 0;", "}"}), 2u);
  EXPECT_EQ(InsertionLine(Block{"block {", "}"}), 1u);
  EXPECT_EQ(InsertionLine(Block{"a", "b"}), 1u);
  EXPECT_EQ(InsertionLine(Block{"a"}), 0u);
  EXPECT_EQ(InsertionLine(Block{}), 0u);
  EXPECT_EQ(InsertionLine(Block{"a", "b", "c"}), 3u);
}

TEST(InsertText, GoesIntoTheBlockAtTheInMarkAheadOfEarlierInsertions) {
  EditHarness h(MakeDemo(3));  // B4 to B6, closing 7
  const auto insert = [](std::string line) { return [line](StripEdit& e) { InsertText(e, line); }; };
  EXPECT_TRUE(h.Run("Sound", insert(" stufftext \"play \\n\";")));
  EXPECT_TRUE(h.Run("Sound", insert(" print \"second\\n\";")));
  const Block& first = *h.strip.demo.Blocks[4];
  EXPECT_EQ(first.Count(), 8u);
  EXPECT_EQ(first[2], " time 0.200000000s;") << "lines 0 to 2 stay";
  EXPECT_EQ(first[3], " print \"second\\n\";");
  EXPECT_EQ(first[4], " stufftext \"play \\n\";");
  EXPECT_TRUE(h.feedback.words.empty()) << "no status words";
  EXPECT_TRUE(h.strip.timesRetimed) << "the time line did not move";

  h.strip.inMark = 6;
  EXPECT_TRUE(h.Run("Print Message", insert(" print \"six\\n\";")));
  EXPECT_EQ((*h.strip.demo.Blocks[6])[3], " print \"six\\n\";");

  // An in-mark past the end means the closing block.
  h.strip.inMark = 30;
  EXPECT_TRUE(h.Run("Console Command", insert(" stufftext \"end\\n\";")));
  EXPECT_EQ((*h.strip.demo.Blocks[7])[3], " stufftext \"end\\n\";");
  EXPECT_EQ(h.strip.inMark, 30);

  // A time line at index 3 that moves to 4 leaves RetimeDemo's reach.
  h.strip.demo.Blocks[5]->Delete(3);  // B5: block, camera, time, "}", comment
  h.strip.demo.Blocks[5]->Insert(1, " // note");
  ASSERT_EQ((*h.strip.demo.Blocks[5])[3], " time 0.300000000s;");
  h.strip.inMark = 5;
  EXPECT_TRUE(h.Run("Print Message", insert(" print \"x\\n\";")));
  EXPECT_FALSE(h.strip.timesRetimed);

  EditHarness none(TDemFile{});
  none.strip.fileName.clear();
  EXPECT_FALSE(none.Run("Sound", insert(" print \"x\\n\";")));
}

}  // namespace
}  // namespace clipvex
