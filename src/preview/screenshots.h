// Files the game leaves in the preview directory.
#pragma once

#include "settings/settings.h"

namespace clipvex {

// Deletes every file in the preview directory whose name ends in ".pcx":
// the thumbnails of both strips and any screenshots the game left. Files
// that cannot be deleted and a missing directory are no error.
void ClearScreenshots(const Settings& settings);

}  // namespace clipvex
