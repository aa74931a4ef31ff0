#include "settings/settings.h"

namespace clipvex {

std::string WithSeparator(std::string folder) {
  while (folder.size() > 1 && (folder.back() == '/' || folder.back() == kPathSeparator)) folder.pop_back();
  if (!folder.empty() && folder.back() != kPathSeparator) folder.push_back(kPathSeparator);
  return folder;
}

}  // namespace clipvex
