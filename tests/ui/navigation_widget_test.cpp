// Moving along the strips in the main window (scroll bars, wheel, keys,
// position texts), the window stretching with its size, the File shortcuts
// and which File commands are enabled.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSet>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

#include "document/demotime.h"
#include "strip/windowlayout.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

const QString kDot = QString::fromUtf8("\xC2\xB7");

// A demo of `entries` entries held by a strip as an opened one is: ordinary
// blocks timed 0.05 s apart from 0, the closing block untimed.
void GiveDemo(FilmStripWidget* strip, std::int32_t entries, std::int32_t step) {
  StripState& state = strip->state();
  state.demo.Blocks.clear();
  for (std::int32_t i = 0; i < entries; ++i) {
    auto block = std::make_shared<Block>();
    block->Add("block {");
    if (i >= 4 && i < entries - 1) block->Add(FormatTimeLine((i - 4) * 0.05));
    block->Add("}");
    state.demo.Blocks.push_back(block);
  }
  state.fileName = std::string("demo ") + strip->letter() + ".dem";
  state.step = step;
  state.firstVisible = 4;
}

void Wheel(QWidget* target, QPoint angle) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QWheelEvent event(at, target->mapToGlobal(at), QPoint(), angle, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                    false);
  QApplication::sendEvent(target, &event);
}

class NavigationTest : public test::MainWindowFixture {
 protected:
  void SetUp() override {
    MainWindowFixture::SetUp();
    window_ = MakeWindow();
    QApplication::setActiveWindow(window_.get());
  }

  MainWindow& W() { return *window_; }
  FilmStripWidget* Master() { return window_->sourceStrip(); }
  FilmStripWidget* Final() { return window_->finalStrip(); }
  QWidget* Child(const char* name) { return window_->findChild<QWidget*>(name); }
  QString Position(FilmStripWidget* strip) { return window_->strips().positionLabel(strip)->text(); }
  void Key(Qt::Key key, QWidget* target = nullptr) { QTest::keyClick(target ? target : window_.get(), key); }
  QSize Client() { return window_->centralWidget()->size(); }
  void ResizeClient(int width, int height) {
    window_->resize(window_->size() + QSize(width, height) - Client());
    QApplication::processEvents();
  }
};

TEST_F(NavigationTest, ScrollBarsFollowTheStripsAndMoveThem) {
  QScrollBar* masterBar = W().strips().scrollBar(Master());
  QScrollBar* finalBar = W().strips().scrollBar(Final());
  ASSERT_NE(masterBar, nullptr);
  ASSERT_NE(finalBar, nullptr);
  EXPECT_EQ(masterBar->objectName(), "ScrollBar1");
  EXPECT_FALSE(masterBar->isEnabled()) << "no demo, nothing to move";
  EXPECT_FALSE(finalBar->isEnabled());

  GiveDemo(Master(), 1000, 32);
  W().strips().refresh();
  EXPECT_TRUE(masterBar->isEnabled());
  EXPECT_EQ(masterBar->minimum(), 4);
  EXPECT_EQ(masterBar->maximum(), 1000 - 9 * 32);
  EXPECT_EQ(masterBar->pageStep(), 9 * 32);
  EXPECT_EQ(masterBar->singleStep(), 32);
  EXPECT_EQ(masterBar->value(), 4);

  // Moving the bar moves the strip on whole steps and redraws it.
  masterBar->setValue(300);
  EXPECT_EQ(Master()->state().firstVisible, 292);
  EXPECT_EQ(masterBar->value(), 292);
  EXPECT_EQ(Master()->caption(1)->text(), "292");
  masterBar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(Master()->state().firstVisible, 324);
  masterBar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Master()->state().firstVisible, 36);
  masterBar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(Master()->state().firstVisible, 712);

  // The buttons move the bar too, also past its end.
  W().findChild<QToolButton*>("mRW_butt")->click();
  EXPECT_EQ(masterBar->value(), 712 - 288);
  for (int i = 0; i < 2; ++i) W().findChild<QToolButton*>("mRW_butt")->click();
  EXPECT_EQ(masterBar->value(), 4);
  for (int i = 0; i < 40; ++i) W().findChild<QToolButton*>("mP_butt")->click();
  EXPECT_EQ(Master()->state().firstVisible, 740);
  EXPECT_EQ(masterBar->value(), masterBar->maximum());

  // The bar of the other strip makes that strip active first.
  GiveDemo(Final(), 500, 8);
  W().strips().refresh();
  ASSERT_EQ(W().activeStrip(), Master());
  finalBar->setValue(60);
  EXPECT_EQ(W().activeStrip(), Final());
  EXPECT_TRUE(Final()->isLowered());
  EXPECT_FALSE(Master()->isLowered());
  EXPECT_EQ(Final()->state().firstVisible, 60);
  EXPECT_EQ(Master()->state().firstVisible, 740);
  EXPECT_EQ(Final()->caption(1)->text(), "60");

  // Closing the demo empties the bar.
  W().files().closeDemo();
  EXPECT_FALSE(finalBar->isEnabled());
  EXPECT_EQ(finalBar->value(), 4);
  EXPECT_TRUE(masterBar->isEnabled());
}

TEST_F(NavigationTest, TheWheelOverAStripMovesItOneFrameANotch) {
  GiveDemo(Master(), 1000, 32);
  GiveDemo(Final(), 1000, 16);
  W().strips().refresh();

  Wheel(Master()->image(3), QPoint(0, -120));  // down: forward
  EXPECT_EQ(Master()->state().firstVisible, 36);
  Wheel(Master()->caption(5), QPoint(0, -240));
  EXPECT_EQ(Master()->state().firstVisible, 100);
  EXPECT_EQ(W().strips().scrollBar(Master())->value(), 100);
  Wheel(Master(), QPoint(0, 120));  // up: back
  EXPECT_EQ(Master()->state().firstVisible, 68);
  Wheel(Master()->image(1), QPoint(120, 0));  // left: back
  EXPECT_EQ(Master()->state().firstVisible, 36);
  // A fine wheel's half notches add up to one.
  Wheel(Master()->image(1), QPoint(0, -60));
  EXPECT_EQ(Master()->state().firstVisible, 36);
  Wheel(Master()->image(1), QPoint(0, -60));
  EXPECT_EQ(Master()->state().firstVisible, 68);
  for (int i = 0; i < 10; ++i) Wheel(Master()->image(1), QPoint(0, 120));
  EXPECT_EQ(Master()->state().firstVisible, 4);

  // Over the other strip: that one becomes active and moves.
  Wheel(Final()->image(9), QPoint(0, -120));
  EXPECT_EQ(W().activeStrip(), Final());
  EXPECT_TRUE(Final()->isLowered());
  EXPECT_EQ(Final()->state().firstVisible, 20);
  EXPECT_EQ(Master()->state().firstVisible, 4);
  EXPECT_EQ(Final()->caption(1)->text(), "20");
}

TEST_F(NavigationTest, KeysMoveTheActiveStripButLeaveTextBoxesTheirKeys) {
  GiveDemo(Master(), 1000, 32);
  GiveDemo(Final(), 1000, 16);
  W().strips().refresh();

  Key(Qt::Key_Right);
  EXPECT_EQ(Master()->state().firstVisible, 36);
  Key(Qt::Key_Left);
  EXPECT_EQ(Master()->state().firstVisible, 4);
  Key(Qt::Key_PageDown);
  EXPECT_EQ(Master()->state().firstVisible, 292);
  Key(Qt::Key_PageUp);
  EXPECT_EQ(Master()->state().firstVisible, 4);
  Key(Qt::Key_End);
  EXPECT_EQ(Master()->state().firstVisible, 708);
  EXPECT_EQ(Master()->caption(1)->text(), "708");
  Key(Qt::Key_Home);
  EXPECT_EQ(Master()->state().firstVisible, 4);
  EXPECT_EQ(Final()->state().firstVisible, 4) << "only the active strip moves";

  // The keys follow the active strip.
  QTest::mouseClick(Final(), Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(W().activeStrip(), Final());
  Key(Qt::Key_Right);
  Key(Qt::Key_Right);
  EXPECT_EQ(Final()->state().firstVisible, 36);
  EXPECT_EQ(Master()->state().firstVisible, 4);

  // A text box with the focus keeps Left, Right, Home and End.
  auto* edit = new QLineEdit("some text", W().centralWidget());
  edit->show();
  edit->setFocus();
  edit->setCursorPosition(4);
  Key(Qt::Key_Right, edit);
  Key(Qt::Key_Left, edit);
  Key(Qt::Key_Left, edit);
  EXPECT_EQ(edit->cursorPosition(), 3);
  Key(Qt::Key_End, edit);
  EXPECT_EQ(edit->cursorPosition(), 9);
  Key(Qt::Key_Home, edit);
  EXPECT_EQ(edit->cursorPosition(), 0);
  EXPECT_EQ(Final()->state().firstVisible, 36);
  delete edit;
}

TEST_F(NavigationTest, PositionTextsTellWhereEachStripIs) {
  EXPECT_EQ(Position(Master()), "");
  EXPECT_EQ(Position(Final()), "");
  GiveDemo(Master(), 1325, 32);
  W().strips().refresh();
  EXPECT_EQ(Position(Master()), "blocks 4-260 of 1,324 " + kDot + " 0:00.0-0:12.8");
  EXPECT_EQ(Position(Final()), "");
  Key(Qt::Key_Right);
  EXPECT_EQ(Position(Master()), "blocks 36-292 of 1,324 " + kDot + " 0:01.6-0:14.4");
  // The text fits where it is shown.
  QLabel* label = W().strips().positionLabel(Master());
  EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
  EXPECT_TRUE(label->isVisible());

  // Closing empties it; the other strip's text stays.
  GiveDemo(Final(), 40, 1);
  QTest::mouseClick(Final(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(Position(Final()), "blocks 4-12 of 39 " + kDot + " 0:00.0-0:00.4");
  W().files().closeDemo();
  EXPECT_EQ(Position(Final()), "");
  EXPECT_EQ(Position(Master()), "blocks 36-292 of 1,324 " + kDot + " 0:01.6-0:14.4");
}

// Direct children of the client area that show, with their geometries.
std::vector<std::pair<QString, QRect>> Shown(QWidget* client) {
  std::vector<std::pair<QString, QRect>> shown;
  for (QObject* child : client->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget != nullptr && widget->isVisible()) shown.emplace_back(widget->objectName(), widget->geometry());
  }
  return shown;
}

void ExpectNothingOverlaps(QWidget* client) {
  const auto shown = Shown(client);
  EXPECT_GE(shown.size(), 20u);
  for (std::size_t a = 0; a < shown.size(); ++a) {
    EXPECT_TRUE(client->rect().contains(shown[a].second)) << shown[a].first.toStdString();
    for (std::size_t b = a + 1; b < shown.size(); ++b) {
      EXPECT_FALSE(shown[a].second.intersects(shown[b].second))
          << shown[a].first.toStdString() << " and " << shown[b].first.toStdString();
    }
  }
}

TEST_F(NavigationTest, AtTheFormsSizeEveryControlKeepsItsPlace) {
  EXPECT_EQ(Client().width(), 1024);
  QWidget* client = W().centralWidget();
  EXPECT_EQ(Master()->geometry(), QRect(4, 4, 1017, 105));
  // Under each strip its navigation row; the rest keeps the form's places,
  // moved down by that row.
  constexpr int kRow = 18;
  EXPECT_EQ(Final()->geometry(), QRect(4, 192 + kRow, 1017, 105));
  const std::pair<const char*, QRect> places[] = {
      {"fullpre_butt", QRect(8, 116, 145, 73)},   {"update_butt", QRect(160, 116, 89, 73)},
      {"center_panel", QRect(256, 116, 161, 73)}, {"mRW_butt", QRect(432, 116, 49, 25)},
      {"mFF_butt", QRect(664, 116, 49, 25)},      {"fBF_butt", QRect(520, 164, 49, 25)},
      {"play_butt", QRect(744, 116, 81, 73)},     {"SpeedButton1", QRect(840, 140, 25, 25)}};
  for (auto [name, form] : places) EXPECT_EQ(Child(name)->geometry(), form.translated(0, kRow)) << name;
  EXPECT_EQ(Child("Label8")->pos(), QPoint(944, 116 + kRow));
  EXPECT_EQ(Child("Label9")->pos(), QPoint(944, 172 + kRow));
  for (FilmStripWidget* strip : {Master(), Final()}) {
    for (int i = 1; i <= 9; ++i) {
      EXPECT_EQ(strip->image(i)->geometry(), QRect(8 + (i - 1) * 112, 20, 107, 80));
      EXPECT_EQ(strip->caption(i)->geometry(), QRect(8 + (i - 1) * 112, 2, 107, 17));
    }
    EXPECT_EQ(W().strips().scrollBar(strip)->geometry().top(), strip->geometry().bottom() + 3);
  }
  ExpectNothingOverlaps(client);

  // It cannot be made smaller.
  ResizeClient(700, 250);
  EXPECT_GE(Client().width(), 1024);
  EXPECT_EQ(Master()->geometry(), QRect(4, 4, 1017, 105));
}

TEST_F(NavigationTest, AGrownWindowStretchesTheStripsAndTheirPictures) {
  GiveDemo(Master(), 1000, 32);
  GiveDemo(Final(), 1000, 32);
  W().editor().setActiveDocument(W().editor().finalDocument());
  W().strips().refresh();
  W().editor().setActiveDocument(W().editor().sourceDocument());
  W().strips().refresh();

  ResizeClient(1280, 945);
  ASSERT_EQ(Client(), QSize(1280, 945));
  QWidget* client = W().centralWidget();
  EXPECT_EQ(Master()->geometry().width(), 1273);
  EXPECT_EQ(Final()->geometry().width(), 1273);
  EXPECT_GT(Master()->height(), 105);
  const QRect picture1 = Master()->image(1)->geometry();
  EXPECT_GT(picture1.width(), 107);
  EXPECT_LE(std::abs(picture1.height() * 107 - picture1.width() * 80), 107) << "the form's shape";
  // The buttons keep their row, left-aligned; the labels and the memory
  // panel keep to the right end.
  const int rowTop = Master()->geometry().bottom() + 1 + 2 + 16 + 7;
  EXPECT_EQ(Child("fullpre_butt")->geometry(), QRect(8, rowTop, 145, 73));
  EXPECT_EQ(Child("play_butt")->geometry(), QRect(744, rowTop, 81, 73));
  EXPECT_EQ(Child("Label8")->pos(), QPoint(1280 - 80, rowTop));
  EXPECT_EQ(Final()->geometry().top(), rowTop + 76);
  QTest::mouseDClick(W().statusBar(), Qt::LeftButton);
  EXPECT_EQ(Child("mempanel")->geometry().right() + 1, 1280 - 7);
  QTest::mouseDClick(Child("mempanel"), Qt::LeftButton);
  ExpectNothingOverlaps(client);

  // Placeholders and crosses at the frames' new size, on both strips (the
  // inactive one keeps what it showed, drawn again at the new size).
  for (FilmStripWidget* strip : {Master(), Final()}) {
    for (int i = 1; i <= 9; ++i) {
      const QImage& bitmap = strip->image(i)->bitmap();
      EXPECT_EQ(bitmap.size(), strip->image(i)->size()) << i;
      EXPECT_EQ(strip->image(i)->pictureRect(), strip->image(i)->rect());
    }
  }
  EXPECT_EQ(Final()->caption(2)->text(), "36");
  // Selected frames show grey without a cross; unselected ones a red cross
  // whose pen follows the bitmap's width.
  Master()->state().inMark = 36;
  Master()->state().outMark = 67;
  W().strips().refresh();
  const QImage& selected = Master()->image(2)->bitmap();
  const QImage& crossed = Master()->image(3)->bitmap();
  const QPoint middle(selected.width() / 2, selected.height() / 2);
  EXPECT_EQ(selected.pixelColor(middle), QColor(128, 128, 128));
  EXPECT_EQ(crossed.pixelColor(middle), QColor(255, 0, 0));
  int redRun = 0;
  for (int x = 0; x < crossed.width(); ++x) redRun += crossed.pixelColor(x, middle.y()) == QColor(255, 0, 0);
  const int pen = qRound(crossed.width() * 0.03125);
  EXPECT_GE(redRun, pen);
  EXPECT_LE(redRun, 2 * pen + 2);

  // Back to the form's size: the form's frames again.
  ResizeClient(1024, MinimumClientHeight());
  EXPECT_EQ(Master()->geometry(), QRect(4, 4, 1017, 105));
  EXPECT_EQ(Master()->image(9)->geometry(), QRect(904, 20, 107, 80));
  EXPECT_EQ(Master()->image(9)->bitmap().size(), QSize(107, 80));
  ExpectNothingOverlaps(client);
}

TEST_F(NavigationTest, ThumbnailsKeepTheirShapeInsideWideFrames) {
  GiveDemo(Master(), 100, 1);
  // A wide, low window: the pictures widen but cannot grow in height.
  ResizeClient(1600, MinimumClientHeight());
  StripImage* image = Master()->image(1);
  ASSERT_GT(image->width(), image->height() * 4 / 3 + 10);
  image->setBitmap(QImage(320, 240, QImage::Format_RGB32));
  const QRect shown = image->pictureRect();
  EXPECT_EQ(shown.height(), image->height());
  EXPECT_NEAR(shown.width(), image->height() * 4 / 3, 1);
  EXPECT_NEAR(shown.center().x(), image->rect().center().x(), 1);
  // A picture taller than wide is centred the other way.
  image->setBitmap(QImage(10, 40, QImage::Format_RGB32));
  EXPECT_EQ(image->pictureRect().height(), image->height());
  EXPECT_EQ(image->pictureRect().width(), image->height() / 4);
}

TEST_F(NavigationTest, FileShortcutsLabelModesAndWhatTheActiveStripAllows) {
  const std::pair<const char*, const char*> shortcuts[] = {{"New1", "Ctrl+N"},   {"Open1", "Ctrl+O"},
                                                           {"Save1", "Ctrl+S"},  {"SaveAs1", "Ctrl+Shift+S"},
                                                           {"Close1", "Ctrl+W"}, {"Exit1", "Ctrl+Q"}};
  for (auto [name, keys] : shortcuts) EXPECT_EQ(Action(name)->shortcut().toString(), keys) << name;
  // No two commands of the window answer the same keys.
  QSet<QString> seen;
  for (QAction* action : W().findChildren<QAction*>()) {
    for (const QKeySequence& keys : action->shortcuts()) {
      EXPECT_FALSE(seen.contains(keys.toString())) << keys.toString().toStdString();
      seen.insert(keys.toString());
    }
  }

  // Label modes: a choice, the current one checked, whichever way it changes.
  QAction* blockNumber = Action("BlockNumber1");
  QAction* time = Action("Time1");
  EXPECT_TRUE(blockNumber->isCheckable());
  EXPECT_TRUE(blockNumber->isChecked());
  EXPECT_FALSE(time->isChecked());
  QTest::keyClick(window_.get(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_EQ(W().editor().labelMode(), 1);
  EXPECT_TRUE(time->isChecked());
  EXPECT_FALSE(blockNumber->isChecked());
  time->trigger();  // choosing the current mode again keeps it
  EXPECT_TRUE(time->isChecked());
  QTest::mouseClick(Master()->caption(4), Qt::LeftButton);  // the caption click toggles
  EXPECT_EQ(W().editor().labelMode(), 0);
  EXPECT_TRUE(blockNumber->isChecked());
  EXPECT_FALSE(time->isChecked());

  // Save, Save As and Close only while the active strip holds a demo.
  auto fileCommands = [&] {
    return std::vector<bool>{Action("Save1")->isEnabled(), Action("SaveAs1")->isEnabled(),
                             Action("Close1")->isEnabled(), Child("save_butt")->isEnabled()};
  };
  const std::vector<bool> on(4, true), off(4, false);
  EXPECT_EQ(fileCommands(), off);
  const std::string target = dir_.File("new one.txt");
  chooser_.answers = {QString::fromStdString(target)};
  QTest::keyClick(window_.get(), Qt::Key_N, Qt::ControlModifier);
  ASSERT_EQ(Master()->state().fileName, target);
  EXPECT_EQ(fileCommands(), on);
  QTest::mouseClick(Final(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(fileCommands(), off) << "the final strip holds no demo";
  W().findChild<QToolButton*>("mBF_butt")->click();
  EXPECT_EQ(fileCommands(), on);

  // While a preview runs they stay off, and afterwards follow the strip
  // that is active then.
  W().preview().setBusy(true);
  EXPECT_EQ(fileCommands(), off);
  QTest::mouseClick(Final(), Qt::LeftButton, {}, QPoint(2, 2));
  W().preview().setBusy(false);
  EXPECT_EQ(fileCommands(), off);
  W().preview().setBusy(true);
  QTest::mouseClick(Master(), Qt::LeftButton, {}, QPoint(2, 2));
  EXPECT_EQ(fileCommands(), off);
  W().preview().setBusy(false);
  EXPECT_EQ(fileCommands(), on);

  // The shortcuts reach their commands.
  words_.clear();
  QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(words_, (std::vector<std::string>{"Saving File", "Done"}));
  EXPECT_TRUE(test::FileExists(target));
  chooser_.asked.clear();
  QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);  // cancelled
  QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);                      // cancelled
  EXPECT_EQ(chooser_.asked, (std::vector<FileDialogKind>{FileDialogKind::Save, FileDialogKind::Open}));
  QTest::keyClick(window_.get(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(Master()->state().HasDemo());
  EXPECT_EQ(fileCommands(), off);
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_FALSE(W().isVisible());
}

// Opened through the converter: the position text and the bar follow a real
// demo, and a real demo shows in a grown window.
TEST_F(NavigationTest, ARealDemoInAGrownWindow) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  chooser_.answers = {QString::fromStdString(test::DemoFixture("p15_e4m2_id101.dem"))};
  QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  const StripState& master = Master()->state();
  ASSERT_TRUE(master.HasDemo());
  const QString text = Position(Master());
  EXPECT_TRUE(text.startsWith("blocks 4-" + QString::number(4 + 8 * master.step) + " of ")) << text.toStdString();
  EXPECT_TRUE(text.contains(QRegularExpression(" " + kDot + " 0:00\\.\\d-0:\\d\\d\\.\\d$"))) << text.toStdString();
  EXPECT_EQ(W().strips().scrollBar(Master())->maximum(), std::max(4, master.Entries() - 9 * master.step));
  Key(Qt::Key_End);
  EXPECT_EQ(master.firstVisible, LastPageStart(master));
  EXPECT_EQ(W().strips().scrollBar(Master())->value(),
            std::min(master.firstVisible, W().strips().scrollBar(Master())->maximum()));
  ResizeClient(1280, 945);
  EXPECT_EQ(Master()->image(1)->bitmap().size(), Master()->image(1)->size());
  EXPECT_TRUE(Action("Save1")->isEnabled());
}

}  // namespace
}  // namespace clipvex
