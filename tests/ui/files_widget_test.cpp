// The File commands' waits for the converter, the files named on the
// command line, another Clipvex on the same folders, and the demo check
// before a save.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "dialogs/busydialog.h"
#include "dialogs/democheckdialog.h"
#include "document/democheck.h"
#include "effects/search.h"
#include "ui/checkcontroller.h"
#include "ui/conversionwait.h"
#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using test::ReadFile;

class FilesTest : public test::MainWindowFixture {
 protected:
  // Replaces the converter with a stand-in script.
  void UseConverter(const std::string& body) {
    std::filesystem::remove(game_ + "lmpc");
    test::WriteScript(game_ + "lmpc", body);
  }
  // Runs `step` every 20 ms while `command` runs (it waits in a loop of its
  // own), with the busy indication once it shows, until `step` says done.
  void WhileWaiting(const std::function<void()>& command, const std::function<bool(BusyDialog*)>& step) {
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      BusyDialog* busy = window_->findChild<BusyDialog*>("busy_form");
      if (step(busy != nullptr && busy->isVisible() ? busy : nullptr)) timer.stop();
    });
    timer.start();
    command();
  }
  StripState& Source() { return window_->editor().sourceDocument().state(); }
};

TEST_F(FilesTest, AConverterThatHangsLeavesTheWindowPaintingAndIsCancelledWithNothingChanged) {
  window_ = MakeWindow();
  const std::string first = Generated("first.dem", 300);
  Open(*window_, first);
  const std::string before = ReadFile(first);
  const std::size_t blocks = Source().demo.Blocks.size();
  UseConverter("exec sleep 60");
  int paints = 0;
  struct PaintCounter : QObject {
    int* count;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++*count;
      return false;
    }
  } counter;
  counter.count = &paints;
  window_->sourceStrip()->installEventFilter(&counter);

  const std::string second = Generated("second.dem", 100);
  chooser_.asked.clear();
  for (const char* command : {"Open1", "Save1"}) {
    SCOPED_TRACE(command);
    if (std::string(command) == "Open1") Choose(second);
    QElapsedTimer clock;
    clock.start();
    qint64 shownAfter = -1;
    paints = 0;
    WhileWaiting([&] { Trigger(command); },
                 [&](BusyDialog* busy) {
                   window_->sourceStrip()->update();
                   // Input to the window goes nowhere meanwhile.
                   QTest::mouseClick(window_->findChild<QToolButton*>("new_butt"), Qt::LeftButton);
                   if (busy == nullptr) return false;
                   shownAfter = clock.elapsed();
                   EXPECT_TRUE(busy->text().endsWith("The converter " + QString::fromStdString(game_) +
                                                     "lmpc is still working."))
                       << busy->text().toStdString();
                   QTest::mouseClick(busy->findChild<QPushButton*>("cancel_butt"), Qt::LeftButton);
                   return true;
                 });
    EXPECT_GE(shownAfter, 500);
    EXPECT_GT(paints, 0) << "the window did not paint while it waited";
    EXPECT_EQ(chooser_.asked.size(), std::string(command) == "Open1" ? 1u : 0u) << "a click went through";
    EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
    EXPECT_EQ(Source().fileName, first);
    EXPECT_EQ(Source().demo.Blocks.size(), blocks);
    EXPECT_EQ(ReadFile(first), before);
    chooser_.asked.clear();
  }
  EXPECT_FALSE(window_->files().conversionWait().waiting());
}

TEST_F(FilesTest, TheWaitGivesUpAtItsLimitAndShowsWhatItWaitsFor) {
  window_ = MakeWindow();
  WindowConversionWait& wait = window_->files().conversionWait();
  wait.setBusyDelay(std::chrono::milliseconds(0));
  QString shown;
  WhileWaiting(
      [&] {
        EXPECT_EQ(wait.Wait("Saving 'film.dem'.", std::chrono::milliseconds(300), [] { return false; }),
                  WaitOutcome::TimedOut);
      },
      [&](BusyDialog* busy) {
        if (busy != nullptr) shown = busy->text();
        return busy != nullptr;
      });
  EXPECT_EQ(shown, "Saving 'film.dem'.");
  EXPECT_EQ(window_->findChild<BusyDialog*>("busy_form"), nullptr);
}

TEST_F(FilesTest, FilesFromTheCommandLineOpenIntoBothStripsAndOneThatFailsIsReported) {
  window_ = MakeWindow();
  const std::string source = Generated("source.dem", 120);
  const std::string other = Generated("other.dem", 80);
  const std::string broken = dir_.File("not a demo.dem");
  test::WriteFile(broken, "no demo at all");
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(dir_.Path());
  window_->files().openFiles({"source.dem", QString::fromStdString(broken)});
  std::filesystem::current_path(here);
  EXPECT_EQ(Source().fileName, source) << "a relative name is opened as a full path";
  EXPECT_FALSE(window_->editor().finalDocument().state().HasDemo());
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_TRUE(boxes_[0].startsWith("Clipvex: The conversion of '" + QString::fromStdString(broken) + "' failed"))
      << boxes_[0].toStdString();

  window_->files().openFiles({QString::fromStdString(other), QString::fromStdString(source)});
  EXPECT_EQ(Source().fileName, other);
  EXPECT_EQ(window_->editor().finalDocument().state().fileName, source);
  EXPECT_EQ(window_->statusWord(), "Done");
}

TEST_F(FilesTest, AnotherWindowOnTheSameFoldersIsWaitedForOrRefusesThePreview) {
  window_ = MakeWindow();
  const std::string demo = Generated("demo.dem", 120);
  auto converter = std::make_unique<test::LockHolder>(game_ + "tempfilm.out.lock");
  chooser_.answers = {QString::fromStdString(demo)};
  QString told;
  WhileWaiting([&] { Trigger("Open1"); },
               [&](BusyDialog* busy) {
                 if (busy == nullptr) return false;
                 told = busy->text();
                 converter.reset();  // the other window is done
                 return true;
               });
  EXPECT_EQ(told, "Another Clipvex window is using the converter folder " + QString::fromStdString(game_) +
                      " (tempfilm.out).\nThis window waits until it has finished.");
  EXPECT_EQ(Source().fileName, demo);

  test::LockHolder preview(game_ + "id1/tempfilm.dem.lock");
  Click("update_butt");
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0],
            "Clipvex: Another Clipvex window is taking screenshots or playing a demo in the preview folder " +
                QString::fromStdString(window_->editor().settings().previewpath) +
                ".\nThis window cannot run a preview until it has finished.");
  EXPECT_EQ(window_->preview().lastReport().parts, 0);
  EXPECT_FALSE(std::filesystem::exists(game_ + "id1/tempfilm.dem"));
}

TEST_F(FilesTest, ADemoWithProblemsIsListedAndSavedOnlyWhenTheUserSaysSo) {
  window_ = MakeWindow();
  const std::string path = Generated("film.dem", 200);
  Open(*window_, path);
  window_->checks().checkDemo();
  DemoCheckDialog* list = window_->checks().dialog();
  auto* lines = list->findChild<QListWidget*>("ListBox1");
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(lines->count(), 0);
  EXPECT_EQ(list->findChild<QLabel*>("summary_label")->text(), "No problems found in film.dem.");

  // Block 150's time goes back to the start.
  Block& block = *Source().demo.Blocks[150];
  std::size_t time = 1;
  while (time < block.Count() && block[time].substr(0, 6) != " time ") ++time;
  ASSERT_LT(time, block.Count());
  block.Put(time, " time 0.000000000s;");
  const std::vector<DemoProblem> problems = CheckDemo(Source().demo);
  ASSERT_FALSE(problems.empty());
  const std::string before = ReadFile(path);
  const QString question = QString(
                               "Clipvex: The demo has %1 problem%2 that may stop the game from playing it (first: "
                               "%3). Save anyway?")
                               .arg(problems.size())
                               .arg(problems.size() == 1 ? "" : "s")
                               .arg(QString::fromStdString(DescribeProblem(problems[0])));
  list->hide();
  answers_ = {SaveAnswer::Cancel, SaveAnswer::Save};
  Trigger("Save1");
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(lines->count(), static_cast<int>(problems.size()));
  Trigger("Save1");
  EXPECT_NE(ReadFile(path), before);
  EXPECT_EQ(questions_, (std::vector<QString>{question, question}));
  // Dump text is never played: no question.
  Choose(dir_.File("film.txt"));
  Trigger("SaveAs1");
  EXPECT_EQ(questions_.size(), 2u);

  // A double click brings the block into the middle frame.
  Source().firstVisible = 4;
  list->goToProblem(0);
  EXPECT_EQ(Source().firstVisible, FirstVisibleFor(static_cast<std::int64_t>(problems[0].block), Source().step));
  EXPECT_TRUE(boxes_.empty());
}

}  // namespace
}  // namespace clipvex
