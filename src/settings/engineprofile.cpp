#include "settings/engineprofile.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <system_error>

#include "settings/settings.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace clipvex {

// The texts of packaging/profiles/*.profile, built into the program.
extern const char* const kBuiltInWinQuakeProfile;
extern const char* const kBuiltInQuakeSpasmProfile;

namespace {

constexpr std::size_t kMaxProfileBytes = 64 * 1024;
constexpr int kMaxSide = 16384;
constexpr int kMaxSettleMilliseconds = 600000;
constexpr int kFirstFunctionKeyCode = 228;  // F1 in a key code text

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

std::string LowerText(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

// Placeholders that stand for one text, and those that stand for words.
constexpr std::string_view kTextPlaceholders[] = {"basedir", "game", "home", "width", "height", "exe"};
constexpr std::string_view kWordPlaceholders[] = {"addparams", "game-option"};

bool IsTextPlaceholder(std::string_view name) {
  return std::find(std::begin(kTextPlaceholders), std::end(kTextPlaceholders), name) != std::end(kTextPlaceholders);
}
bool IsWordPlaceholder(std::string_view name) {
  return std::find(std::begin(kWordPlaceholders), std::end(kWordPlaceholders), name) != std::end(kWordPlaceholders);
}

// Splits at blanks; double quotes group, \" and \\ stand for themselves.
// `quoted` says for each word whether any of it was quoted.
std::vector<std::string> SplitWords(std::string_view text, std::vector<bool>* quoted = nullptr) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool inQuotes = false;
  bool anyQuote = false;
  auto end = [&] {
    if (!inWord) return;
    words.push_back(std::move(word));
    if (quoted) quoted->push_back(anyQuote);
    word.clear();
    inWord = false;
    anyQuote = false;
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\')) {
      word.push_back(text[++i]);
      inWord = true;
    } else if (c == '"') {
      inQuotes = !inQuotes;
      inWord = true;
      anyQuote = true;
    } else if (!inQuotes && (c == ' ' || c == '\t')) {
      end();
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  end();
  return words;
}

// Calls `each(name)` for every {name} of `text`; false at a '{' without '}'.
bool ForEachPlaceholder(std::string_view text, const std::function<void(std::string_view)>& each) {
  for (std::size_t at = text.find('{'); at != std::string_view::npos; at = text.find('{', at + 1)) {
    const std::size_t close = text.find('}', at);
    if (close == std::string_view::npos) return false;
    each(text.substr(at + 1, close - at - 1));
    at = close;
  }
  return true;
}

// The reason a template cannot be used, or empty. Word placeholders are
// allowed only as whole words of word templates.
std::string CheckTemplate(std::string_view text, bool words) {
  std::string problem;
  const auto check = [&](std::string_view piece, bool whole) {
    const bool closed = ForEachPlaceholder(piece, [&](std::string_view name) {
      if (!problem.empty()) return;
      if (IsTextPlaceholder(name)) return;
      if (IsWordPlaceholder(name)) {
        if (!words) {
          problem = "{" + std::string(name) + "} stands only for whole words of arguments";
        } else if (!whole) {
          problem = "{" + std::string(name) + "} must be a word of its own";
        }
        return;
      }
      problem = "unknown placeholder {" + std::string(name) + "}";
    });
    if (!closed && problem.empty()) problem = "a '{' without its '}'";
  };
  if (!words) {
    check(text, false);
    return problem;
  }
  std::vector<bool> quoted;
  const std::vector<std::string> list = SplitWords(text, &quoted);
  for (std::size_t i = 0; i < list.size() && problem.empty(); ++i) {
    const bool whole = !quoted[i] && list[i].size() > 2 && list[i].front() == '{' && list[i].back() == '}' &&
                       list[i].find('{', 1) == std::string::npos;
    check(list[i], whole);
  }
  return problem;
}

std::optional<int> Number(const std::string& text, int low, int high) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::optional<bool> YesNo(const std::string& text) {
  if (SameText(text, "yes")) return true;
  if (SameText(text, "no")) return false;
  return std::nullopt;
}

// "F1" to "F12" as a key code of a key code text.
std::optional<int> FunctionKey(const std::string& text) {
  if (text.size() < 2 || Lower(text[0]) != 'f') return std::nullopt;
  const std::optional<int> n = Number(text.substr(1), 1, 12);
  if (!n) return std::nullopt;
  return kFirstFunctionKeyCode + *n - 1;
}

bool PlainFileName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\:") == std::string::npos;
}

class ProfileReader {
 public:
  explicit ProfileReader(const std::string& origin) { parse_.error.file = origin; }

  ProfileParse Read(std::string_view text) {
    EngineProfile profile;
    profile.origin = parse_.error.file;
    if (text.size() > kMaxProfileBytes) return Fail(0, "the profile is larger than 64 KiB");
    int number = 0;
    std::size_t at = 0;
    while (at < text.size()) {
      std::size_t end = text.find('\n', at);
      if (end == std::string_view::npos) end = text.size();
      ++number;
      const std::string line = Trim(text.substr(at, end - at));
      at = end + 1;
      if (line.empty() || line[0] == '#' || line[0] == ';') continue;
      const std::size_t equals = line.find('=');
      if (equals == std::string::npos) return Fail(number, "not a \"key = value\" line");
      const std::string key = LowerText(Trim(std::string_view(line).substr(0, equals)));
      const std::string value = Trim(std::string_view(line).substr(equals + 1));
      if (key.empty()) return Fail(number, "a line without a key");
      if (key != "environment" && !seen_.emplace(key, number).second) {
        return Fail(number, "'" + key + "' is given twice (first on line " + std::to_string(seen_[key]) + ")");
      }
      if (std::string reason = Take(profile, key, value); !reason.empty()) return Fail(number, reason);
    }
    for (const char* required : {"name", "program", "window", "screenshots"}) {
      if (!seen_.count(required)) return Fail(0, std::string("the profile has no '") + required + "'");
    }
    if (profile.start == StartKind::BoundKey && profile.commandFile.empty()) {
      return Fail(seen_["start"], "a run started by a key needs a 'command_file' for the key to run");
    }
    parse_.profile = std::move(profile);
    return parse_;
  }

 private:
  ProfileParse Fail(int line, std::string reason) {
    parse_.profile.reset();
    parse_.error.line = line;
    parse_.error.reason = std::move(reason);
    return parse_;
  }

  // Takes one value into the profile; the reason it cannot, or empty.
  static std::string Take(EngineProfile& p, const std::string& key, const std::string& value) {
    const auto text = [&](std::string& field, bool words = false, bool required = true) -> std::string {
      if (required && value.empty()) return "'" + key + "' needs a value";
      if (std::string problem = CheckTemplate(value, words); !problem.empty()) return problem;
      field = value;
      return {};
    };
    if (key == "name") {
      if (value.empty()) return "'name' needs a value";
      if (value.find_first_of("/\\") != std::string::npos) return "a name has no '/' or '\\' in it";
      p.name = value;
      return {};
    }
    if (key == "program") return text(p.program);
    if (key == "arguments") return text(p.arguments, true, false);
    if (key == "check") return text(p.check, true, false);
    if (key == "working_folder") return text(p.workingFolder);
    if (key == "folder") return text(p.folder);
    if (key == "environment") {
      const std::size_t equals = value.find('=');
      if (equals == 0 || equals == std::string::npos) return "an environment entry is NAME=value";
      if (std::string problem = CheckTemplate(value, false); !problem.empty()) return problem;
      p.environment.push_back(value);
      return {};
    }
    if (key == "width" || key == "height") {
      const std::optional<int> n = Number(value, 1, kMaxSide);
      if (!n) return "'" + key + "' is a number of pixels from 1 to 16384";
      (key == "width" ? p.width : p.height) = *n;
      return {};
    }
    if (key == "window") {
      const std::size_t blank = value.find_first_of(" \t");
      const std::string kind = LowerText(value.substr(0, blank));
      const std::string rest = blank == std::string::npos ? std::string() : Trim(value.substr(blank));
      if (kind == "process" && rest.empty()) {
        p.window = WindowMatchKind::Process;
        return {};
      }
      const std::map<std::string, WindowMatchKind> kinds = {{"title", WindowMatchKind::Title},
                                                            {"title-prefix", WindowMatchKind::TitlePrefix},
                                                            {"class", WindowMatchKind::Class}};
      const auto it = kinds.find(kind);
      if (it == kinds.end() || rest.empty()) {
        return "'window' is \"title TEXT\", \"title-prefix TEXT\", \"class TEXT\" or \"process\"";
      }
      p.window = it->second;
      p.windowText = rest;
      return {};
    }
    if (key == "screenshots") {
      if (!ParseShotPattern(value)) {
        return "'screenshots' is a file name with one run of '#' for the number and the extension .pcx, .png or "
               ".tga";
      }
      p.screenshots = value;
      return {};
    }
    if (key == "screenshot_command") return text(p.screenshotCommand);
    if (key == "old_screenshots") {
      if (SameText(value, "delete")) {
        p.deleteOldScreenshots = true;
      } else if (SameText(value, "keep")) {
        p.deleteOldScreenshots = false;
      } else {
        return "'old_screenshots' is \"delete\" or \"keep\"";
      }
      return {};
    }
    if (key == "start") {
      const std::vector<std::string> words = SplitWords(value);
      if (words.size() == 1 && SameText(words[0], "type")) {
        p.start = StartKind::Typed;
        return {};
      }
      if (words.size() == 2 && SameText(words[0], "key")) {
        if (const std::optional<int> code = FunctionKey(words[1])) {
          p.start = StartKind::BoundKey;
          p.startKey = *code;
          return {};
        }
      }
      return "'start' is \"type\" or \"key F1\" to \"key F12\"";
    }
    if (key == "command_file") {
      if (!PlainFileName(value)) return "'command_file' is the name of a file in the game's folder";
      p.commandFile = value;
      return {};
    }
    if (key == "shots_command") return text(p.shotsCommand);
    if (key == "play_command") return text(p.playCommand);
    if (key == "stop_command") return text(p.stopCommand, false, false);
    if (key == "ask_ready") {
      const std::optional<bool> yes = YesNo(value);
      if (!yes) return "'ask_ready' is \"yes\" or \"no\"";
      p.askReady = *yes;
      return {};
    }
    if (key == "settle") {
      const std::optional<int> n = Number(value, 0, kMaxSettleMilliseconds);
      if (!n) return "'settle' is a number of milliseconds from 0 to 600000";
      p.settleMilliseconds = *n;
      return {};
    }
    return "unknown key '" + key + "'";
  }

  ProfileParse parse_;
  std::map<std::string, int> seen_;
};

std::string WithoutFinalSeparator(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == kPathSeparator)) folder.pop_back();
  return folder;
}

std::string Fill(std::string_view text, const ProfileContext& c) {
  std::string out;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
    if (close == std::string_view::npos) {
      out.append(text.substr(at));
      break;
    }
    out.append(text.substr(at, open - at));
    const std::string_view name = text.substr(open + 1, close - open - 1);
    if (name == "basedir") {
      out += c.basedir;
    } else if (name == "game") {
      out += c.game;
    } else if (name == "home") {
      out += c.home;
    } else if (name == "width") {
      out += std::to_string(c.width);
    } else if (name == "height") {
      out += std::to_string(c.height);
    } else if (name == "exe") {
#ifdef _WIN32
      out += ".exe";
#endif
    } else {
      out.append(text.substr(open, close - open + 1));  // not ours: left as it is
    }
    at = close + 1;
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitParameterWords(std::string_view parameters) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quoted = false;
  for (char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (!quoted && (c == ' ' || c == '\t' || c == '\n' || c == '\r')) {
      if (inWord) words.push_back(std::move(word));
      word.clear();
      inWord = false;
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  if (inWord) words.push_back(std::move(word));
  return words;
}

namespace {

bool Executable(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return false;
#ifdef _WIN32
  return true;
#else
  return ::access(path.c_str(), X_OK) == 0;
#endif
}

std::string ReadSmallFile(const std::filesystem::path& path, bool& tooLarge) {
  std::ifstream in(path, std::ios::binary);
  std::string text;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    text.append(buffer, static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileBytes) {
      tooLarge = true;
      break;
    }
  }
  return text;
}

ProfileCatalog BuiltInCatalog() {
  ProfileCatalog catalog = ProfileCatalog::Load({});
  return catalog;
}

}  // namespace

std::string ProfileError::Text() const {
  std::string text = file;
  if (line > 0) text += (text.empty() ? "line " : ", line ") + std::to_string(line);
  if (!text.empty()) text += ": ";
  return text + reason;
}

ProfileParse ParseProfile(std::string_view text, const std::string& origin) { return ProfileReader(origin).Read(text); }

ProfileContext MakeProfileContext(const EngineProfile& profile, const std::string& gameFolder,
                                  const std::string& gameDirectory, const std::string& addparams) {
  ProfileContext context;
  context.basedir = WithoutFinalSeparator(gameFolder);
  context.game = gameDirectory;
  context.addparams = addparams;
  context.home = WithoutFinalSeparator(UserHome());
  context.width = profile.width;
  context.height = profile.height;
  return context;
}

std::vector<std::string> ExpandWords(std::string_view text, const ProfileContext& context) {
  std::vector<bool> quoted;
  std::vector<std::string> words;
  std::vector<std::string> split = SplitWords(text, &quoted);
  for (std::size_t i = 0; i < split.size(); ++i) {
    std::string& word = split[i];
    if (!quoted[i] && word == "{addparams}") {
      for (std::string& w : SplitParameterWords(context.addparams)) words.push_back(std::move(w));
    } else if (!quoted[i] && word == "{game-option}") {
      if (!context.game.empty() && !SameText(context.game, "id1")) {
        words.push_back("-game");
        words.push_back(context.game);
      }
    } else {
      words.push_back(Fill(word, context));
    }
  }
  return words;
}

std::string ExpandText(std::string_view text, const ProfileContext& context) { return Fill(text, context); }

int ShotPattern::Count() const {
  int count = 1;
  for (int i = 0; i < digits && count < 100000; ++i) count *= 10;
  return count;
}

std::string ShotPattern::Name(int number) const {
  std::string digitsText = std::to_string(number);
  if (static_cast<int>(digitsText.size()) < digits)
    digitsText.insert(0, static_cast<std::size_t>(digits) - digitsText.size(), '0');
  return prefix + digitsText + suffix;
}

int ShotPattern::NumberOf(std::string_view name) const {
  if (name.size() != prefix.size() + static_cast<std::size_t>(digits) + suffix.size()) return -1;
  if (name.substr(0, prefix.size()) != prefix || name.substr(name.size() - suffix.size()) != suffix) return -1;
  int number = 0;
  for (char c : name.substr(prefix.size(), static_cast<std::size_t>(digits))) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number < Count() ? number : -1;
}

std::optional<ShotPattern> ParseShotPattern(std::string_view pattern) {
  if (pattern.empty() || pattern.find_first_of("/\\") != std::string_view::npos) return std::nullopt;
  const std::size_t first = pattern.find('#');
  if (first == std::string_view::npos) return std::nullopt;
  std::size_t last = first;
  while (last + 1 < pattern.size() && pattern[last + 1] == '#') ++last;
  if (pattern.find('#', last + 1) != std::string_view::npos || last - first + 1 > 5) return std::nullopt;
  ShotPattern shot;
  shot.prefix = std::string(pattern.substr(0, first));
  shot.digits = static_cast<int>(last - first + 1);
  shot.suffix = std::string(pattern.substr(last + 1));
  const std::size_t dot = shot.suffix.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  const std::string extension = LowerText(shot.suffix.substr(dot + 1));
  if (extension == "pcx") {
    shot.format = ShotFormat::Pcx;
  } else if (extension == "png") {
    shot.format = ShotFormat::Png;
  } else if (extension == "tga") {
    shot.format = ShotFormat::Tga;
  } else {
    return std::nullopt;
  }
  return shot;
}

std::string UserHome() {
#ifdef _WIN32
  if (const char* profile = std::getenv("USERPROFILE")) return profile;
  return {};
#else
  // Games take the home folder from the password database, not from HOME;
  // a user without an entry there gets HOME, as they do.
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] != '\0') {
    return found->pw_dir;
  }
  if (const char* home = std::getenv("HOME")) return home;
  return {};
#endif
}

std::string FindProgram(const EngineProfile& profile, const ProfileContext& context, std::string* lookedIn) {
  const std::string program = ExpandText(profile.program, context);
  if (program.find_first_of("/\\") != std::string::npos) {
    if (lookedIn) *lookedIn = program;
    return Executable(program) ? program : std::string();
  }
  std::vector<std::string> folders;
#ifdef _WIN32
  constexpr char kListSeparator = ';';
#else
  constexpr char kListSeparator = ':';
#endif
  if (const char* path = std::getenv("PATH")) {
    std::string_view rest = path;
    while (!rest.empty()) {
      const std::size_t at = rest.find(kListSeparator);
      const std::string folder(rest.substr(0, at));
      if (!folder.empty()) folders.push_back(folder);
      if (at == std::string_view::npos) break;
      rest.remove_prefix(at + 1);
    }
  }
#ifndef _WIN32
  // Debian installs games here, outside root's search path.
  for (const char* games : {"/usr/games", "/usr/local/games"}) {
    if (std::find(folders.begin(), folders.end(), games) == folders.end()) folders.emplace_back(games);
  }
#endif
  if (lookedIn) *lookedIn = "on the search path, in /usr/games or in /usr/local/games";
  for (const std::string& folder : folders) {
    const std::filesystem::path candidate = std::filesystem::path(folder) / program;
    if (Executable(candidate)) return candidate.string();
  }
  return {};
}

std::string ProfileProgramProblem(const EngineProfile& profile, const std::string& gameFolder,
                                  const std::string& gameDirectory, const std::string& addparams) {
  if (SameText(profile.name, kDefaultProfileName)) return {};
  std::string lookedIn;
  const ProfileContext context = MakeProfileContext(profile, gameFolder, gameDirectory, addparams);
  if (!FindProgram(profile, context, &lookedIn).empty()) return {};
  const std::string program = ExpandText(profile.program, context);
  const std::string where = program.find_first_of("/\\") != std::string::npos ? "does not exist or cannot be run"
                                                                              : "was not found " + lookedIn;
  return "The program '" + program + "' of the engine profile '" + profile.name + "' " + where + ".";
}

ProfileCatalog ProfileCatalog::Load(const std::string& folder) {
  ProfileCatalog catalog;
  for (const char* text : {kBuiltInWinQuakeProfile, kBuiltInQuakeSpasmProfile}) {
    ProfileParse parse = ParseProfile(text, "built in");
    // The built-in texts are tested; one that failed would be a build fault.
    if (parse.profile) catalog.profiles_.push_back(std::move(*parse.profile));
  }
  if (folder.empty()) return catalog;
  std::error_code ec;
  std::vector<std::filesystem::path> files;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->path().extension() == ".profile") files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  const std::size_t builtIn = catalog.profiles_.size();
  for (const std::filesystem::path& file : files) {
    bool tooLarge = false;
    std::error_code status;
    if (!std::filesystem::is_regular_file(file, status)) continue;
    const std::string text = ReadSmallFile(file, tooLarge);
    ProfileParse parse = tooLarge ? ProfileParse{std::nullopt, {file.string(), 0, "the profile is larger than 64 KiB"}}
                                  : ParseProfile(text, file.string());
    if (!parse.profile) {
      catalog.problems_.push_back(parse.error);
      continue;
    }
    EngineProfile& profile = *parse.profile;
    auto same = [&](const EngineProfile& other) { return SameText(other.name, profile.name); };
    const auto builtInEnd = catalog.profiles_.begin() + static_cast<std::ptrdiff_t>(builtIn);
    if (auto it = std::find_if(catalog.profiles_.begin(), builtInEnd, same); it != builtInEnd) {
      *it = std::move(profile);  // the user's own version of a built-in profile
    } else if (std::find_if(builtInEnd, catalog.profiles_.end(), same) != catalog.profiles_.end()) {
      catalog.problems_.push_back(
          {file.string(), 0, "another profile file already has the name '" + profile.name + "'"});
    } else {
      catalog.profiles_.push_back(std::move(profile));
    }
  }
  return catalog;
}

const ProfileCatalog& ProfileCatalog::BuiltIn() {
  static const ProfileCatalog catalog = BuiltInCatalog();
  return catalog;
}

const EngineProfile* ProfileCatalog::Find(std::string_view name) const {
  for (const EngineProfile& profile : profiles_) {
    if (SameText(profile.name, name)) return &profile;
  }
  return nullptr;
}

const EngineProfile& ProfileCatalog::Default() const {
  const EngineProfile* profile = Find(kDefaultProfileName);
  return profile != nullptr ? *profile : *BuiltIn().Find(kDefaultProfileName);
}

std::vector<std::string> ProfileCatalog::Names() const {
  std::vector<std::string> names;
  for (const EngineProfile& profile : profiles_) names.push_back(profile.name);
  return names;
}

std::string UserProfileFolder() {
  std::string base;
#ifdef _WIN32
  if (const char* appData = std::getenv("APPDATA")) base = appData;
#else
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.config";
  }
#endif
  if (base.empty()) return {};
  base = WithoutFinalSeparator(base);
  base += kPathSeparator;
  base += "Clipvex";
  base += kPathSeparator;
  base += "profiles";
  base += kPathSeparator;
  return base;
}

std::string_view BuiltInProfileText(std::string_view name) {
  if (SameText(name, "WinQuake")) return kBuiltInWinQuakeProfile;
  if (SameText(name, "QuakeSpasm")) return kBuiltInQuakeSpasmProfile;
  return {};
}

}  // namespace clipvex
