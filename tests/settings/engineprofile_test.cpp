#include "settings/engineprofile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "settings/dircfg.h"
#include "settings/settingsstore.h"
#include "support/testsupport.h"

namespace clipvex {
namespace {

using test::TempDir;
using ::testing::HasSubstr;

const std::string kMinimal = "name = Mine\nprogram = mine\nwindow = class mine\nscreenshots = shot###.tga\n";

TEST(EngineProfile, TheBuiltInProfilesHoldTheFactsOfTheirGames) {
  const ProfileCatalog& catalog = ProfileCatalog::BuiltIn();
  EXPECT_EQ(catalog.Names(), (std::vector<std::string>{"WinQuake", "QuakeSpasm"}));
  EXPECT_TRUE(catalog.Problems().empty());

  const EngineProfile& winquake = catalog.Default();
  EXPECT_EQ(winquake.window, WindowMatchKind::Title);
  EXPECT_EQ(winquake.windowText, "WinQuake");
  EXPECT_EQ(winquake.screenshots, "quake##.pcx");
  EXPECT_TRUE(winquake.deleteOldScreenshots);
  EXPECT_EQ(winquake.start, StartKind::Typed);
  EXPECT_EQ(winquake.shotsCommand, "playdemo tempfilm");
  EXPECT_TRUE(winquake.askReady);
  EXPECT_EQ(winquake.settleMilliseconds, 5000);
  EXPECT_TRUE(winquake.folder.empty()) << "the preview directory";

  const EngineProfile& spasm = *catalog.Find("quakespasm");
  EXPECT_EQ(spasm.name, "QuakeSpasm");
  EXPECT_EQ(spasm.window, WindowMatchKind::TitlePrefix);
  EXPECT_EQ(spasm.windowText, "QuakeSpasm");
  EXPECT_EQ(spasm.folder, "{home}/.quakespasm/{game}");
  EXPECT_EQ(spasm.screenshots, "spasm####.png");
  EXPECT_FALSE(spasm.deleteOldScreenshots);
  EXPECT_EQ(spasm.start, StartKind::BoundKey);
  EXPECT_EQ(spasm.startKey, 238) << "F11";
  EXPECT_EQ(spasm.commandFile, "tempfilm.cfg");
  EXPECT_EQ(spasm.shotsCommand, "timedemo tempfilm");
  EXPECT_EQ(spasm.playCommand, "playdemo tempfilm");
  EXPECT_FALSE(spasm.askReady);
  EXPECT_THAT(spasm.environment, ::testing::Contains("SDL_VIDEODRIVER=x11"));
  EXPECT_EQ(catalog.Find("Other"), nullptr);
}

TEST(EngineProfile, ArgumentsFillTheirPlaceholdersAndKeepLiteralQuotes) {
  const EngineProfile& spasm = *ProfileCatalog::BuiltIn().Find("QuakeSpasm");
  ProfileContext context = MakeProfileContext(spasm, "/games/my quake/", "id1", "+timescale 4 \"+name a b\"");
  context.home = "/home/u";
  EXPECT_EQ(ExpandWords(spasm.arguments, context),
            (std::vector<std::string>{"-basedir", "/games/my quake", "-window", "-width", "640", "-height", "480",
                                      "+con_notifytime", "0", "+scr_conspeed", "100000", "+bind", "F11",
                                      "\"exec tempfilm.cfg\"", "+timescale", "4", "+name a b"}));
  context.game = "hipnotic";
  const std::vector<std::string> mod = ExpandWords(spasm.arguments, context);
  EXPECT_EQ(std::vector<std::string>(mod.begin() + 7, mod.begin() + 9),
            (std::vector<std::string>{"-game", "hipnotic"}));
  EXPECT_EQ(ExpandText(spasm.folder, context), "/home/u/.quakespasm/hipnotic");

  // The preview game's command line, as it always was.
  const EngineProfile& winquake = ProfileCatalog::BuiltIn().Default();
  context = MakeProfileContext(winquake, "/q/", "id1", kDefaultAddParams);
  EXPECT_EQ(ExpandWords(winquake.arguments, context),
            (std::vector<std::string>{"-game", "id1", "-startwindowed", "+_windowed_mouse", "0", "+vid_mode", "0",
                                      "+playdemo", "clipvex"}));
  EXPECT_EQ(ExpandText(winquake.program, context), "/q/winquake");
}

struct Damaged {
  std::string text;
  int line;
  std::string reason;
};
// Test names stay the same from run to run (no bytes of the case printed).
void PrintTo(const Damaged& c, std::ostream* out) { *out << "line " << c.line << ": " << c.reason; }

class DamagedProfile : public ::testing::TestWithParam<Damaged> {};

TEST_P(DamagedProfile, IsRefusedWithItsLineAndReason) {
  const ProfileParse parse = ParseProfile(GetParam().text, "my.profile");
  ASSERT_FALSE(parse.profile.has_value());
  EXPECT_EQ(parse.error.file, "my.profile");
  EXPECT_EQ(parse.error.line, GetParam().line);
  EXPECT_THAT(parse.error.reason, HasSubstr(GetParam().reason));
  EXPECT_THAT(parse.error.Text(), HasSubstr("my.profile"));
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DamagedProfile,
    ::testing::Values(Damaged{kMinimal + "# fine\n\nwidth 640\n", 7, "not a \"key = value\" line"},
                      Damaged{kMinimal + "colour = red\n", 5, "unknown key 'colour'"},
                      Damaged{kMinimal + "name = Again\n", 5, "'name' is given twice (first on line 1)"},
                      Damaged{kMinimal + "width = 0\n", 5, "'width' is a number of pixels"},
                      Damaged{kMinimal + "height = 99999\n", 5, "'height' is a number of pixels"},
                      Damaged{kMinimal + "settle = soon\n", 5, "'settle' is a number of milliseconds"},
                      Damaged{kMinimal + "ask_ready = maybe\n", 5, "\"yes\" or \"no\""},
                      Damaged{kMinimal + "old_screenshots = burn\n", 5, "\"delete\" or \"keep\""},
                      Damaged{kMinimal + "arguments = -base {basedir} {gamedir}\n", 5, "unknown placeholder {gamedir}"},
                      Damaged{kMinimal + "arguments = -x{addparams}\n", 5, "{addparams} must be a word of its own"},
                      Damaged{kMinimal + "folder = {home}/{addparams}\n", 5, "stands only for whole words"},
                      Damaged{kMinimal + "folder = {home/x\n", 5, "a '{' without its '}'"},
                      Damaged{kMinimal + "environment = JUSTANAME\n", 5, "NAME=value"},
                      Damaged{kMinimal + "start = key F13\n", 5, "\"key F1\" to \"key F12\""},
                      Damaged{kMinimal + "start = key F11\n", 5, "needs a 'command_file'"},
                      Damaged{kMinimal + "command_file = ../x.cfg\n", 5, "the name of a file"},
                      Damaged{"name = A\nprogram = a\nwindow = title\nscreenshots = a#.pcx\n", 3, "'window' is"},
                      Damaged{"name = A\nprogram = a\nwindow = process\nscreenshots = a.pcx\n", 4, "'screenshots'"},
                      Damaged{"name = A\nprogram = a\nwindow = process\nscreenshots = a#b#.pcx\n", 4, "'screenshots'"},
                      Damaged{"name = A\nprogram = a\nwindow = process\nscreenshots = a#.jpg\n", 4, "'screenshots'"},
                      Damaged{"name = A\nprogram = a\nscreenshots = a#.pcx\n", 0, "the profile has no 'window'"},
                      Damaged{"program = a\nwindow = process\nscreenshots = a#.pcx\n", 0, "no 'name'"},
                      Damaged{std::string(70000, '#'), 0, "larger than 64 KiB"}));

TEST(EngineProfile, ShotPatternsNameAndRecogniseTheNumberedFiles) {
  const ShotPattern quake = *ParseShotPattern("quake##.pcx");
  EXPECT_EQ(quake.Count(), 100);
  EXPECT_EQ(quake.Name(9), "quake09.pcx");
  EXPECT_EQ(quake.Name(10), "quake10.pcx");
  EXPECT_EQ(quake.NumberOf("quake42.pcx"), 42);
  for (const char* other : {"quake4.pcx", "quake042.pcx", "quakeAB.pcx", "quake42.png", "Quake42.pcx", "M4.pcx"}) {
    EXPECT_EQ(quake.NumberOf(other), -1) << other;
  }
  const ShotPattern spasm = *ParseShotPattern("spasm####.png");
  EXPECT_EQ(spasm.format, ShotFormat::Png);
  EXPECT_EQ(spasm.Count(), 10000);
  EXPECT_EQ(spasm.Name(7), "spasm0007.png");
  EXPECT_EQ(spasm.NumberOf("spasm9999.png"), 9999);
  EXPECT_EQ(ParseShotPattern("shot###.TGA")->format, ShotFormat::Tga);
}

// A private configuration folder with profiles of the user's own.
class ProfileFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* config = std::getenv("XDG_CONFIG_HOME")) previous_ = config;
    ::setenv("XDG_CONFIG_HOME", dir_.File("config").c_str(), 1);
    folder_ = UserProfileFolder();
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    if (previous_.empty()) {
      ::unsetenv("XDG_CONFIG_HOME");
    } else {
      ::setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    }
  }

  TempDir dir_;
  std::string previous_;
  std::string folder_;
};

TEST_F(ProfileFolderTest, UserProfilesJoinTheBuiltInOnesAndDamagedOnesAreNamed) {
  EXPECT_EQ(folder_, dir_.File("config/Clipvex/profiles/"));
  test::WriteFile(folder_ + "mine.profile", kMinimal);
  test::WriteFile(folder_ + "broken.profile", "name = Broken\nprogram x\n");
  std::string spasm(BuiltInProfileText("QuakeSpasm"));
  spasm.replace(spasm.find("settle = 1500"), 13, "settle = 9000");
  test::WriteFile(folder_ + "spasm.profile", spasm);
  test::WriteFile(folder_ + "zz-mine.profile", kMinimal);
  test::WriteFile(folder_ + "notes.txt", "not a profile");

  const ProfileCatalog catalog = ProfileCatalog::Load(folder_);
  EXPECT_EQ(catalog.Names(), (std::vector<std::string>{"WinQuake", "QuakeSpasm", "Mine"}));
  EXPECT_EQ(catalog.Find("QuakeSpasm")->settleMilliseconds, 9000) << "the user's version of a built-in one";
  EXPECT_EQ(catalog.Find("mine")->origin, folder_ + "mine.profile");
  ASSERT_EQ(catalog.Problems().size(), 2u);
  EXPECT_EQ(catalog.Problems()[0].Text(), folder_ + "broken.profile, line 2: not a \"key = value\" line");
  EXPECT_THAT(catalog.Problems()[1].Text(), HasSubstr("another profile file already has the name 'Mine'"));
}

TEST_F(ProfileFolderTest, TheStoredProfileDecidesThePreviewFolderAndIsChecked) {
  const std::string game = dir_.File("game/");
  std::filesystem::create_directories(game + "id1");
  std::filesystem::create_directories(dir_.File("bin"));
  test::WriteScript(dir_.File("bin/mine"), "exit 0");
  test::WriteFile(folder_ + "mine.profile", kMinimal + "folder = " + dir_.File("engine") + "/{game}\n");
  MemorySettingsStore store;
  store.WriteString("WinQuakePath", game);
  store.WriteString("lmpcpath", game);
  store.WriteString("dempath", "id1");
  store.WriteString("addparams", "");
  store.WriteInteger("fastpre", 0);

  // No profile stored: the preview game, its folder the game subdirectory.
  Settings settings;
  EXPECT_TRUE(LoadSettings(settings, store, {}));
  EXPECT_EQ(settings.engine.name, "WinQuake");
  EXPECT_EQ(settings.previewpath, game + "/id1/");

  // A profile with a folder of its own; its program must be found.
  store.WriteString("profile", "Mine");
  const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  ::setenv("PATH", ("/nonexistent:" + path).c_str(), 1);
  EXPECT_FALSE(LoadSettings(settings, store, {}));
  EXPECT_EQ(settings.previewpath, dir_.File("engine/id1/"));
  EXPECT_THAT(ConfigurationProblem(store),
              HasSubstr("The program 'mine' of the engine profile 'Mine' was not found on the search path"));
  ::setenv("PATH", (dir_.File("bin") + ":" + path).c_str(), 1);
  EXPECT_TRUE(LoadSettings(settings, store, {}));
  EXPECT_EQ(settings.engine.name, "Mine");
  EXPECT_EQ(settings.engine.screenshots, "shot###.tga");

  store.WriteString("profile", "Gone");
  test::WriteFile(folder_ + "x.profile", "oops\n");
  EXPECT_FALSE(LoadSettings(settings, store, {}));
  EXPECT_EQ(settings.engine.name, "WinQuake");
  EXPECT_EQ(ConfigurationProblem(store), "The engine profile 'Gone' is not known.\nA profile file was refused: " +
                                             folder_ + "x.profile, line 1: not a \"key = value\" line");
  ::setenv("PATH", path.c_str(), 1);
}

TEST(EngineProfile, TheDialogStoresAProfileOnlyOnceOneIsChosen) {
  MemorySettingsStore store;
  DircfgValues values = DefaultDircfgValues("/home/u");
  EXPECT_EQ(values.profile, "WinQuake");
  values.winqpath = "/q/";
  values.lmpcpath = "/q/";
  EXPECT_EQ(WriteDircfgValues(store, values), "");
  EXPECT_EQ(store.Find("profile"), nullptr) << "a user who picks nothing keeps the five values";
  values.profile = "QuakeSpasm";
  EXPECT_EQ(WriteDircfgValues(store, values), "");
  DircfgValues read = DefaultDircfgValues("/home/u");
  ReadDircfgValues(store, read);
  EXPECT_EQ(read.profile, "QuakeSpasm");
  values.profile = "WinQuake";  // back to the default: written, so the choice holds
  EXPECT_EQ(WriteDircfgValues(store, values), "");
  ASSERT_NE(store.Find("profile"), nullptr);
  EXPECT_EQ(std::get<std::string>(*store.Find("profile")), "WinQuake");
}

}  // namespace
}  // namespace clipvex
