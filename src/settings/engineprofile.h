// Engine profiles: everything the preview needs to know about the game it
// drives, as data. A profile is a small text file of "key = value" lines
// (the README describes them); two are built in, "WinQuake" (the default,
// the preview game driven as it always was) and "QuakeSpasm", and a user
// adds another by writing a file into the profile folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace clipvex {

// The picture format of a game's screenshots.
enum class ShotFormat { Pcx, Png, Tga };

// How the game's window is recognised.
enum class WindowMatchKind {
  Title,        // its title is exactly the text
  TitlePrefix,  // its title starts with the text
  Class,        // its window class (either part) is exactly the text
  Process,      // it belongs to the process the editor started
};

// How a run is started (and stopped) in the game.
enum class StartKind {
  Typed,     // the command typed at the console, then Enter
  BoundKey,  // the command written into the command file, then the key (bound to exec that file) pressed
};

inline constexpr std::string_view kDefaultProfileName = "WinQuake";

struct EngineProfile {
  std::string name;
  // A bare name is looked for on the search path and in the games folders;
  // anything with a folder in it is a path. Placeholders allowed.
  std::string program;
  std::string arguments;                 // words, with placeholders
  std::vector<std::string> environment;  // "NAME=value", added to the editor's own
  std::string workingFolder = "{basedir}";
  int width = 640;
  int height = 480;
  WindowMatchKind window = WindowMatchKind::Title;
  std::string windowText;
  // Where the game reads tempfilm.dem and writes its screenshots, and where
  // the thumbnails are kept. Empty: the preview directory (game folder +
  // game subdirectory).
  std::string folder;
  // The screenshot names: '#' marks the digits of the number (at least one
  // run of them), the extension the format: "quake##.pcx", "spasm####.png".
  std::string screenshots;
  std::string screenshotCommand = "screenshot";  // what a screenshot block asks the game
  // Whether a run deletes files under the names it expects before it
  // starts (the preview directory belongs to the editor), or leaves every
  // file there and expects the game's lowest free numbers instead.
  bool deleteOldScreenshots = false;
  StartKind start = StartKind::Typed;
  int startKey = 0;         // for a bound key: its key code (F1 to F12)
  std::string commandFile;  // for a bound key: the file in `folder` it runs
  std::string shotsCommand = "playdemo tempfilm";
  std::string playCommand = "playdemo tempfilm";
  std::string stopCommand = "stopdemo";
  bool askReady = false;  // "Press OK when NAME is at the Console" after a start
  int settleMilliseconds = 0;
  std::string check;   // arguments that make the program start and end by itself; empty: none
  std::string origin;  // "built in", or the file it was read from
};

// A profile file that cannot be used: the line (0: the file as a whole)
// and the reason.
struct ProfileError {
  std::string file;
  int line = 0;
  std::string reason;
  std::string Text() const;  // "FILE, line N: reason"
};

// Reads a profile's text. Every line is blank, a comment ('#' or ';' first)
// or "key = value"; an unknown or repeated key, a bad value, an unknown
// placeholder or a missing required key refuses the whole profile.
struct ProfileParse {
  std::optional<EngineProfile> profile;
  ProfileError error;
};
ProfileParse ParseProfile(std::string_view text, const std::string& origin);

// What the placeholders stand for.
struct ProfileContext {
  std::string basedir;    // {basedir}: the game folder, without its final separator
  std::string game;       // {game}: the game subdirectory; {game-option}: "-game" and it, unless it is id1
  std::string addparams;  // {addparams}: the extra game parameters, as words
  std::string home;       // {home}: the user's home folder
  int width = 0;          // {width}, {height}
  int height = 0;
};
ProfileContext MakeProfileContext(const EngineProfile& profile, const std::string& gameFolder,
                                  const std::string& gameDirectory, const std::string& addparams);

// Splits a template into words (blanks part them, double quotes group them,
// \" is a quote and \\ a backslash) and fills in the placeholders; a word
// that is just {addparams} or {game-option} becomes as many words as it holds.
std::vector<std::string> ExpandWords(std::string_view text, const ProfileContext& context);
// The extra game parameters as words: split at blanks, double quotes group
// words (and are dropped).
std::vector<std::string> SplitParameterWords(std::string_view parameters);
// The placeholders of a single text (a folder, a program, a variable).
std::string ExpandText(std::string_view text, const ProfileContext& context);

// The screenshot name pattern taken apart.
struct ShotPattern {
  std::string prefix;
  int digits = 0;
  std::string suffix;
  ShotFormat format = ShotFormat::Pcx;
  int Count() const;                   // how many numbers the digits hold (at most 100000)
  std::string Name(int number) const;  // prefix, the zero-padded number, suffix
  // The number of a file name of the pattern, or -1.
  int NumberOf(std::string_view name) const;
};
std::optional<ShotPattern> ParseShotPattern(std::string_view pattern);

// The user's home folder: the password database's entry of the user (where
// games look), else HOME.
std::string UserHome();

// Finds the program of `profile`: a path as it is (when it exists), a bare
// name on the search path, then in /usr/games and /usr/local/games. Empty
// when it is nowhere; `lookedIn` (when given) says where it was looked for.
std::string FindProgram(const EngineProfile& profile, const ProfileContext& context, std::string* lookedIn = nullptr);

// Why the program of `profile` cannot be started, as a sentence for the
// user; empty when it is found. The default profile's program is not looked
// for here (a missing preview game shows when it is started).
std::string ProfileProgramProblem(const EngineProfile& profile, const std::string& gameFolder,
                                  const std::string& gameDirectory, const std::string& addparams);

// The built-in profiles ("WinQuake" first) and those of a folder.
class ProfileCatalog {
 public:
  // The built-in ones and every "*.profile" file of `folder` (empty: none).
  // A user profile with the name of a built-in one takes its place.
  static ProfileCatalog Load(const std::string& folder);
  // The built-in ones only.
  static const ProfileCatalog& BuiltIn();

  // By name, in any letter case; nullptr when there is none.
  const EngineProfile* Find(std::string_view name) const;
  // "WinQuake" whatever the folder holds (a built-in never fails).
  const EngineProfile& Default() const;
  std::vector<std::string> Names() const;
  // The files that were refused.
  const std::vector<ProfileError>& Problems() const { return problems_; }

 private:
  std::vector<EngineProfile> profiles_;
  std::vector<ProfileError> problems_;
};

// Where the user's own profiles are kept: "Clipvex/profiles" in the user's
// configuration folder (XDG_CONFIG_HOME, else ~/.config; on Windows APPDATA),
// ending with a separator.
std::string UserProfileFolder();

// The text of a built-in profile (as in packaging/profiles), or empty.
std::string_view BuiltInProfileText(std::string_view name);

}  // namespace clipvex
