#include "settings/settings.h"

namespace clipvex {

std::string WithSeparator(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == kPathSeparator)) folder.pop_back();
  if (!folder.empty() && folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

std::string GameDirectoryPath(const std::string& gameFolder, const std::string& gameDirectory) {
  std::string path = gameFolder;
  path += kPathSeparator;
  path += gameDirectory;
  path += kPathSeparator;
  return path;
}

}  // namespace clipvex
