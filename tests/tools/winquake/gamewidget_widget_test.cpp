// The game's window on the offscreen platform: its title, keys into the
// console, the grave key, frames from Tick, the picture and "quit".
#include "gamewidget.h"

#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include "support/testsupport.h"
#include "wq_test_util.h"

namespace {

using namespace wq_test;

std::string LastLine(const winquake::Game& g) {
  const winquake::Console& c = g.GetConsole();
  return c.LineCount() ? c.Line(c.LineCount() - 1) : std::string();
}

TEST(GameWindow, TitleAndTypedCommands) {
  clipvex::test::TempDir dir;
  winquake::Game game(dir.Path());
  winquake::GameWidget w(game);
  w.show();
  EXPECT_EQ(w.windowTitle(), QStringLiteral("WinQuake"));

  QTest::keyClicks(&w, "echo hx");
  QTest::keyClick(&w, Qt::Key_Backspace);
  QTest::keyClicks(&w, "i `~");  // without a demo the grave key neither types nor lowers anything
  EXPECT_EQ(game.GetConsole().Input(), "echo hi ");
  QTest::keyClick(&w, Qt::Key_Return);
  EXPECT_EQ(LastLine(game), "hi");

  QTest::keyClicks(&w, "gone");
  QTest::keyClick(&w, Qt::Key_Escape);
  EXPECT_EQ(game.GetConsole().Input(), "");
  QTest::keyClick(&w, Qt::Key_Up);
  EXPECT_EQ(game.GetConsole().Input(), "echo hi ");

  // Latin-1 text reaches the console as its byte.
  QTest::keyClick(&w, Qt::Key_Escape);
  QKeyEvent e(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(QChar(0xe9)));
  QApplication::sendEvent(&w, &e);
  EXPECT_EQ(game.GetConsole().Input(), "\xe9");
}

TEST(GameWindow, TicksPlayADemoTheGraveKeyLowersTheConsoleAndQuitCloses) {
  clipvex::test::TempDir dir;
  std::vector<TestBlock> blocks{Signon()};
  for (int i = 0; i < 400; ++i) blocks.push_back(FrameAt(1 + 0.1 * i));
  clipvex::test::WriteFile(dir.File("long.dem"), DemoOf(blocks));
  winquake::Game game(dir.Path());
  winquake::GameWidget w(game);
  w.show();
  game.Execute("playdemo long");
  w.Tick();
  EXPECT_GE(game.NextBlock(), 1u);
  QTest::qWait(250);
  EXPECT_GE(game.NextBlock(), 3u);  // the timer keeps frames coming

  QTest::keyClick(&w, Qt::Key_QuoteLeft);
  EXPECT_EQ(game.ConsoleTarget(), winquake::kScreenHeight / 2);
  EXPECT_EQ(game.GetConsole().Input(), "");
  QTest::qWait(200);
  EXPECT_GT(game.ConsoleLines(), 0);

  // The window shows the console's stone colours at the top and the view below.
  const QImage shot = w.grab().toImage();
  const winquake::Palette pal = game.ScreenPalette();
  const QRgb top = shot.pixel(shot.width() / 2, 4);
  bool consoleColour = false;
  for (int shade = 1; shade <= 6; ++shade) {
    const int i = (winquake::kRowUi + shade) * 3;
    consoleColour |= top == qRgb(pal[i], pal[i + 1], pal[i + 2]);
  }
  EXPECT_TRUE(consoleColour);
  EXPECT_NE(shot.pixel(shot.width() / 2, shot.height() - 60), top);

  QTest::keyClicks(&w, "quit");
  QTest::keyClick(&w, Qt::Key_Return);
  EXPECT_TRUE(game.QuitRequested());
  w.Tick();
  EXPECT_FALSE(w.isVisible());
}

TEST(GameWindow, ALargeDemoLoadsWhileTheWindowKeepsTicking) {
  clipvex::test::TempDir dir;
  std::vector<TestBlock> blocks{Signon(), FrameAt(1)};
  TestBlock big{{" time 1.1s;"}};
  for (int i = 0; i < 6; ++i) big.lines.push_back(" print \"" + std::string(300000, 'a' + i) + "\\n\";");
  blocks.push_back(big);
  clipvex::test::WriteFile(dir.File("big.dem"), DemoOf(blocks));
  winquake::Game game(dir.Path());
  winquake::GameWidget w(game);
  w.show();
  game.Execute("playdemo big");
  EXPECT_FALSE(game.Playing());  // not yet: it is being read
  for (int i = 0; i < 100 && !game.Playing(); ++i) QTest::qWait(20);
  EXPECT_TRUE(game.Playing());
  EXPECT_EQ(game.BlockCount(), 3u);
}

TEST(GameWindow, ClosingWhileALargeDemoLoadsIsSafe) {
  clipvex::test::TempDir dir;
  TestBlock big{{" time 1s;"}};
  for (int i = 0; i < 6; ++i) big.lines.push_back(" print \"" + std::string(300000, 'a' + i) + "\\n\";");
  clipvex::test::WriteFile(dir.File("big.dem"), DemoOf({big}));
  winquake::Game game(dir.Path());
  {
    winquake::GameWidget w(game);
    w.show();
    game.Execute("playdemo big");
  }
  QTest::qWait(50);  // nothing is delivered to the window that is gone
  EXPECT_FALSE(game.Playing());
  game.Execute("playdemo big");  // without a window the game loads at once
  EXPECT_TRUE(game.Playing());
}

}  // namespace
