// The configuration kept in the per-user settings file, read and written
// through QSettings and the Configuration dialog.
#include <unistd.h>

#include <QSettings>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "dialogs/configurationdialog.h"
#include "dialogs/dialogtesthelpers.h"
#include "dialogs/selectdirectorydialog.h"
#include "support/testsupport.h"
#include "ui/qtsettingsstore.h"

namespace clipvex {
namespace {

using test::Child;
using test::Q;

#ifndef _WIN32

// Every test gets its own configuration folder.
class QtSettingsStoreTest : public ::testing::Test {
 protected:
  QtSettingsStoreTest() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Q(config_.Path()));
    conf_ = config_.Path() + "Clipvex/Clipvex.conf";
    game_ = games_.Path() + "quake";
    std::filesystem::create_directories(game_ + "/id1");
    std::filesystem::create_directories(game_ + "/lmpc");
  }

  void WriteConf(std::string_view text) {
    std::filesystem::create_directories(config_.Path() + "Clipvex");
    test::WriteFile(conf_, text);
  }

  bool Load(Settings& settings) {
    const QtSettingsStore store;
    return LoadSettings(settings, store, [this] { ++requests_; });
  }

  // Runs the dialog's OK over the boxes given.
  void AcceptDialog(const std::string& game, const std::string& lmpc) {
    QtSettingsStore store;
    Settings settings;
    SelectDirectoryDialog dirDialog;
    ConfigurationDialog form(settings, store, dirDialog);
    form.showModeless();
    Child<QLineEdit>(form, "winqpath")->setText(Q(game));
    Child<QLineEdit>(form, "lmpcpath")->setText(Q(lmpc));
    Child<QCheckBox>(form, "fast_box")->setChecked(true);
    QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton);
  }

  test::TempDir config_;
  test::TempDir games_;
  std::string conf_;
  std::string game_;
  int requests_ = 0;
  test::RecordedMessages messages_;
};

TEST_F(QtSettingsStoreTest, LivesInTheUsersConfigurationFolder) {
  const auto settings = OpenClipvexSettings();
  EXPECT_EQ(settings->fileName(), Q(conf_));
  EXPECT_FALSE(QtSettingsStore().KeyExists());
  Settings loaded;
  EXPECT_FALSE(Load(loaded));
  EXPECT_EQ(requests_, 1);

  // Tool bars alone make the store exist.
  WriteConf("[ToolBars]\nmain\\visible=true\n");
  EXPECT_TRUE(QtSettingsStore().KeyExists());
}

TEST_F(QtSettingsStoreTest, DialogValuesAreReadBack) {
  AcceptDialog(game_, game_ + "/lmpc");
  EXPECT_TRUE(messages_.messages.empty());
  const std::string text = test::ReadFile(conf_);
  EXPECT_NE(text.find("WinQuakePath=" + game_ + "/\n"), std::string::npos) << text;
  EXPECT_NE(text.find("lmpcpath=" + game_ + "/lmpc/\n"), std::string::npos) << text;
  EXPECT_NE(text.find("dempath=id1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("fastpre=1\n"), std::string::npos) << text;

  Settings loaded;
  EXPECT_TRUE(Load(loaded));
  EXPECT_EQ(requests_, 0);
  EXPECT_EQ(loaded.WinQuakePath, game_ + "/");
  EXPECT_EQ(loaded.lmpcpath, game_ + "/lmpc/");
  EXPECT_EQ(loaded.previewpath, game_ + "//id1/");
  EXPECT_EQ(loaded.addparams, "-startwindowed  +_windowed_mouse 0 +vid_mode 0 +playdemo clipvex");
  EXPECT_TRUE(loaded.fastpre);

  // A fresh dialog shows what was stored.
  QtSettingsStore store;
  Settings settings;
  SelectDirectoryDialog dirDialog;
  ConfigurationDialog form(settings, store, dirDialog);
  EXPECT_EQ(Child<QLineEdit>(form, "winqpath")->text(), Q(game_ + "/"));
  EXPECT_TRUE(Child<QCheckBox>(form, "fast_box")->isChecked());
}

TEST_F(QtSettingsStoreTest, NamesInAnyCaseAreReadAndReplacedOnWrite) {
  WriteConf("[General]\nwinquakepath=" + game_ + "/\nLMPCPATH=" + game_ +
            "/lmpc/\nDemPath=id1\nAddParams=\"-a, b\"\nFASTPRE=0\n");
  Settings loaded;
  EXPECT_TRUE(Load(loaded));
  EXPECT_EQ(requests_, 0);
  EXPECT_EQ(loaded.WinQuakePath, game_ + "/");
  EXPECT_EQ(loaded.lmpcpath, game_ + "/lmpc/");
  EXPECT_EQ(loaded.addparams, "-a, b");
  EXPECT_FALSE(loaded.fastpre);

  AcceptDialog(game_, game_ + "/lmpc");
  const std::string text = test::ReadFile(conf_);
  EXPECT_EQ(text.find("winquakepath="), std::string::npos) << text;
  EXPECT_EQ(text.find("FASTPRE="), std::string::npos) << text;
  EXPECT_NE(text.find("WinQuakePath="), std::string::npos) << text;
  EXPECT_TRUE(Load(loaded));
  EXPECT_TRUE(loaded.fastpre);
}

TEST_F(QtSettingsStoreTest, ValuesOfTheWrongKindFailTheRead) {
  const std::string good = "[General]\nWinQuakePath=" + game_ + "/\nlmpcpath=" + game_ + "/lmpc/\n";
  struct Case {
    const char* rest;
    bool valid;
  };
  const Case cases[] = {
      {"dempath=id1\naddparams=x\nfastpre=1\n", true},
      {"dempath=id1\naddparams=x\nfastpre=  -3\n", true},
      {"dempath=id1, id2\naddparams=x\nfastpre=1\n", false},  // a list
      {"dempath=id1\naddparams=@ByteArray(x)\nfastpre=1\n", false},
      {"dempath=id1\naddparams=x\nfastpre=1x\n", false},
      {"dempath=id1\naddparams=x\nfastpre=4294967296\n", false},
      {"dempath=id1\naddparams=x\nfastpre=\n", false},
      {"dempath=id1\naddparams=x\nfastpre=@Invalid()\n", false},
      {"dempath=id1\naddparams=x\n", false},
      {"addparams=x\nfastpre=1\n", true},  // no subdirectory: the game folder itself
  };
  for (const Case& c : cases) {
    WriteConf(good + c.rest);
    Settings loaded;
    requests_ = 0;
    EXPECT_EQ(Load(loaded), c.valid) << c.rest;
    EXPECT_EQ(requests_, c.valid ? 0 : 1) << c.rest;
  }
}

TEST_F(QtSettingsStoreTest, NonAsciiFolderNamesSurvive) {
  const std::string game = games_.Path() + "sp\xC3\xA4t";  // UTF-8, as the file system keeps it
  std::filesystem::create_directories(game + "/id1");
  AcceptDialog(game, game_ + "/lmpc");
  Settings loaded;
  EXPECT_TRUE(Load(loaded));
  EXPECT_EQ(loaded.WinQuakePath, game + "/");
}

TEST_F(QtSettingsStoreTest, MalformedFileAsksForTheConfigurationAndIsRepaired) {
  std::string garbage = "[General\n\x01\x02\xff=\n==\n[[x]]\n";
  garbage.push_back('\0');
  garbage += "\xfe\xff\nWinQuakePath\n@Variant(\\0\\0\\0\\x7f)\n";
  for (int i = 0; i < 64; ++i) garbage.push_back(static_cast<char>(i * 37));
  WriteConf(garbage);
  {
    // The dialog's store is the first to read the file; it keeps reporting
    // the damage after the writing succeeded.
    QtSettingsStore store;
    ASSERT_EQ(store.settings().status(), QSettings::FormatError);
    Settings settings;
    EXPECT_FALSE(LoadSettings(settings, store, [this] { ++requests_; }));
    EXPECT_EQ(requests_, 1);
    SelectDirectoryDialog dirDialog;
    ConfigurationDialog form(settings, store, dirDialog);
    EXPECT_EQ(Child<QLineEdit>(form, "dempath")->text(), "id1");
    form.showModeless();
    Child<QLineEdit>(form, "winqpath")->setText(Q(game_));
    Child<QLineEdit>(form, "lmpcpath")->setText(Q(game_ + "/lmpc"));
    QTest::mouseClick(Child<QPushButton>(form, "ok_butt"), Qt::LeftButton);
    EXPECT_TRUE(messages_.messages.empty());
    EXPECT_FALSE(form.isVisible());
  }
  Settings loaded;
  EXPECT_TRUE(Load(loaded));
  EXPECT_EQ(requests_, 1);
  EXPECT_EQ(loaded.WinQuakePath, game_ + "/");
  EXPECT_NE(test::ReadFile(conf_).find("WinQuakePath=" + game_ + "/\n"), std::string::npos);
}

TEST_F(QtSettingsStoreTest, UnwritableFileIsReported) {
  // A folder where the file belongs stops every writer, the superuser too.
  std::filesystem::create_directories(conf_);
  AcceptDialog(game_, game_ + "/lmpc");
  EXPECT_EQ(messages_.messages, std::vector<std::string>{"Clipvex: Failed to set data for 'WinQuakePath'"});
}

TEST_F(QtSettingsStoreTest, ReadOnlyFileIsReported) {
  WriteConf("[General]\ndempath=id1\n");
  namespace fs = std::filesystem;
  fs::permissions(conf_, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  config_.OpenToAll();
  test::MakeReadOnly(config_.Path() + "Clipvex");
  {
    test::UnprivilegedUser user;  // root would write anyway
    ASSERT_FALSE(std::ofstream(conf_, std::ios::app).is_open());
    AcceptDialog(game_, game_ + "/lmpc");
  }
  test::MakeReadOnly(config_.Path() + "Clipvex", false);
  EXPECT_EQ(messages_.messages, std::vector<std::string>{"Clipvex: Failed to set data for 'WinQuakePath'"});
  EXPECT_EQ(test::ReadFile(conf_), "[General]\ndempath=id1\n");
}

#endif

}  // namespace
}  // namespace clipvex
