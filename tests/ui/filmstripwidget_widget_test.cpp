#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPalette>
#include <QTest>
#include <QWidget>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/messages.h"
#include "imaging/pcx.h"
#include "support/testsupport.h"
#include "ui/filmstripwidget.h"

namespace clipvex {


namespace {

// Records what the strip asks of the window.
class FakeHost : public StripHost {
 public:
  bool isActive(const FilmStripWidget* strip) const override { return strip == active; }
  void makeActive(FilmStripWidget* strip) override {
    active = strip;
    calls.push_back("MakeActive");
  }
  void toggleLabelMode() override { calls.push_back("ToggleLabelMode"); }
  void requestRefresh() override { calls.push_back("Refresh"); }
  Tool currentTool() const override { return tool; }
  void openViewer(std::int64_t block, bool asText) override {
    calls.push_back("OpenViewer " + std::to_string(block) + (asText ? " text" : " picture"));
  }

  const FilmStripWidget* active = nullptr;
  Tool tool = Tool::Arrow;
  std::vector<std::string> calls;
};

using Calls = std::vector<std::string>;

StripState StripWith(std::int32_t entries, char letter = 'M') {
  StripState strip(letter);
  strip.fileName = "demo.dem";
  for (std::int32_t i = 0; i < entries; ++i) strip.demo.Blocks.push_back(std::make_shared<Block>());
  return strip;
}

// An 8-bit run-length encoded PCX of `width` x `height` palette indices.
std::string Pcx8(int width, int height, const std::vector<std::uint8_t>& indices,
                 const std::array<std::uint8_t, 768>& palette) {
  std::string out(128, '\0');
  const auto put16 = [&](std::size_t at, int value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8);
  };
  const int bytesPerLine = width + (width & 1);
  out[0] = 10;
  out[1] = 5;
  out[2] = 1;
  out[3] = 8;
  put16(8, width - 1);
  put16(10, height - 1);
  put16(12, 72);
  put16(14, 72);
  out[65] = 1;
  put16(66, bytesPerLine);
  put16(68, 1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < bytesPerLine;) {
      const auto at = [&](int col) {
        return col < width ? indices[static_cast<std::size_t>(y * width + col)] : std::uint8_t{0};
      };
      const std::uint8_t value = at(x);
      int run = 1;
      while (x + run < bytesPerLine && run < 63 && at(x + run) == value) ++run;
      if (run > 1 || value >= 0xC0) out += static_cast<char>(0xC0 | run);
      out += static_cast<char>(value);
      x += run;
    }
  }
  out += '\x0C';
  out.append(reinterpret_cast<const char*>(palette.data()), palette.size());
  return out;
}

// A small test picture and the colours it should show.
struct TestPicture {
  static constexpr int kWidth = 16;
  static constexpr int kHeight = 12;
  std::vector<std::uint8_t> indices;
  std::array<std::uint8_t, 768> palette{};

  TestPicture() {
    for (int i = 0; i < 256; ++i) {
      palette[static_cast<std::size_t>(i * 3)] = static_cast<std::uint8_t>(i);
      palette[static_cast<std::size_t>(i * 3 + 1)] = static_cast<std::uint8_t>(255 - i);
      palette[static_cast<std::size_t>(i * 3 + 2)] = static_cast<std::uint8_t>((i * 7) & 0xFF);
    }
    // Includes runs and indices of 0xC0 and above.
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        indices.push_back(static_cast<std::uint8_t>(x < 4 ? 9 : (x * 29 + y * 13) & 0xFF));
    }
  }
  std::string File() const { return Pcx8(kWidth, kHeight, indices, palette); }
  QColor At(int x, int y) const {
    const std::size_t i = indices[static_cast<std::size_t>(y * kWidth + x)];
    return QColor(palette[i * 3], palette[i * 3 + 1], palette[i * 3 + 2]);
  }
};

QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }

bool IsRed(const QColor& c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; }

// Pixels of `area` close to white (text is drawn smoothed).
int CountLight(const QImage& image, const QRect& area) {
  int light = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = Pixel(image, x, y);
      light += c.red() > 200 && c.green() > 200 && c.blue() > 200;
    }
  }
  return light;
}

QColor CaptionColor(const StripCaption* caption) { return caption->palette().color(QPalette::WindowText); }

class FilmStripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window.resize(1030, 340);
    master = new FilmStripWidget("MasterPanel", 32, masterState, host, &window);
    finalStrip = new FilmStripWidget("FinalPanel", 220, finalState, host, &window);
    window.show();
    settings.previewpath = dir.Path();
  }

  // Activates the master strip, then forgets the calls that made.
  void ActivateMaster() {
    host.active = master;
    host.calls.clear();
  }

  test::TempDir dir;
  Settings settings;
  FakeHost host;
  StripState masterState{'M'};
  StripState finalState{'F'};
  QWidget window;
  FilmStripWidget* master = nullptr;
  FilmStripWidget* finalStrip = nullptr;
};

TEST_F(FilmStripTest, BuildsNineFramesAndTheBevel) {
  for (FilmStripWidget* strip : {master, finalStrip}) {
    const int top = strip == master ? 32 : 220;
    EXPECT_EQ(strip->geometry(), QRect(4, top, 1017, 105));
    EXPECT_EQ(strip->frameShape(), QFrame::Panel);
    EXPECT_EQ(strip->state().firstVisible, 4);
    EXPECT_EQ(strip->state().step, 32);
    EXPECT_EQ(strip->state().inMark, 4);
    EXPECT_EQ(strip->state().outMark, 100000);
    EXPECT_FALSE(strip->state().HasDemo());
    for (int i = 1; i <= 9; ++i) {
      const int x = 8 + (i - 1) * 112;
      auto* image = strip->findChild<StripImage*>(QString("i%1").arg(i));
      auto* caption = strip->findChild<StripCaption*>(QString("l%1").arg(i));
      ASSERT_NE(image, nullptr);
      ASSERT_NE(caption, nullptr);
      EXPECT_EQ(image, strip->image(i));
      EXPECT_EQ(caption, strip->caption(i));
      EXPECT_EQ(image->geometry(), QRect(x, 20, 107, 80));
      EXPECT_EQ(caption->geometry(), QRect(x, 2, 107, 17));
      EXPECT_EQ(caption->alignment(), Qt::AlignCenter);
      EXPECT_TRUE(caption->text().isEmpty());
      EXPECT_EQ(image->bitmap().size(), QSize(320, 240));
      EXPECT_EQ(Pixel(image->bitmap(), 160, 120), QColor(Qt::white));
    }
  }
  EXPECT_EQ(master->letter(), 'M');
  EXPECT_EQ(finalStrip->letter(), 'F');
  EXPECT_TRUE(master->isLowered());
  EXPECT_EQ(master->frameShadow(), QFrame::Sunken);
  EXPECT_FALSE(finalStrip->isLowered());
  EXPECT_EQ(finalStrip->frameShadow(), QFrame::Raised);
  finalStrip->setLowered(true);
  master->setLowered(false);
  EXPECT_TRUE(finalStrip->isLowered());
  EXPECT_FALSE(master->isLowered());
}

TEST_F(FilmStripTest, FirstPressOnAnInactiveStripOnlyActivatesIt) {
  host.active = finalStrip;
  master->state() = StripWith(100);
  host.tool = Tool::In;
  QTest::mouseClick(master->image(3), Qt::LeftButton);
  EXPECT_EQ(host.calls, Calls{"MakeActive"});
  EXPECT_EQ(host.active, master);
  EXPECT_EQ(master->state().inMark, 4);

  host.active = finalStrip;
  host.calls.clear();
  QTest::mouseClick(master->caption(3), Qt::LeftButton);
  EXPECT_EQ(host.calls, Calls{"MakeActive"});

  host.active = finalStrip;
  host.calls.clear();
  QTest::mouseClick(master, Qt::LeftButton, Qt::NoModifier, QPoint(117, 60));  // between frames 1 and 2
  EXPECT_EQ(host.calls, Calls{"MakeActive"});
  EXPECT_EQ(host.active, master);
}

TEST_F(FilmStripTest, LabelClickOnTheActiveStripTogglesTheLabels) {
  ActivateMaster();
  QTest::mouseClick(master->caption(5), Qt::LeftButton);
  EXPECT_EQ(host.calls, (Calls{"ToggleLabelMode", "Refresh"}));
}

struct ToolCase {
  Tool tool;
  std::int32_t inMark, outMark, firstVisible, step;
  Calls calls;
};

// Presses frame 2 (blocks 36 to 67 at step 32) of a strip holding a demo of
// `entries` entries with every tool.
void PressEveryTool(FakeHost& host, FilmStripWidget* strip, std::int32_t entries, const std::vector<ToolCase>& cases) {
  for (const ToolCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.tool));
    strip->state() = StripWith(entries);
    host.tool = c.tool;
    host.calls.clear();
    QTest::mouseClick(strip->image(2), Qt::LeftButton);
    EXPECT_EQ(strip->state().inMark, c.inMark);
    EXPECT_EQ(strip->state().outMark, c.outMark);
    EXPECT_EQ(strip->state().firstVisible, c.firstVisible);
    EXPECT_EQ(strip->state().step, c.step);
    EXPECT_EQ(host.calls, c.calls);
  }
}

TEST_F(FilmStripTest, PressWithEveryToolInsideTheDemo) {
  ActivateMaster();
  const Calls refresh{"Refresh"};
  PressEveryTool(host, master, 100,
                 {{Tool::Arrow, 36, 67, 4, 32, refresh},
                  {Tool::ZoomIn, 4, 100000, 20, 16, refresh},
                  {Tool::ZoomOut, 4, 100000, 4, 64, refresh},
                  {Tool::ZoomImage, 4, 100000, 4, 32, {"OpenViewer 36 picture"}},
                  {Tool::ToText, 4, 100000, 4, 32, {"OpenViewer 36 text"}},
                  {Tool::In, 36, 100000, 4, 32, refresh},
                  {Tool::Out, 4, 67, 4, 32, refresh}});
}

TEST_F(FilmStripTest, PressWithEveryToolPastTheEnd) {
  ActivateMaster();
  const Calls refresh{"Refresh"};
  PressEveryTool(host, master, 20,
                 {{Tool::Arrow, 36, 67, 4, 32, refresh},
                  {Tool::ZoomIn, 4, 100000, 20, 16, refresh},
                  {Tool::ZoomOut, 4, 100000, 4, 32, refresh},  // 32 already covers 20 entries
                  {Tool::ZoomImage, 4, 100000, 4, 32, {}},
                  {Tool::ToText, 4, 100000, 4, 32, {}},
                  {Tool::In, 36, 100000, 4, 32, refresh},
                  {Tool::Out, 4, 67, 4, 32, refresh}});
}

TEST_F(FilmStripTest, PressWithoutADemoDoesNothing) {
  ActivateMaster();
  for (Tool tool : {Tool::Arrow, Tool::ZoomIn, Tool::ZoomOut, Tool::ZoomImage, Tool::ToText, Tool::In, Tool::Out}) {
    host.tool = tool;
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) QTest::mouseClick(master->image(2), button);
  }
  EXPECT_TRUE(host.calls.empty());
  EXPECT_EQ(master->state().inMark, 4);
  EXPECT_EQ(master->state().outMark, 100000);
  EXPECT_EQ(master->state().firstVisible, 4);
  EXPECT_EQ(master->state().step, 32);
}

TEST_F(FilmStripTest, ButtonsAndShiftReachTheTool) {
  ActivateMaster();
  master->state() = StripWith(1000);
  host.tool = Tool::Arrow;
  QTest::mouseClick(master->image(9), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(master->state().inMark, 4);
  EXPECT_EQ(master->state().outMark, 4 + 8 * 32 + 31);

  host.tool = Tool::ZoomIn;
  QTest::mouseClick(master->image(1), Qt::RightButton);
  EXPECT_EQ(master->state().step, 64);
  QTest::mouseClick(master->image(1), Qt::MiddleButton);
  EXPECT_EQ(master->state().step, 128);

  host.tool = Tool::ZoomImage;
  host.calls.clear();
  QTest::mouseClick(master->image(4), Qt::RightButton);
  EXPECT_EQ(host.calls, Calls{"OpenViewer " + std::to_string(4 + 3 * 128) + " text"});

  // Buttons beyond the three are no tool press.
  host.calls.clear();
  QTest::mouseClick(master->image(4), Qt::BackButton);
  EXPECT_TRUE(host.calls.empty());
}

// A demo of 12 entries seen one block per frame: frames show blocks 4 to
// 12 (12 is past the end), 6 to 8 selected.
class RedrawTest : public FilmStripTest {
 protected:
  void SetUp() override {
    FilmStripTest::SetUp();
    master->state() = StripWith(12);
    master->state().step = 1;
    master->state().inMark = 6;
    master->state().outMark = 8;
    master->state().demo.Blocks[5] = std::make_shared<Block>(Block{"block", " time 1.5s;"});
  }
  const QImage& Bitmap(int frame) const { return master->image(frame)->bitmap(); }
};

TEST_F(RedrawTest, CaptionsAndTheirColours) {
  master->redraw(0, settings);
  for (int i = 1; i <= 9; ++i) {
    SCOPED_TRACE(i);
    const int block = 3 + i;
    EXPECT_EQ(master->caption(i)->text(), block < 12 ? QString::number(block) : QString());
    const bool selected = block >= 6 && block <= 8;
    EXPECT_EQ(CaptionColor(master->caption(i)), selected ? QColor(255, 0, 0) : QColor(Qt::black));
  }

  master->redraw(1, settings);
  EXPECT_EQ(master->caption(1)->text(), "");
  EXPECT_EQ(master->caption(2)->text(), " 1.5s");
  EXPECT_EQ(master->caption(9)->text(), "");

  // A new selection turns the red captions black again.
  master->state().inMark = 11;
  master->state().outMark = 100000;
  master->redraw(0, settings);
  EXPECT_EQ(CaptionColor(master->caption(3)), QColor(Qt::black));
  EXPECT_EQ(CaptionColor(master->caption(8)), QColor(255, 0, 0));
}

TEST_F(RedrawTest, PlaceholdersAndCrosses) {
  master->redraw(0, settings);
  const QColor grey(128, 128, 128);
  for (int i = 1; i <= 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Bitmap(i).size(), QSize(107, 80));
  }
  // Unselected, inside the demo: grey with a red cross.
  EXPECT_EQ(Pixel(Bitmap(1), 53, 70), grey);
  EXPECT_TRUE(IsRed(Pixel(Bitmap(1), 53, 40)));
  EXPECT_TRUE(IsRed(Pixel(Bitmap(1), 2, 2)));
  EXPECT_TRUE(IsRed(Pixel(Bitmap(1), 104, 2)));
  // Selected: no cross, the file name in white at the top left.
  EXPECT_EQ(Pixel(Bitmap(3), 53, 40), grey);
  EXPECT_EQ(Pixel(Bitmap(3), 2, 2), grey);
  EXPECT_GT(CountLight(Bitmap(3), QRect(5, 5, 50, 16)), 10);
  EXPECT_EQ(CountLight(Bitmap(3), QRect(60, 30, 40, 40)), 0);
  // Past the end: white, crossed as it is not selected.
  EXPECT_EQ(Pixel(Bitmap(9), 53, 70), QColor(Qt::white));
  EXPECT_TRUE(IsRed(Pixel(Bitmap(9), 53, 40)));

  // The text names the strip's own file: the Final strip's frame differs.
  finalStrip->state() = master->state();
  finalStrip->state().letter = 'F';
  finalStrip->redraw(0, settings);
  EXPECT_NE(finalStrip->image(3)->bitmap(), Bitmap(3));
  EXPECT_EQ(Pixel(finalStrip->image(3)->bitmap(), 53, 40), grey);
}

TEST_F(RedrawTest, LoadsThumbnailsAndNeverChangesTheirFiles) {
  const TestPicture picture;
  const std::string file = picture.File();
  test::WriteFile(dir.File("M5.pcx"), file);   // frame 2, not selected
  test::WriteFile(dir.File("M6.pcx"), file);   // frame 3, selected
  test::WriteFile(dir.File("M12.pcx"), file);  // past the end: not shown
  master->redraw(0, settings);

  const QImage& selected = Bitmap(3);
  ASSERT_EQ(selected.size(), QSize(TestPicture::kWidth, TestPicture::kHeight));
  for (int y = 0; y < TestPicture::kHeight; ++y) {
    for (int x = 0; x < TestPicture::kWidth; ++x) ASSERT_EQ(Pixel(selected, x, y), picture.At(x, y)) << x << "," << y;
  }

  const QImage& crossed = Bitmap(2);
  ASSERT_EQ(crossed.size(), QSize(TestPicture::kWidth, TestPicture::kHeight));
  EXPECT_TRUE(IsRed(Pixel(crossed, 0, 0)));
  EXPECT_TRUE(IsRed(Pixel(crossed, 8, 6)));
  EXPECT_EQ(Pixel(crossed, 8, 1), picture.At(8, 1));
  EXPECT_EQ(test::ReadFile(dir.File("M5.pcx")), file);

  EXPECT_EQ(Bitmap(9).size(), QSize(107, 80));
  EXPECT_EQ(Pixel(Bitmap(9), 53, 70), QColor(Qt::white));
}

TEST_F(RedrawTest, ABrokenThumbnailShowsAnEmptyPicture) {
  const std::string file = TestPicture().File();
  test::WriteFile(dir.File("M6.pcx"), "not a picture at all");
  test::WriteFile(dir.File("M7.pcx"), file.substr(0, 200));
  test::WriteFile(dir.File("M4.pcx"), "");
  master->redraw(0, settings);
  EXPECT_TRUE(Bitmap(1).isNull());
  EXPECT_TRUE(Bitmap(3).isNull());
  EXPECT_TRUE(Bitmap(4).isNull());
  EXPECT_EQ(Bitmap(2).size(), QSize(107, 80));
  EXPECT_FALSE(master->grab().isNull());

  EXPECT_TRUE(NViewLibLoad(FromPath(dir.File("missing.pcx"))).isNull());
}

TEST_F(RedrawTest, PaintWhiteKeepsTheCaptions) {
  test::WriteFile(dir.File("M6.pcx"), TestPicture().File());
  master->redraw(0, settings);
  master->paintWhite();
  QImage white(107, 80, QImage::Format_RGB32);
  white.fill(Qt::white);
  for (int i = 1; i <= 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(Bitmap(i).convertToFormat(QImage::Format_RGB32), white);
    EXPECT_EQ(master->caption(i)->text(), i < 9 ? QString::number(3 + i) : QString());
  }
}

// The strip on the screen: frames drawn where they belong. Set
// CLIPVEX_STRIP_SHOT to a file name to keep the picture.
TEST_F(FilmStripTest, DrawsItsFramesOnTheScreen) {
  master->state() = StripWith(40);
  master->state().step = 4;
  master->state().inMark = 12;
  master->state().outMark = 27;
  test::WriteFile(dir.File("M28.pcx"), TestPicture().File());
  master->redraw(0, settings);
  const QImage shot = master->grab().toImage();
  if (const char* name = std::getenv("CLIPVEX_STRIP_SHOT")) shot.save(QString::fromLocal8Bit(name));

  ASSERT_EQ(shot.size(), QSize(1017, 105));
  for (int i = 1; i <= 9; ++i) {
    SCOPED_TRACE(i);
    const int x = 8 + (i - 1) * 112;
    const QColor middle = Pixel(shot, x + 53, 20 + 40);
    const QColor lower = Pixel(shot, x + 53, 20 + 70);
    if (i == 7) {
      EXPECT_TRUE(IsRed(middle));  // the thumbnail, crossed
    } else if (i >= 3 && i <= 6) {
      EXPECT_EQ(middle, QColor(128, 128, 128));
    } else {
      EXPECT_TRUE(IsRed(middle));
      EXPECT_EQ(lower, QColor(128, 128, 128));
    }
  }
  // The gap between frames shows the strip, not a picture.
  EXPECT_NE(Pixel(shot, 117, 60), QColor(128, 128, 128));
  EXPECT_FALSE(IsRed(Pixel(shot, 117, 60)));
}

}  // namespace
}  // namespace clipvex
