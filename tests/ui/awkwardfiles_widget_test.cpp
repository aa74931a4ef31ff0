// Files where they are awkward: saving over the demo that is open, Save As
// onto the file the other strip shows, names with blanks, quotes and letters
// beyond ASCII (through Open, Save, the title, the question before a changed
// demo is dropped and the converter's arguments), and a preview folder that
// cannot be written while blocks move and when the window closes. What a
// save wrote is read back through the converter.
#include <gtest/gtest.h>

#include <QAction>
#include <filesystem>

#include "uisupport/mainwindowfixture.h"

namespace clipvex {
namespace {

using test::FileExists;
using test::LinesOf;
using test::SavedLines;
using test::ShownTitle;

class AwkwardFilesTest : public test::MainWindowFixture {
 protected:
  StripState& Active() { return window_->activeStrip()->state(); }
  // Deletes blocks `from` to `to` of the active strip.
  void Delete(std::int32_t from, std::int32_t to) {
    Active().inMark = from;
    Active().outMark = to;
    Trigger("Delete1");
  }
  std::string Thumbnail(std::int64_t block) const {
    return window_->editor().settings().previewpath + "M" + std::to_string(block) + ".pcx";
  }
};

TEST_F(AwkwardFilesTest, SaveOverTheOpenDemoWritesTheEditedDemo) {
  const std::string path = Generated("film.dem", 200);
  window_ = MakeWindow();
  Open(*window_, path);
  const std::size_t entries = Active().demo.Blocks.size();
  Delete(10, 29);
  ASSERT_EQ(Active().demo.Blocks.size(), entries - 20);
  Trigger("Save1");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(ShownTitle(*window_), "film.dem - Clipvex");
  EXPECT_EQ(SavedLines(path), LinesOf(Active().demo));
  EXPECT_FALSE(FileExists(path + ".clipvex-tmp"));
}

TEST_F(AwkwardFilesTest, SaveAsOntoTheFileTheOtherStripShowsWritesTheActiveStripsDemo) {
  const std::string first = Generated("first.dem", 150);
  const std::string second = Generated("second.dem", 300);
  window_ = MakeWindow();
  Open(*window_, first);
  const std::vector<std::string> source = LinesOf(Active().demo);
  Click("fBF_butt");
  ASSERT_EQ(window_->activeStrip(), window_->finalStrip());
  Open(*window_, second);
  const std::vector<std::string> secondOnDisk = SavedLines(second);
  Delete(50, 99);

  Choose(first);
  Trigger("SaveAs1");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(Active().fileName, first);
  EXPECT_EQ(ShownTitle(*window_), "first.dem - Clipvex");
  EXPECT_EQ(SavedLines(first), LinesOf(Active().demo));
  EXPECT_EQ(SavedLines(second), secondOnDisk);
  // The source strip still holds what it opened.
  EXPECT_EQ(LinesOf(window_->sourceStrip()->state().demo), source);
  EXPECT_EQ(window_->sourceStrip()->state().fileName, first);
}

TEST_F(AwkwardFilesTest, NamesWithBlanksQuotesAndLettersBeyondAscii) {
  // The converter lies in such a folder too: its own path, the demo's and
  // the temporary dump's all go through its arguments.
  const std::string converter = dir_.File("convérter 'q' \"dq\" $HOME;/");
  std::filesystem::create_directories(converter);
  std::filesystem::create_symlink(std::filesystem::read_symlink(game_ + "lmpc"), converter + "lmpc");
  store_.WriteString("lmpcpath", converter);
  const std::string folder = dir_.File("démos 'one' \"two\" `x`/");
  std::filesystem::create_directories(folder);
  const std::string name = "fïlm 'a' \"b\" ü.dem";
  std::filesystem::rename(Generated("plain.dem", 120), folder + name);

  window_ = MakeWindow();
  Open(*window_, folder + name);
  EXPECT_EQ(Active().fileName, folder + name);
  EXPECT_EQ(ShownTitle(*window_), QString::fromStdString(name + " - Clipvex"));
  Delete(10, 19);
  const std::vector<std::string> edited = LinesOf(Active().demo);
  EXPECT_EQ(ShownTitle(*window_), QString::fromStdString(name + "* - Clipvex"));

  answers_.push_back(SaveAnswer::Save);
  Trigger("Close1");
  EXPECT_EQ(questions_, std::vector<QString>{QString::fromStdString("Clipvex: Save changes to '" + name + "'?")});
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_FALSE(Active().HasDemo());
  EXPECT_EQ(SavedLines(folder + name), edited);

  Open(*window_, folder + name);
  EXPECT_EQ(LinesOf(Active().demo), edited);
  const std::string other = folder + "nëw \"name\" 'x'.dem";
  Choose(other);
  Trigger("SaveAs1");
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  EXPECT_EQ(ShownTitle(*window_), QString::fromStdString("nëw \"name\" 'x'.dem - Clipvex"));
  EXPECT_EQ(SavedLines(other), edited);
}

// Thumbnail files that cannot move never stop an edit: the paste happens,
// undoes, and no picture is lost; closing the window leaves them and says nothing.
TEST_F(AwkwardFilesTest, AReadOnlyPreviewFolderNeitherStopsAPasteNorTheWindowsClose) {
  const std::string path = Generated("film.dem", 200);
  window_ = MakeWindow();
  Open(*window_, path);
  const std::vector<std::int64_t> pictured{8, 9, 10, 40};
  for (std::int64_t block : pictured) test::WriteFile(Thumbnail(block), "picture " + std::to_string(block));
  const std::size_t entries = Active().demo.Blocks.size();
  Active().inMark = 20;
  Active().outMark = 24;
  Trigger("Copy1");
  Active().inMark = 9;
  dir_.OpenToAll();
  test::MakeReadOnly(window_->editor().settings().previewpath);
  {
    test::UnprivilegedUser user;
    Trigger("Paste1");
    EXPECT_EQ(Active().demo.Blocks.size(), entries + 5);
    Trigger("Undo1");
    EXPECT_EQ(Active().demo.Blocks.size(), entries);
    EXPECT_EQ(ShownTitle(*window_), "film.dem - Clipvex");
    window_->close();
  }
  test::MakeReadOnly(window_->editor().settings().previewpath, false);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_TRUE(boxes_.empty()) << boxes_.front().toStdString();
  for (std::int64_t block : pictured) EXPECT_EQ(test::ReadFile(Thumbnail(block)), "picture " + std::to_string(block));
}

}  // namespace
}  // namespace clipvex
