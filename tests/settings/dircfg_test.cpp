// Rules of the Configuration dialog: its built-in values, filling from the
// store, and what OK writes.
#include "settings/dircfg.h"

#include <gtest/gtest.h>

#include <vector>

namespace clipvex {
namespace {

#ifndef _WIN32
TEST(DircfgDefaultsTest, FoldersLieInTheHomeFolder) {
  const DircfgValues values = DefaultDircfgValues("/home/u");
  EXPECT_EQ(values.winqpath, "/home/u/quake/");
  EXPECT_EQ(values.lmpcpath, "/home/u/quake/lmpc/");
  EXPECT_EQ(values.dempath, "id1");
  EXPECT_EQ(values.addparams, "-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex");
  EXPECT_FALSE(values.fast);
  EXPECT_EQ(DefaultDircfgValues("/").winqpath, "/quake/");
  EXPECT_EQ(DefaultDircfgValues("/home/v/").lmpcpath, "/home/v/quake/lmpc/");
}
#endif

TEST(DircfgReadTest, NonEmptyTextsReplaceTheBoxes) {
  const DircfgValues defaults = DefaultDircfgValues("/h");
  MemorySettingsStore store;
  DircfgValues values = defaults;
  ReadDircfgValues(store, values);  // nothing stored: the defaults stay
  EXPECT_EQ(values.winqpath, defaults.winqpath);
  EXPECT_EQ(values.addparams, defaults.addparams);

  store.Put("winquakepath", std::string("/g/"));
  store.Put("lmpcpath", std::string(""));
  store.Put("dempath", std::string("mymod"));
  store.Put("fastpre", std::int32_t{1});
  values = defaults;
  ReadDircfgValues(store, values);
  EXPECT_EQ(values.winqpath, "/g/");
  EXPECT_EQ(values.lmpcpath, defaults.lmpcpath);    // empty text leaves the box
  EXPECT_EQ(values.addparams, defaults.addparams);  // missing leaves the box
  EXPECT_EQ(values.dempath, "mymod");
  EXPECT_TRUE(values.fast);
}

TEST(DircfgReadTest, FailingReadEndsTheReading) {
  const DircfgValues defaults = DefaultDircfgValues("/h");
  MemorySettingsStore store;
  store.Put("WinQuakePath", std::string("/g/"));
  store.Put("lmpcpath", std::int32_t{4});
  store.Put("dempath", std::string("mymod"));
  store.Put("fastpre", std::int32_t{1});
  DircfgValues values = defaults;
  ReadDircfgValues(store, values);
  EXPECT_EQ(values.winqpath, "/g/");
  EXPECT_EQ(values.lmpcpath, defaults.lmpcpath);
  EXPECT_EQ(values.dempath, "id1");
  EXPECT_FALSE(values.fast);

  store.Put("lmpcpath", std::string("/l/"));
  store.Put("fastpre", std::string("1"));
  values = defaults;
  values.fast = true;
  ReadDircfgValues(store, values);
  EXPECT_EQ(values.dempath, "mymod");
  EXPECT_TRUE(values.fast);  // not an integer: the box keeps its state
}

TEST(DircfgPrepareTest, BothFoldersNeededAndEndWithSeparator) {
  DircfgValues values;
  values.winqpath = "/g";
  values.dempath = "mod";
  values.addparams = "-x ";
  EXPECT_FALSE(PrepareDircfgValues(values));
  EXPECT_EQ(values.winqpath, "/g");

  values.winqpath.clear();
  values.lmpcpath = "/l";
  EXPECT_FALSE(PrepareDircfgValues(values));
  EXPECT_EQ(values.lmpcpath, "/l");

  values.winqpath = "/g";
  ASSERT_TRUE(PrepareDircfgValues(values));
  const std::string sep(1, kPathSeparator);
  EXPECT_EQ(values.winqpath, "/g" + sep);
  EXPECT_EQ(values.lmpcpath, "/l" + sep);
  EXPECT_EQ(values.dempath, "mod");
  EXPECT_EQ(values.addparams, "-x ");
  ASSERT_TRUE(PrepareDircfgValues(values));
  EXPECT_EQ(values.winqpath, "/g" + sep);  // not doubled
}

// Records the order of writes and refuses the one named.
class RecordingStore : public MemorySettingsStore {
 public:
  bool WriteString(std::string_view name, const std::string& value) override {
    order.emplace_back(name);
    return name != refuse && MemorySettingsStore::WriteString(name, value);
  }
  bool WriteInteger(std::string_view name, std::int32_t value) override {
    order.emplace_back(name);
    return name != refuse && MemorySettingsStore::WriteInteger(name, value);
  }
  std::vector<std::string> order;
  std::string refuse;
};

DircfgValues Sample() {
  DircfgValues values;
  values.winqpath = "/g/";
  values.lmpcpath = "/l/";
  values.dempath = "";
  values.addparams = "-a";
  values.fast = true;
  return values;
}

TEST(DircfgWriteTest, WritesAllFiveValuesInOrder) {
  RecordingStore store;
  store.Put("winquakepath", std::string("/old/"));
  EXPECT_EQ(WriteDircfgValues(store, Sample()), "");
  EXPECT_EQ(store.order, (std::vector<std::string>{"WinQuakePath", "lmpcpath", "dempath", "addparams", "fastpre"}));
  EXPECT_EQ(store.flushes(), 5);
  EXPECT_EQ(store.Names(), (std::vector<std::string>{"addparams", "dempath", "fastpre", "lmpcpath", "WinQuakePath"}));
  std::string text;
  std::int32_t fast = 0;
  ASSERT_EQ(store.ReadString("WinQuakepath", text), SettingsStore::Read::Ok);
  EXPECT_EQ(text, "/g/");
  ASSERT_EQ(store.ReadString("dempath", text), SettingsStore::Read::Ok);
  EXPECT_EQ(text, "");  // stored as typed, even empty
  ASSERT_EQ(store.ReadInteger("fastpre", fast), SettingsStore::Read::Ok);
  EXPECT_EQ(fast, 1);

  DircfgValues off = Sample();
  off.fast = false;
  EXPECT_EQ(WriteDircfgValues(store, off), "");
  ASSERT_EQ(store.ReadInteger("fastpre", fast), SettingsStore::Read::Ok);
  EXPECT_EQ(fast, 0);
}

TEST(DircfgWriteTest, ReportsTheValueThatFailedAndStops) {
  RecordingStore store;
  store.refuse = "dempath";
  EXPECT_EQ(WriteDircfgValues(store, Sample()), "dempath");
  EXPECT_EQ(store.order, (std::vector<std::string>{"WinQuakePath", "lmpcpath", "dempath"}));
  EXPECT_EQ(store.Find("addparams"), nullptr);

  RecordingStore refusing;
  refusing.SetWritable(false);
  EXPECT_EQ(WriteDircfgValues(refusing, Sample()), "WinQuakePath");
  RecordingStore lastOne;
  lastOne.refuse = "fastpre";
  EXPECT_EQ(WriteDircfgValues(lastOne, Sample()), "fastpre");
}

}  // namespace
}  // namespace clipvex
