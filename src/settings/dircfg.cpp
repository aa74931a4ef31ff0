#include "settings/dircfg.h"

#include <cstdint>

namespace clipvex {
namespace {

std::string QuakeFolder(std::string_view home, std::string_view below) {
#ifdef _WIN32
  (void)home;
  std::string folder("c:\\quake\\");
  for (char c : below) folder.push_back(c == '/' ? kPathSeparator : c);
  return folder;
#else
  std::string folder(home);
  while (!folder.empty() && folder.back() == kPathSeparator) folder.pop_back();
  folder += "/quake/";
  folder += below;
  return folder;
#endif
}

void EndWithSeparator(std::string& folder) {
  if (folder.empty() || folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
}

}  // namespace

DircfgValues DefaultDircfgValues(std::string_view home) {
  DircfgValues values;
  values.winqpath = QuakeFolder(home, "");
  values.lmpcpath = QuakeFolder(home, "lmpc/");
  values.dempath = "id1";
  values.addparams = kDefaultAddParams;
  values.fast = false;
  values.profile = std::string(kDefaultProfileName);
  return values;
}

void ReadDircfgValues(const SettingsStore& store, DircfgValues& values) {
  if (!store.KeyExists()) return;
  const std::pair<std::string_view, std::string*> texts[] = {
      {kWinQuakePathReadName, &values.winqpath},
      {kLmpcPathValue, &values.lmpcpath},
      {kDemPathValue, &values.dempath},
      {kAddParamsValue, &values.addparams},
  };
  for (const auto& [name, box] : texts) {
    std::string text;
    const SettingsStore::Read read = store.ReadString(name, text);
    if (read == SettingsStore::Read::WrongType) return;
    if (read == SettingsStore::Read::Ok && !text.empty()) *box = std::move(text);
  }
  std::int32_t fast = 0;
  if (store.ReadInteger(kFastPreviewValue, fast) == SettingsStore::Read::Ok) values.fast = fast != 0;
  std::string profile;
  if (store.ReadString(kProfileValue, profile) == SettingsStore::Read::Ok && !profile.empty()) {
    values.profile = std::move(profile);
  }
}

bool PrepareDircfgValues(DircfgValues& values) {
  if (values.winqpath.empty() || values.lmpcpath.empty()) return false;
  EndWithSeparator(values.winqpath);
  EndWithSeparator(values.lmpcpath);
  return true;
}

namespace {

std::string FolderNote(FolderState state) {
  switch (state) {
    case FolderState::Folder:
      return {};
    case FolderState::NotSet:
      return "No folder is set.";
    case FolderState::Missing:
      return "This folder does not exist.";
    case FolderState::NotAFolder:
      return "This is a file, not a folder.";
  }
  return {};
}

}  // namespace

DircfgProblems CheckDircfgValues(const DircfgValues& values) {
  DircfgProblems problems;
  const FolderState game = CheckFolder(values.winqpath);
  problems.winqpath = FolderNote(game);
  problems.lmpcpath = FolderNote(CheckFolder(values.lmpcpath));
  if (game == FolderState::Folder) {
    // Formed as the preview folder is formed from the settings.
    std::string preview = values.winqpath;
    preview += kPathSeparator;
    preview += values.dempath;
    preview += kPathSeparator;
    switch (CheckFolder(preview)) {
      case FolderState::Folder:
        break;
      case FolderState::NotAFolder:
        problems.dempath = "This is a file in the game folder, not a folder.";
        break;
      case FolderState::NotSet:
      case FolderState::Missing:
        problems.dempath = "The game folder has no subdirectory of this name.";
        break;
    }
  }
  const std::string name = values.profile.empty() ? std::string(kDefaultProfileName) : values.profile;
  const ProfileCatalog catalog = ProfileCatalog::Load(UserProfileFolder());
  if (const EngineProfile* profile = catalog.Find(name)) {
    problems.profile = ProfileProgramProblem(*profile, values.winqpath, values.dempath, values.addparams);
  } else {
    problems.profile = "There is no engine profile of this name.";
  }
  return problems;
}

std::string WriteDircfgValues(SettingsStore& store, const DircfgValues& values) {
  const std::pair<std::string_view, const std::string*> texts[] = {
      {kWinQuakePathValue, &values.winqpath},
      {kLmpcPathValue, &values.lmpcpath},
      {kDemPathValue, &values.dempath},
      {kAddParamsValue, &values.addparams},
  };
  for (const auto& [name, text] : texts) {
    if (!store.WriteString(name, *text) || !store.Flush()) return std::string(name);
  }
  if (!store.WriteInteger(kFastPreviewValue, values.fast ? 1 : 0) || !store.Flush()) {
    return std::string(kFastPreviewValue);
  }
  std::string stored;
  const bool hasProfile = store.ReadString(kProfileValue, stored) != SettingsStore::Read::Missing;
  const bool isDefault = values.profile.empty() || values.profile == kDefaultProfileName;
  if ((hasProfile || !isDefault) && (!store.WriteString(kProfileValue, values.profile) || !store.Flush())) {
    return std::string(kProfileValue);
  }
  return {};
}

}  // namespace clipvex
