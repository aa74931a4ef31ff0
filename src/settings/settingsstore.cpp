#include "settings/settingsstore.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace clipvex {
namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads a string value where a missing one counts as empty text. False when
// the stored value is not text.
bool ReadText(const SettingsStore& store, std::string_view name, std::string& out) {
  std::string text;
  switch (store.ReadString(name, text)) {
    case SettingsStore::Read::Ok:
      out = std::move(text);
      return true;
    case SettingsStore::Read::Missing:
      out.clear();
      return true;
    case SettingsStore::Read::WrongType:
      break;
  }
  return false;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// "The game folder '/x/' does not exist.", or empty when it is a folder.
std::string FolderSentence(const char* what, const std::string& path) {
  const FolderState state = CheckFolder(path);
  switch (state) {
    case FolderState::Folder:
      return {};
    case FolderState::NotSet:
      return std::string("The ") + what + " is not set.";
    case FolderState::Missing:
      return std::string("The ") + what + " " + Quoted(path) + " does not exist.";
    case FolderState::NotAFolder:
      return std::string("The ") + what + " " + Quoted(path) + " is not a folder.";
  }
  return {};
}

std::string UnreadableSentence(std::string_view name) {
  return "The stored setting '" + std::string(name) + "' cannot be read; press OK to store the settings again.";
}

constexpr const char* kUnreadable = "\x01";

// Reads the profile's name and looks the profile up: the default one when no
// name is stored. The preview folder follows a profile with a folder of its
// own. Returns what keeps the profile from being used (empty when nothing
// does), or kUnreadable for a stored value that is not text.
std::string ReadProfile(Settings& settings, const SettingsStore& store) {
  if (!ReadText(store, kProfileValue, settings.profile)) return kUnreadable;
  const ProfileCatalog catalog = ProfileCatalog::Load(UserProfileFolder());
  const std::string name = settings.profile.empty() ? std::string(kDefaultProfileName) : settings.profile;
  const EngineProfile* profile = catalog.Find(name);
  settings.engine = profile != nullptr ? *profile : catalog.Default();
  if (!settings.engine.folder.empty()) {
    const ProfileContext context =
        MakeProfileContext(settings.engine, settings.WinQuakePath, settings.dempath, settings.addparams);
    settings.previewpath = WithSeparator(ExpandText(settings.engine.folder, context));
  }
  if (profile == nullptr) {
    std::string sentence = "The engine profile " + Quoted(name) + " is not known.";
    for (const ProfileError& error : catalog.Problems()) sentence += "\nA profile file was refused: " + error.Text();
    return sentence;
  }
  return ProfileProgramProblem(*profile, settings.WinQuakePath, settings.dempath, settings.addparams);
}

// Loads `settings` from `store` as LoadSettings does and says what keeps
// the configuration from being used, one sentence a line; empty when
// nothing does.
std::string ReadSettings(Settings& settings, const SettingsStore& store) {
  if (!store.KeyExists()) {
    return "No settings are stored yet: choose the game's folder and the converter's folder, then press OK.";
  }
  if (!ReadText(store, kWinQuakePathReadName, settings.WinQuakePath)) return UnreadableSentence(kWinQuakePathValue);
  if (!ReadText(store, kLmpcPathValue, settings.lmpcpath)) return UnreadableSentence(kLmpcPathValue);
  if (!ReadText(store, kDemPathValue, settings.dempath)) return UnreadableSentence(kDemPathValue);
  // The game folder normally ends with the separator already; the doubled
  // one is harmless and keeps a hand-edited folder without it working.
  settings.previewpath = settings.WinQuakePath;
  settings.previewpath += kPathSeparator;
  settings.previewpath += settings.dempath;
  settings.previewpath += kPathSeparator;
  if (!ReadText(store, kAddParamsValue, settings.addparams)) return UnreadableSentence(kAddParamsValue);
  std::int32_t fast = 0;
  switch (store.ReadInteger(kFastPreviewValue, fast)) {
    case SettingsStore::Read::Ok:
      break;
    case SettingsStore::Read::Missing:
      return "The setting '" + std::string(kFastPreviewValue) +
             "' is not stored yet; press OK to store the settings again.";
    case SettingsStore::Read::WrongType:
      return UnreadableSentence(kFastPreviewValue);
  }
  settings.fastpre = fast != 0;

  std::string problems;
  const std::string profileProblem = ReadProfile(settings, store);
  if (profileProblem == kUnreadable) return UnreadableSentence(kProfileValue);
  const auto add = [&problems](const std::string& sentence) {
    if (sentence.empty()) return;
    if (!problems.empty()) problems += '\n';
    problems += sentence;
  };
  add(FolderSentence("game folder", settings.WinQuakePath));
  add(FolderSentence("converter's folder", settings.lmpcpath));
  // The game subdirectory only matters once the game folder is there.
  if (CheckFolder(settings.WinQuakePath) == FolderState::Folder) {
    switch (CheckFolder(GameDirectoryPath(settings.WinQuakePath, settings.dempath))) {
      case FolderState::Folder:
        break;
      case FolderState::NotAFolder:
        add("The game subdirectory " + Quoted(settings.dempath) + " in the game folder is not a folder.");
        break;
      case FolderState::NotSet:
      case FolderState::Missing:
        add("The game folder has no subdirectory " + Quoted(settings.dempath) + ".");
        break;
    }
  }
  add(profileProblem);
  return problems;
}

}  // namespace

bool MemorySettingsStore::NameLess::operator()(std::string_view a, std::string_view b) const {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) { return FoldCase(x) < FoldCase(y); });
}

const MemorySettingsStore::Value* MemorySettingsStore::Find(std::string_view name) const {
  const auto it = values_.find(name);
  return it == values_.end() ? nullptr : &it->second;
}

SettingsStore::Read MemorySettingsStore::ReadString(std::string_view name, std::string& out) const {
  const Value* value = Find(name);
  if (value == nullptr) return Read::Missing;
  const std::string* text = std::get_if<std::string>(value);
  if (text == nullptr) return Read::WrongType;
  out = *text;
  return Read::Ok;
}

SettingsStore::Read MemorySettingsStore::ReadInteger(std::string_view name, std::int32_t& out) const {
  const Value* value = Find(name);
  if (value == nullptr) return Read::Missing;
  const std::int32_t* number = std::get_if<std::int32_t>(value);
  if (number == nullptr) return Read::WrongType;
  out = *number;
  return Read::Ok;
}

void MemorySettingsStore::Put(std::string_view name, Value value) {
  // The name keeps the spelling of its latest write.
  Remove(name);
  values_.emplace(std::string(name), std::move(value));
}

void MemorySettingsStore::Remove(std::string_view name) {
  const auto it = values_.find(name);
  if (it != values_.end()) values_.erase(it);
}

bool MemorySettingsStore::WriteString(std::string_view name, const std::string& value) {
  if (!writable_) return false;
  Put(name, value);
  ++writes_;
  return true;
}

bool MemorySettingsStore::WriteInteger(std::string_view name, std::int32_t value) {
  if (!writable_) return false;
  Put(name, value);
  ++writes_;
  return true;
}

bool MemorySettingsStore::Flush() {
  ++flushes_;
  return writable_;
}

std::vector<std::string> MemorySettingsStore::Names() const {
  std::vector<std::string> names;
  names.reserve(values_.size());
  for (const auto& entry : values_) names.push_back(entry.first);
  return names;
}

FolderState CheckFolder(const std::string& path) {
  if (path.empty()) return FolderState::NotSet;
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(std::filesystem::path(path), ec);
  if (std::filesystem::is_directory(status)) return FolderState::Folder;
  // A name with a separator at its end that names a file is no folder either.
  if (std::filesystem::exists(status)) return FolderState::NotAFolder;
  std::string bare = path;
  while (bare.size() > 1 && bare.back() == kPathSeparator) bare.pop_back();
  return std::filesystem::exists(std::filesystem::path(bare), ec) ? FolderState::NotAFolder : FolderState::Missing;
}

bool LoadSettings(Settings& settings, const SettingsStore& store, const std::function<void()>& requestConfiguration) {
  if (ReadSettings(settings, store).empty()) return true;
  if (requestConfiguration) requestConfiguration();
  return false;
}

bool ReadLiveThumbnails(const SettingsStore& store) {
  std::int32_t on = 1;
  return store.ReadInteger(kLiveThumbnailsValue, on) != SettingsStore::Read::Ok || on != 0;
}

bool WriteLiveThumbnails(SettingsStore& store, bool on) {
  return store.WriteInteger(kLiveThumbnailsValue, on ? 1 : 0) && store.Flush();
}

std::string ConfigurationProblem(const SettingsStore& store) {
  Settings scratch;
  return ReadSettings(scratch, store);
}

}  // namespace clipvex
