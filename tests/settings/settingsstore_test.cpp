// Loading the configuration from a store held in memory.
#include "settings/settingsstore.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;

// A game folder with its "id1" subdirectory and a converter folder.
class LoadSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    game_ = temp_.Path() + "quake/";
    lmpc_ = temp_.Path() + "quake/lmpc/";
    std::filesystem::create_directories(game_ + "id1");
    std::filesystem::create_directories(lmpc_);
  }

  void PutComplete() {
    store_.Put("WinQuakePath", game_);
    store_.Put("lmpcpath", lmpc_);
    store_.Put("dempath", std::string("id1"));
    store_.Put("addparams", std::string("-startwindowed"));
    store_.Put("fastpre", std::int32_t{1});
  }

  bool Load() {
    return LoadSettings(settings_, store_, [this] { ++requests_; });
  }

  TempDir temp_;
  std::string game_;
  std::string lmpc_;
  MemorySettingsStore store_;
  Settings settings_;
  int requests_ = 0;
};

TEST_F(LoadSettingsTest, CompleteConfigurationLoadsWithoutRequest) {
  PutComplete();
  EXPECT_TRUE(Load());
  EXPECT_EQ(requests_, 0);
  EXPECT_EQ(settings_.WinQuakePath, game_);
  EXPECT_EQ(settings_.lmpcpath, lmpc_);
  EXPECT_EQ(settings_.dempath, "id1");
  // The game folder's own separator plus one more: harmless, and a folder
  // written without it still works.
  EXPECT_EQ(settings_.previewpath, game_ + "/id1/");
  EXPECT_TRUE(std::filesystem::is_directory(settings_.previewpath));
  EXPECT_EQ(settings_.addparams, "-startwindowed");
  EXPECT_TRUE(settings_.fastpre);

  store_.Put("fastpre", std::int32_t{0});
  EXPECT_TRUE(Load());
  EXPECT_FALSE(settings_.fastpre);
  store_.Put("fastpre", std::int32_t{-7});
  EXPECT_TRUE(Load());
  EXPECT_TRUE(settings_.fastpre);

  // A game folder written without its final separator.
  store_.Put("WinQuakePath", temp_.Path() + "quake");
  EXPECT_TRUE(Load());
  EXPECT_EQ(settings_.previewpath, temp_.Path() + "quake/id1/");
  EXPECT_EQ(requests_, 0);
}

TEST_F(LoadSettingsTest, EmptyStoreRequestsAndKeepsPreviousContents) {
  settings_.WinQuakePath = "old game";
  settings_.lmpcpath = "old lmpc";
  settings_.dempath = "old dem";
  settings_.addparams = "old params";
  settings_.previewpath = "old preview";
  settings_.fastpre = true;
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 1);
  EXPECT_EQ(settings_.WinQuakePath, "old game");
  EXPECT_EQ(settings_.lmpcpath, "old lmpc");
  EXPECT_EQ(settings_.dempath, "old dem");
  EXPECT_EQ(settings_.addparams, "old params");
  EXPECT_EQ(settings_.previewpath, "old preview");
  EXPECT_TRUE(settings_.fastpre);
}

TEST_F(LoadSettingsTest, GameFolderIsFoundInAnyLetterCase) {
  PutComplete();
  for (const char* name : {"winquakepath", "WINQUAKEPATH", "WinQuakepath", "wINqUAKEpATH"}) {
    store_.Remove("WinQuakePath");
    store_.Put(name, game_);
    settings_.WinQuakePath.clear();
    EXPECT_TRUE(Load()) << name;
    EXPECT_EQ(settings_.WinQuakePath, game_) << name;
  }
  store_.Put("LMPCPATH", lmpc_ + "x/");  // replaces "lmpcpath"
  Load();
  EXPECT_EQ(settings_.lmpcpath, lmpc_ + "x/");
  EXPECT_EQ(requests_, 1);  // that folder does not exist
}

TEST_F(LoadSettingsTest, MissingTextReadsEmptyAndFailsValidation) {
  PutComplete();
  store_.Remove("lmpcpath");
  settings_.lmpcpath = "old lmpc";
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 1);
  EXPECT_EQ(settings_.lmpcpath, "");
  // The reading went on past the missing value.
  EXPECT_EQ(settings_.addparams, "-startwindowed");
  EXPECT_TRUE(settings_.fastpre);

  // Missing parameters are no fault.
  PutComplete();
  store_.Remove("addparams");
  EXPECT_TRUE(Load());
  EXPECT_EQ(settings_.addparams, "");
  EXPECT_EQ(requests_, 1);
}

TEST_F(LoadSettingsTest, WrongTypeStopsReadingAfterEarlierValues) {
  PutComplete();
  store_.Put("dempath", MemorySettingsStore::Binary{"id1"});
  settings_.dempath = "old dem";
  settings_.previewpath = "old preview";
  settings_.addparams = "old params";
  settings_.fastpre = false;
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 1);
  EXPECT_EQ(settings_.WinQuakePath, game_);
  EXPECT_EQ(settings_.lmpcpath, lmpc_);
  EXPECT_EQ(settings_.dempath, "old dem");
  EXPECT_EQ(settings_.previewpath, "old preview");
  EXPECT_EQ(settings_.addparams, "old params");
  EXPECT_FALSE(settings_.fastpre);

  // An integer where text is read fails the same way.
  PutComplete();
  store_.Put("addparams", std::int32_t{3});
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 2);
  EXPECT_EQ(settings_.previewpath, game_ + "/id1/");  // assigned before the failure
  EXPECT_EQ(settings_.addparams, "old params");
}

TEST_F(LoadSettingsTest, FastPreviewMustBeAnInteger) {
  PutComplete();
  store_.Remove("fastpre");
  EXPECT_FALSE(Load());
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 2);  // every load asks again
  EXPECT_EQ(settings_.addparams, "-startwindowed");

  store_.Put("fastpre", std::string("1"));
  settings_.fastpre = false;
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 3);
  EXPECT_FALSE(settings_.fastpre);
}

TEST_F(LoadSettingsTest, FoldersMustBeExistingDirectories) {
  PutComplete();
  store_.Put("dempath", std::string("nosuchdir"));
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 1);

  PutComplete();
  test::WriteFile(temp_.Path() + "afile", "x");
  store_.Put("lmpcpath", temp_.Path() + "afile");
  EXPECT_FALSE(Load());
  EXPECT_EQ(requests_, 2);

  PutComplete();
  store_.Put("WinQuakePath", std::string());
  EXPECT_FALSE(Load());  // previewpath "/id1/" does not count without a game folder
  EXPECT_EQ(requests_, 3);

  PutComplete();
  EXPECT_TRUE(Load());
  EXPECT_EQ(requests_, 3);
}

TEST_F(LoadSettingsTest, EmptyRequestIsAllowed) { EXPECT_FALSE(LoadSettings(settings_, store_, nullptr)); }

TEST(MemorySettingsStoreTest, WritesReplaceAnySpellingAndCanBeRefused) {
  MemorySettingsStore store;
  EXPECT_FALSE(store.KeyExists());
  std::string text = "unchanged";
  std::int32_t number = 5;
  EXPECT_EQ(store.ReadString("x", text), SettingsStore::Read::Missing);
  EXPECT_EQ(store.ReadInteger("x", number), SettingsStore::Read::Missing);
  EXPECT_EQ(text, "unchanged");
  EXPECT_EQ(number, 5);

  store.Put("winquakepath", std::string("a"));
  ASSERT_TRUE(store.WriteString("WinQuakePath", "b"));
  EXPECT_TRUE(store.KeyExists());
  EXPECT_EQ(store.Names(), std::vector<std::string>{"WinQuakePath"});
  EXPECT_EQ(store.ReadString("WINQUAKEPATH", text), SettingsStore::Read::Ok);
  EXPECT_EQ(text, "b");
  EXPECT_EQ(store.ReadInteger("winquakepath", number), SettingsStore::Read::WrongType);

  store.SetWritable(false);
  EXPECT_FALSE(store.WriteString("WinQuakePath", "c"));
  EXPECT_FALSE(store.WriteInteger("fastpre", 1));
  EXPECT_FALSE(store.Flush());
  EXPECT_EQ(store.ReadString("WinQuakePath", text), SettingsStore::Read::Ok);
  EXPECT_EQ(text, "b");
  EXPECT_EQ(store.Find("fastpre"), nullptr);
  EXPECT_EQ(store.writes(), 1);
}

TEST(MemorySettingsStoreTest, OnlyAsciiLettersFoldCase) {
  MemorySettingsStore store;
  store.Put("[a]", std::string("x"));
  store.Put("\xC1", std::string("y"));
  EXPECT_NE(store.Find("[A]"), nullptr);
  EXPECT_EQ(store.Find("{a}"), nullptr);
  EXPECT_EQ(store.Find("\xE1"), nullptr);
  EXPECT_EQ(store.Names().size(), 2u);
}

}  // namespace
}  // namespace clipvex
