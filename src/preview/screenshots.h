// Files the game leaves in the preview directory.
#pragma once

#include "settings/settings.h"

namespace clipvex {

// Deletes every file in the preview directory whose name ends in ".pcx":
// the thumbnails of both strips and any screenshots the game left. Files
// that cannot be deleted and a missing directory are no error. With an
// engine profile whose game keeps other files there (old screenshots are
// kept, not deleted), only what the editor made goes: the thumbnail files
// of both strips and the swap file "temp.pcx".
void ClearScreenshots(const Settings& settings);

}  // namespace clipvex
