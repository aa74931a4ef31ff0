// Console text, the console's lines and input, and the command line.
#include <gtest/gtest.h>

#include "cmdline.h"
#include "cmdparse.h"
#include "console.h"

namespace {

using winquake::CommandLine;
using winquake::Console;
using winquake::ParseCommandLine;
using winquake::SplitCommands;
using winquake::Tokenize;
using Strings = std::vector<std::string>;

TEST(CommandText, SemicolonsAndLineBreaksSeparateCommandsButNotInsideQuotes) {
  EXPECT_EQ(SplitCommands("v_cshift 0 0 0 90;wait\nscreenshot\n"), (Strings{"v_cshift 0 0 0 90", "wait", "screenshot"}));
  EXPECT_EQ(SplitCommands("echo \"a;b\";echo c"), (Strings{"echo \"a;b\"", "echo c"}));
  // An unclosed quote ends with its line: the next line is a command again.
  EXPECT_EQ(SplitCommands("echo \"open;still\nscreenshot"), (Strings{"echo \"open;still", "screenshot"}));
  EXPECT_EQ(SplitCommands(" ; \n;;echo x;"), (Strings{"echo x"}));
  EXPECT_TRUE(SplitCommands("").empty());
}

TEST(CommandText, WordsAreSplitAtBlanksQuotesGroupAndCommentsEnd) {
  EXPECT_EQ(Tokenize("  playdemo\ttempfilm  "), (Strings{"playdemo", "tempfilm"}));
  EXPECT_EQ(Tokenize("echo \"two words\" \"\" x"), (Strings{"echo", "two words", "", "x"}));
  EXPECT_EQ(Tokenize("echo a // the rest is a comment"), (Strings{"echo", "a"}));
  EXPECT_EQ(Tokenize("echo a/b"), (Strings{"echo", "a/b"}));
  EXPECT_EQ(Tokenize("echo \"unclosed words"), (Strings{"echo", "unclosed words"}));
  // Quake text uses bytes above 127: they are letters, not blanks.
  EXPECT_EQ(Tokenize("echo \xe1\xe2"), (Strings{"echo", "\xe1\xe2"}));
  std::string many;
  for (int i = 0; i < 200; ++i) many += "w ";
  EXPECT_EQ(Tokenize(many).size(), winquake::kMaxWords);
}

TEST(CommandLineArgs, GameFolderCommandsAndIgnoredOptions) {
  CommandLine cl = ParseCommandLine({"-game", "id1", "-startwindowed", "+_windowed_mouse", "0", "+vid_mode", "0",
                                     "+playdemo", "clipvex"});
  EXPECT_EQ(cl.gameDir, "id1");
  EXPECT_EQ(cl.commands, (Strings{"_windowed_mouse 0", "vid_mode 0", "playdemo clipvex"}));

  cl = ParseCommandLine({"+timescale", "4", "-width", "640", "+v_cshift", "-1", "0", ".5", "-x"});
  EXPECT_EQ(cl.gameDir, "id1");  // the default
  // "-width" is an option: it ends the command, and its value is nobody's.
  EXPECT_EQ(cl.commands, (Strings{"timescale 4", "v_cshift -1 0 .5"}));

  // An argument with blanks or ';' stays one word of its command.
  cl = ParseCommandLine({"+echo", "a;quit", "two words", "+", "-game"});
  EXPECT_EQ(cl.commands, (Strings{"echo \"a;quit\" \"two words\""}));
  EXPECT_EQ(Tokenize(cl.commands[0]), (Strings{"echo", "a;quit", "two words"}));
  EXPECT_EQ(cl.gameDir, "id1");  // "-game" without a folder keeps the default
}

TEST(ConsoleLines, PrintContinuesOpenLinesAndWrapsAtWordsOrWidth) {
  Console c;
  c.Print("You got the ", 1);
  c.Print("shells", 1);
  c.Print("\n", 1);
  ASSERT_EQ(c.LineCount(), 1u);
  EXPECT_EQ(c.Line(0), "You got the shells");

  c.Print("aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeee\n", 2);
  ASSERT_EQ(c.LineCount(), 3u);
  EXPECT_EQ(c.Line(1), "aaaaaaaaaa bbbbbbbbbb cccccccccc ");
  EXPECT_EQ(c.Line(2), "dddddddddd eeee");

  const std::string longWord(Console::kWidth + 5, 'x');
  c.Print(longWord + "\n", 3);
  EXPECT_EQ(c.Line(3), std::string(Console::kWidth, 'x'));
  EXPECT_EQ(c.Line(4), "xxxxx");
  for (std::size_t i = 0; i < c.LineCount(); ++i) EXPECT_LE(c.Line(i).size(), Console::kWidth);

  c.Print("\n\n", 4);  // empty lines are lines too
  EXPECT_EQ(c.LineCount(), 7u);
}

TEST(ConsoleLines, LeadingByteTwoMakesTheTextGoldAndIsNotShown) {
  Console c;
  c.Print("\x02Hi\n", 0);
  c.Print("plain \x02\n", 0);
  EXPECT_EQ(c.Line(0), "\xc8\xe9");  // 'H' | 0x80, 'i' | 0x80
  EXPECT_EQ(c.Line(1), "plain \x02");
}

TEST(ConsoleLines, ScrollbackIsBoundedAndNotifyShowsRecentLines) {
  Console c;
  for (std::size_t i = 0; i < Console::kMaxLines + 10; ++i) c.Print("line " + std::to_string(i) + "\n", static_cast<double>(i));
  EXPECT_EQ(c.LineCount(), Console::kMaxLines);
  EXPECT_EQ(c.Line(0), "line 10");

  const double last = static_cast<double>(Console::kMaxLines + 9);
  EXPECT_EQ(c.NotifyLines(last - 1, 4), (Strings{"line " + std::to_string(Console::kMaxLines + 8),
                                                   "line " + std::to_string(Console::kMaxLines + 9)}));
  c.Print("quiet\n", last, false);
  EXPECT_EQ(c.NotifyLines(last, 4), (Strings{"line " + std::to_string(Console::kMaxLines + 9)}));
  c.ClearNotify();
  EXPECT_TRUE(c.NotifyLines(0, 4).empty());
}

TEST(ConsoleInput, TypingEditingSubmittingAndHistory) {
  Console c;
  for (char ch : std::string("playdemo x")) c.Type(static_cast<unsigned char>(ch));
  c.Type('\t');  // control bytes are not typed
  c.Type(127);
  c.Backspace();
  c.Type('y');
  EXPECT_EQ(c.Input(), "playdemo y");
  EXPECT_EQ(c.Submit(5), "playdemo y");
  EXPECT_EQ(c.Input(), "");
  EXPECT_EQ(c.Line(c.LineCount() - 1), "]playdemo y");

  for (char ch : std::string("echo 1")) c.Type(static_cast<unsigned char>(ch));
  c.Submit(6);
  c.Type('z');
  c.ClearInput();
  EXPECT_EQ(c.Input(), "");
  c.HistoryBack();
  EXPECT_EQ(c.Input(), "echo 1");
  c.HistoryBack();
  EXPECT_EQ(c.Input(), "playdemo y");
  c.HistoryBack();  // stays at the oldest
  EXPECT_EQ(c.Input(), "playdemo y");
  c.HistoryForward();
  c.HistoryForward();
  EXPECT_EQ(c.Input(), "");

  for (std::size_t i = 0; i < Console::kMaxInput + 20; ++i) c.Type('a');
  EXPECT_EQ(c.Input().size(), Console::kMaxInput);
}

TEST(ConsoleInput, ScrollingStaysWithinTheScrollback) {
  Console c;
  c.Scroll(5);
  EXPECT_EQ(c.ScrollOffset(), 0u);
  for (int i = 0; i < 10; ++i) c.Print("x\n", 0);
  c.Scroll(4);
  EXPECT_EQ(c.ScrollOffset(), 4u);
  c.Scroll(100);
  EXPECT_EQ(c.ScrollOffset(), 9u);
  c.Scroll(-100);
  EXPECT_EQ(c.ScrollOffset(), 0u);
}

}  // namespace
