#include "preview/quakespasmhome.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "settings/engineprofile.h"
#include "support/fixtures.h"
#include "support/testsupport.h"

namespace clipvex::test {
namespace {

// A user id without an entry in the password database.
constexpr unsigned kEngineUser = 48879;

// The profile text with `key` set to `value` (added when it is not there).
std::string WithValue(std::string text, const std::string& key, const std::string& value) {
  const std::string line = key + " = " + value;
  const std::size_t at = text.find("\n" + key + " = ");
  if (at == std::string::npos) return text + line + "\n";
  const std::size_t end = text.find('\n', at + 1);
  return text.replace(at + 1, end - at - 1, line);
}

}  // namespace

std::string QuakeSpasmHome::GameData() { return GameDataFolder() + "/"; }

QuakeSpasmHome::QuakeSpasmHome(const std::string& scratch, int settle, const std::vector<std::string>& changes) {
  const EngineProfile& builtIn = *ProfileCatalog::BuiltIn().Find("QuakeSpasm");
  const std::string engine = FindProgram(builtIn, MakeProfileContext(builtIn, GameData(), "id1", ""));
  if (engine.empty()) {
    problem_ = "QuakeSpasm is not installed (scripts/install-deps.sh installs the Debian package quakespasm)";
    return;
  }
  std::string profile(BuiltInProfileText("QuakeSpasm"));
  // No sound device here, and time to come up on a busy machine.
  profile += "environment = SDL_AUDIODRIVER=dummy\n";
  profile = WithValue(profile, "settle", std::to_string(settle));
  for (const std::string& change : changes) {
    const std::size_t equals = change.find(" = ");
    if (equals != std::string::npos) profile = WithValue(profile, change.substr(0, equals), change.substr(equals + 3));
  }
  std::string home;
  if (::getuid() == 0 && ::getpwuid(kEngineUser) == nullptr) {
    home = scratch + "home";
    std::filesystem::create_directories(home + "/.quakespasm/id1");
    ::chmod(scratch.c_str(), 0755);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(home)) {
      if (::chown(entry.path().c_str(), kEngineUser, kEngineUser) != 0) problem_ = "cannot hand the home folder over";
    }
    if (::chown(home.c_str(), kEngineUser, kEngineUser) != 0) problem_ = "cannot hand the home folder over";
    if (!problem_.empty()) return;
    const std::string user = std::to_string(kEngineUser);
    profile = WithValue(profile, "program", "setpriv");
    profile = WithValue(profile, "arguments",
                        "--reuid=" + user + " --regid=" + user + " --clear-groups " + engine + " " + builtIn.arguments);
    profile += "environment = HOME=" + home + "\n";
    profile = WithValue(profile, "folder", home + "/.quakespasm/{game}");
  } else {
    home = UserHome();
  }
  folder_ = home + "/.quakespasm/id1/";
  std::filesystem::create_directories(folder_);
  for (const auto& entry : std::filesystem::directory_iterator(folder_))
    before_.insert(entry.path().filename().string());
  // The free game data has no quake.rc, without which the engine runs none
  // of the commands of its command line.
  Keep("quake.rc", "exec default.cfg\nstuffcmds\n");
  for (const char* name : {"config.cfg", "tempfilm.dem", "tempfilm.cfg"}) Keep(name, std::nullopt);
  std::filesystem::create_directories(UserProfileFolder());
  WriteFile(UserProfileFolder() + "QuakeSpasm.profile", profile);
  engine_ = engine;
}

QuakeSpasmHome::~QuakeSpasmHome() {
  // What was found in the engine's folder comes back; what was made goes.
  for (const auto& [name, before] : kept_) {
    if (before) {
      WriteFile(folder_ + name, *before);
    } else {
      std::error_code ec;
      std::filesystem::remove(folder_ + name, ec);
    }
  }
  // And the thumbnails made there (the strip letter, the block, ".pcx").
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    const bool thumbnail = name.size() > 5 && (name[0] == 'M' || name[0] == 'F') &&
                           name.find_first_not_of("0123456789", 1) == name.size() - 4 &&
                           name.compare(name.size() - 4, 4, ".pcx") == 0;
    std::error_code ignored;
    if (thumbnail && !before_.count(name)) std::filesystem::remove(it->path(), ignored);
  }
  std::filesystem::remove(UserProfileFolder() + "QuakeSpasm.profile", ec);
}

void QuakeSpasmHome::Keep(const std::string& name, const std::optional<std::string>& text) {
  const std::string path = folder_ + name;
  kept_[name] = FileExists(path) ? std::optional<std::string>(ReadFile(path)) : std::nullopt;
  if (text && !kept_[name]) WriteFile(path, *text);
}

}  // namespace clipvex::test
