#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "dialogs/configurationdialog.h"
#include "document/dumptext.h"
#include "ui/qtsettingsstore.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::WriteFile;

class MainWindowTest : public test::MainWindowFixture {
 protected:
  static QString Caption(FilmStripWidget* strip, int frame) { return strip->caption(frame)->text(); }
};

TEST_F(MainWindowTest, StartsWithEmptyStripsTheSourceStripActiveAndDone) {
  auto window = MakeWindow();
  EXPECT_EQ(window->windowTitle(), "Clipvex");
  EXPECT_EQ(window->statusWord(), "Done");
  EXPECT_EQ(window->activeStrip(), window->sourceStrip());
  EXPECT_TRUE(window->sourceStrip()->isLowered());
  EXPECT_FALSE(window->finalStrip()->isLowered());
  EXPECT_FALSE(window->sourceStrip()->state().HasDemo());
  EXPECT_FALSE(window->finalStrip()->state().HasDemo());
  EXPECT_EQ(window->editor().settings().previewpath, game_ + "/id1/");
  EXPECT_FALSE(window->configurationDialog()->isVisible());
  EXPECT_FALSE(window->findChild<QWidget*>("mempanel")->isVisible());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(MainWindowTest, MissingSettingsBringUpTheConfigurationDialog) {
  store_.Clear();
  auto window = MakeWindow();
  EXPECT_TRUE(window->configurationDialog()->isVisible());
  EXPECT_FALSE(window->editor().settings().configpending);
  EXPECT_EQ(window->statusWord(), "Done");
}

TEST_F(MainWindowTest, MenusHaveTheirCaptionsAndShortcuts) {
  auto window = MakeWindow();
  const struct {
    const char* name;
    const char* caption;
    const char* shortcut;
  } entries[] = {
      {"New1", "&New", "Ctrl+N"},
      {"Open1", "&Open", "Ctrl+O"},
      {"Save1", "&Save", "Ctrl+S"},
      {"SaveAs1", "Save &As...", "Ctrl+Shift+S"},
      {"Close1", "&Close", "Ctrl+W"},
      {"Exit1", "E&xit", "Ctrl+Q"},
      {"Undo1", "&Undo", "Ctrl+Z"},
      {"Cut1", "Cu&t", "Ctrl+X"},
      {"Copy1", "&Copy", "Ctrl+C"},
      {"Paste1", "&Paste", "Ctrl+V"},
      {"PasteonEnd1", "Paste at &End", ""},
      {"PasteNewLevel1", "Paste New &Level", ""},
      {"Delete1", "&Delete", "Del"},
      {"SelectAll1", "Select &All", "Ctrl+A"},
      {"Find1", "&Find...", "Ctrl+F"},
      {"Reverse1", "Reverse", ""},
      {"ChangeSpeed1", "Change Speed", ""},
      {"ColorFade1", "Color Fade", ""},
      {"CheckDemo1", "Check Demo", ""},
      {"BlockNumber1", "Block Number", "Ctrl+B"},
      {"Time1", "Time", "Ctrl+T"},
      {"Directories1", "Directories...", ""},
      {"Sound1", "&Sound", ""},
      {"PrintMessage1", "&Print Message", ""},
      {"CenterPrint1", "&Center Print", ""},
      {"ConsoleCommand1", "Console Command", ""},
      {"About1", "&About...", ""},
  };
  for (const auto& entry : entries) {
    QAction* action = Action(*window, entry.name);
    ASSERT_NE(action, nullptr) << entry.name;
    EXPECT_EQ(action->text(), entry.caption) << entry.name;
    EXPECT_EQ(action->shortcut().toString(), entry.shortcut) << entry.name;
  }
  EXPECT_FALSE(Action(*window, "Undo1")->isEnabled());
  QStringList menus;
  for (QAction* menu : window->menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus, QStringList({"&File", "&Edit", "F/&X", "&Options", "&Insert", "&Help"}));

  // Tool bar buttons carry their hints; the tools form one group with the
  // selection tool down.
  const std::pair<const char*, const char*> hints[] = {{"new_butt", "Create a New File"},
                                                       {"open_butt", "Open File"},
                                                       {"save_butt", "Save File"},
                                                       {"cut_butt", "Cut Selection"},
                                                       {"pasteend_butt", "Paste Selection at End"},
                                                       {"SpeedButton2", "Change Speed"},
                                                       {"SpeedButton7", "Insert Print Message"},
                                                       {"arrow_butt", "Selection Tool"},
                                                       {"out_butt", "Set the out-flag"},
                                                       {"mRW_butt", "Scroll 9 frames left"},
                                                       {"fFF_butt", "Scroll 9 frames right"},
                                                       {"play_butt", "Play the Selected Blocks"},
                                                       {"SpeedButton1", "Stop trying to update"},
                                                       {"update_butt", "Generate Screen Shots for Visible Frames"}};
  for (auto [name, hint] : hints) {
    auto* button = window->findChild<QToolButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->toolTip(), hint) << name;
    EXPECT_FALSE(button->icon().isNull()) << name;
  }
  EXPECT_TRUE(window->findChild<QToolButton*>("arrow_butt")->isChecked());
  EXPECT_EQ(window->currentTool(), Tool::Arrow);
  window->findChild<QToolButton*>("in_butt")->click();
  EXPECT_FALSE(window->findChild<QToolButton*>("arrow_butt")->isChecked());
  EXPECT_EQ(window->currentTool(), Tool::In);
}

TEST_F(MainWindowTest, TheChangeSpeedButtonIsTheStopCommandAndTheDelShortcutComesBack) {
  auto window = MakeWindow();
  window->findChild<QToolButton*>("SpeedButton2")->click();
  EXPECT_TRUE(window->editor().stopRequested());
  EXPECT_FALSE(window->configurationDialog()->isVisible());

  QAction* del = Action(*window, "Delete1");
  window->showConfiguration();
  EXPECT_TRUE(window->configurationDialog()->isVisible());
  QEvent dialogActivated(QEvent::WindowActivate);
  QApplication::sendEvent(window->configurationDialog(), &dialogActivated);
  EXPECT_TRUE(del->shortcut().isEmpty());
  QEvent activate(QEvent::WindowActivate);
  QApplication::sendEvent(window.get(), &activate);
  EXPECT_EQ(del->shortcut(), QKeySequence(Qt::Key_Delete));
}

TEST_F(MainWindowTest, OpenScrollZoomMarkSaveAndReopen) {
  const std::string demo = Generated("sample one.dem", 1000);
  auto window = MakeWindow();
  chooser_.answers = {QString::fromStdString(demo)};
  words_.clear();
  Trigger(*window, "Open1");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(words_, (std::vector<std::string>{"Opening File", "Done"}));
  StripState& master = window->sourceStrip()->state();
  ASSERT_TRUE(master.HasDemo());
  EXPECT_EQ(master.fileName, demo);
  const std::int32_t entries = master.Entries();
  EXPECT_EQ(master.step, FitStep(entries));
  EXPECT_EQ(Caption(window->sourceStrip(), 1), "4");
  EXPECT_EQ(Caption(window->sourceStrip(), 2), QString::number(4 + master.step));

  // Scrolling at both ends.
  auto* left = window->findChild<QToolButton*>("mRW_butt");
  auto* right = window->findChild<QToolButton*>("mFF_butt");
  left->click();
  EXPECT_EQ(master.firstVisible, 4);
  for (int i = 0; i < 200; ++i) right->click();
  // Nine frames right near the end lands on a whole number of steps
  // before the last entry; one frame right goes on while the last frame
  // stays short of it.
  const std::int32_t last = master.firstVisible;
  EXPECT_EQ(last, std::max(4, ((entries - 1) / master.step) * master.step + 4 - 9 * master.step));
  auto* oneRight = window->findChild<QToolButton*>("mP_butt");
  for (int i = 0; i < 50; ++i) oneRight->click();
  EXPECT_GT(master.firstVisible, last);
  EXPECT_GE(master.firstVisible + 9 * master.step, entries - 1);
  EXPECT_LT(master.firstVisible + 8 * master.step, entries - 1);
  for (int i = 0; i < 200; ++i) left->click();
  EXPECT_EQ(master.firstVisible, 4);

  // Zoom in on frame 1 with the zoom tool, then mark frames 2 to 3.
  window->findChild<QToolButton*>("Zoomin_butt")->click();
  const std::int32_t step = master.step;
  QTest::mouseClick(window->sourceStrip()->image(1), Qt::LeftButton);
  EXPECT_EQ(master.step, std::max(step / 2, 1));
  window->findChild<QToolButton*>("arrow_butt")->click();
  QTest::mouseClick(window->sourceStrip()->image(2), Qt::LeftButton);
  QTest::mouseClick(window->sourceStrip()->image(3), Qt::LeftButton, Qt::ShiftModifier);
  EXPECT_EQ(master.inMark, 4 + master.step);
  EXPECT_EQ(master.outMark, 4 + 3 * master.step - 1);

  // Save As a demo and as text; the demo opens again with the same blocks
  // but for the console reset line and the rewritten times.
  const std::string savedDemo = dir_.File("saved.dem");
  const std::string savedText = dir_.File("saved.txt");
  chooser_.answers = {QString::fromStdString(savedDemo)};
  words_.clear();
  Trigger(*window, "SaveAs1");
  EXPECT_EQ(words_, (std::vector<std::string>{"Saving File", "Done"}));
  EXPECT_EQ(master.fileName, savedDemo);
  chooser_.answers = {QString::fromStdString(savedText)};
  Trigger(*window, "SaveAs1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_TRUE(FileExists(savedDemo));
  EXPECT_TRUE(FileExists(savedText));

  const TDemFile before = master.demo;
  window->findChild<QToolButton*>("fBF_butt")->click();
  EXPECT_EQ(window->activeStrip(), window->finalStrip());
  chooser_.answers = {QString::fromStdString(savedDemo)};
  Trigger(*window, "Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  const TDemFile& after = window->finalStrip()->state().demo;
  EXPECT_EQ(window->sourceStrip()->state().fileName, savedText) << "the source strip keeps its demo";
  ASSERT_EQ(after.Blocks.size(), before.Blocks.size());
  std::size_t compared = 0;
  for (std::size_t b = 0; b < before.Blocks.size(); ++b) {
    std::vector<std::string> a = before.Blocks[b]->Lines();
    std::vector<std::string> c = after.Blocks[b]->Lines();
    std::erase(c, std::string(kConsoleResetLine));
    std::erase(a, std::string(kConsoleResetLine));
    ASSERT_EQ(a.size(), c.size()) << "block " << b;
    for (std::size_t i = 0; i < a.size(); ++i) {
      // Time lines are rewritten, and the duration comments follow from
      // them (the first timed block now starts at 0).
      if (a[i].rfind(" time", 0) == 0 || a[i].rfind("// ", 0) == 0) continue;
      ASSERT_EQ(a[i], c[i]) << "block " << b << " line " << i;
      ++compared;
    }
  }
  EXPECT_GT(compared, 5000u);
}

TEST_F(MainWindowTest, NewSaveAndCloseAnEmptyDemo) {
  auto window = MakeWindow();
  const std::string target = dir_.File("new.txt");
  chooser_.answers = {QString::fromStdString(target)};
  words_.clear();
  Trigger(*window, "New1");
  EXPECT_EQ(words_, (std::vector<std::string>{"Creating New File", "Done"}));
  EXPECT_FALSE(FileExists(target)) << "nothing is written before the first save";
  EXPECT_EQ(window->sourceStrip()->state().step, 32);
  Trigger(*window, "Save1");
  EXPECT_EQ(test::ReadFile(target),
            "\r\n\r\n\r\n\r\nblock {\r\n camera 0.000000000 0.000000000 0.000000000;\r\n disconnect;\r\n}\r\n");
  EXPECT_EQ(Caption(window->sourceStrip(), 1), "4");

  // Close: white pictures, captions as they were, no demo, thumbnails gone.
  WriteFile(window->editor().settings().previewpath + "M4.pcx", "not a picture");
  WriteFile(window->editor().settings().previewpath + "F4.pcx", "the other strip's");
  words_.clear();
  Trigger(*window, "Close1");
  EXPECT_EQ(words_, (std::vector<std::string>{"Closing File", "Done"}));
  EXPECT_FALSE(window->sourceStrip()->state().HasDemo());
  EXPECT_FALSE(FileExists(window->editor().settings().previewpath + "M4.pcx"));
  EXPECT_TRUE(FileExists(window->editor().settings().previewpath + "F4.pcx"));
  EXPECT_EQ(Caption(window->sourceStrip(), 1), "4");
  const QImage& bitmap = window->sourceStrip()->image(5)->bitmap();
  EXPECT_EQ(bitmap.size(), QSize(107, 80));
  EXPECT_EQ(bitmap.pixelColor(50, 40), QColor(Qt::white));

  // Without a demo the three are disabled; called all the same, Save leaves
  // its word standing, Save As and Close do nothing.
  for (const char* name : {"Save1", "SaveAs1", "Close1"}) EXPECT_FALSE(Action(*window, name)->isEnabled()) << name;
  words_.clear();
  window->files().save();
  window->files().saveAs();
  window->files().closeDemo();
  EXPECT_EQ(words_, std::vector<std::string>{"Saving File"});
  EXPECT_EQ(chooser_.asked.size(), 1u) << "Save As without a demo shows no dialog";
}

TEST_F(MainWindowTest, CancelledDialogsAndFailedOpensKeepTheDemo) {
  const std::string demo = Generated("keep.dem", 200);
  auto window = MakeWindow();
  chooser_.answers = {QString::fromStdString(demo)};
  Trigger(*window, "Open1");
  ASSERT_TRUE(window->sourceStrip()->state().HasDemo());
  const std::size_t entries = window->sourceStrip()->state().demo.Blocks.size();

  words_.clear();
  Trigger(*window, "Open1");  // cancelled
  EXPECT_EQ(words_, (std::vector<std::string>{"Opening File", "Done"}));
  Trigger(*window, "New1");  // cancelled
  EXPECT_EQ(words_.size(), 2u);
  EXPECT_EQ(window->sourceStrip()->state().fileName, demo);

  const std::string broken = dir_.File("broken.dem");
  WriteFile(broken, "this is no demo at all");
  chooser_.answers = {QString::fromStdString(broken)};
  Trigger(*window, "Open1");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_TRUE(boxes_[0].startsWith("Clipvex: The conversion of")) << boxes_[0].toStdString();
  EXPECT_EQ(window->statusWord(), "Opening File");
  EXPECT_EQ(window->sourceStrip()->state().fileName, demo);
  EXPECT_EQ(window->sourceStrip()->state().demo.Blocks.size(), entries);

  // A converter that cannot be started.
  std::filesystem::remove(game_ + "lmpc");
  chooser_.answers = {QString::fromStdString(dir_.File("elsewhere.dem"))};
  Trigger(*window, "SaveAs1");
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1], QString::fromStdString("Clipvex: Failed to execute program.  Error Code 2\n" + game_ +
                                              "lmpc\nNo such file or directory\n"
                                              "Set the converter's folder in Options > Directories"));
  EXPECT_EQ(window->sourceStrip()->state().fileName, demo) << "a failed Save As keeps the file name";
  EXPECT_FALSE(FileExists(dir_.File("elsewhere.dem")));
}

TEST_F(MainWindowTest, ARealDemoOpensIntoTheFinalStrip) {
  CLIPVEX_NEED_FIXTURES(test::DemoFolder());
  auto window = MakeWindow();
  QTest::mouseClick(window->finalStrip(), Qt::LeftButton, {}, QPoint(1010, 100));
  ASSERT_EQ(window->activeStrip(), window->finalStrip());
  EXPECT_TRUE(window->finalStrip()->isLowered());
  chooser_.answers = {QString::fromStdString(test::DemoFixture("p15_e4m2_id101.dem"))};
  Trigger(*window, "Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_FALSE(window->sourceStrip()->state().HasDemo());
  const StripState& final = window->finalStrip()->state();
  ASSERT_TRUE(final.HasDemo());
  EXPECT_GT(final.Entries(), 1000);
  EXPECT_EQ(final.step, FitStep(final.demo.Blocks.size()));
  QApplication::setActiveWindow(window.get());
  QTest::keyClick(window.get(), Qt::Key_T, Qt::ControlModifier);
  EXPECT_TRUE(Caption(window->finalStrip(), 2).endsWith("s")) << Caption(window->finalStrip(), 2).toStdString();
  QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_EQ(Caption(window->finalStrip(), 2), QString::number(4 + final.step));

  // Saved as a demo, closed and opened again: the same blocks.
  const std::size_t entries = final.demo.Blocks.size();
  const std::string saved = dir_.File("e4m2 again.dem");
  chooser_.answers = {QString::fromStdString(saved)};
  Trigger(*window, "SaveAs1");
  Trigger(*window, "Close1");
  EXPECT_FALSE(final.HasDemo());
  EXPECT_TRUE(final.demo.Blocks.empty());
  chooser_.answers = {QString::fromStdString(saved)};
  Trigger(*window, "Open1");
  ASSERT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(final.demo.Blocks.size(), entries);
  EXPECT_EQ(final.fileName, saved);
}

TEST_F(MainWindowTest, MemoryPanelShowsFreshFiguresAndHides) {
  auto window = MakeWindow();
  auto* panel = window->findChild<QWidget*>("mempanel");
  auto* load = panel->findChild<QLabel*>("memload");
  EXPECT_EQ(load->text(), "memload");
  QTest::mouseDClick(window->statusBar(), Qt::LeftButton);
  EXPECT_TRUE(panel->isVisible());
  EXPECT_TRUE(load->text().endsWith("%"));
  bool ok = false;
  EXPECT_GT(panel->findChild<QLabel*>("physmem")->text().toULongLong(&ok), 0u);
  EXPECT_TRUE(ok);
  QTest::mouseDClick(panel, Qt::LeftButton);
  EXPECT_FALSE(panel->isVisible());
}

TEST_F(MainWindowTest, ClosingTheWindowClearsThePreviewFolderAndKeepsTheToolsBarPlace) {
  {
    auto window = MakeWindow();
    WriteFile(game_ + "id1/M12.pcx", "x");
    WriteFile(game_ + "id1/quake00.pcx", "x");
    WriteFile(game_ + "id1/keep.dem", "x");
    QTest::mouseDClick(window->findChild<QWidget*>("center_panel"), Qt::LeftButton);
    QToolBar* tools = window->toolsBar();
    ASSERT_TRUE(tools->isFloating());
    tools->hide();
    EXPECT_TRUE(tools->isVisible()) << "the Tools tool bar cannot be hidden";
    tools->move(120, 140);
    window->close();
    EXPECT_FALSE(FileExists(game_ + "id1/M12.pcx"));
    EXPECT_FALSE(FileExists(game_ + "id1/quake00.pcx"));
    EXPECT_TRUE(FileExists(game_ + "id1/keep.dem"));
  }
  {
    std::unique_ptr<QSettings> stored = OpenClipvexSettings();
    EXPECT_EQ(stored->value("ToolBars/toolbar1/Left").toInt(), 120);
    EXPECT_EQ(stored->value("ToolBars/toolbar1/Top").toInt(), 140);
    EXPECT_FALSE(stored->contains("ToolBars/toolbar1/DockedTo"));
  }
  {
    auto window = MakeWindow();
    EXPECT_TRUE(window->toolsBar()->isFloating());
    EXPECT_EQ(window->toolsBar()->pos(), QPoint(120, 140));
    window->close();
  }
  {
    // Docked in the bottom area on a line of its own, as the file says; a
    // place that makes no sense leaves the bar where it starts.
    std::unique_ptr<QSettings> stored = OpenClipvexSettings();
    stored->remove("ToolBars");
    stored->setValue("ToolBars/toolbar1/DockedTo", "Docks4");
    stored->setValue("ToolBars/toolbar1/DockLine", 0);
    stored->setValue("ToolBars/toolbar1/DockPos", 0);
    stored->sync();
  }
  {
    auto window = MakeWindow();
    EXPECT_FALSE(window->toolsBar()->isFloating());
    EXPECT_EQ(window->toolBarArea(window->toolsBar()), Qt::BottomToolBarArea);
    window->close();
  }
  std::unique_ptr<QSettings> stored = OpenClipvexSettings();
  EXPECT_EQ(stored->value("ToolBars/toolbar1/DockedTo").toString(), "Docks4");
  EXPECT_FALSE(stored->contains("ToolBars/toolbar1/Left"));
  stored->setValue("ToolBars/toolbar1/DockedTo", "Docks9");
  stored->sync();
  {
    auto window = MakeWindow();
    EXPECT_EQ(window->toolBarArea(window->toolsBar()), Qt::TopToolBarArea);
    window->close();
  }
  stored->remove("ToolBars");
  stored->sync();
}

}  // namespace
}  // namespace clipvex
