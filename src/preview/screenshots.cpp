#include "preview/screenshots.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "strip/stripstate.h"

namespace clipvex {

void ClearScreenshots(const Settings& settings) {
  if (settings.previewpath.empty()) return;
  namespace fs = std::filesystem;
  // The preview folder of the preview game belongs to the editor.
  const bool ours = settings.engine.deleteOldScreenshots;
  std::error_code ec;
  fs::directory_iterator it(settings.previewpath, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() < 4 || name.compare(name.size() - 4, 4, ".pcx") != 0) continue;
    if (!ours && name != "temp.pcx" && ThumbnailIndex(name, 'M') < 0 && ThumbnailIndex(name, 'F') < 0) continue;
    std::error_code ignored;
    if (!it->is_directory(ignored)) fs::remove(it->path(), ignored);
  }
}

}  // namespace clipvex
