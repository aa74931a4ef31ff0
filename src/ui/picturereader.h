// Screenshots of other engines (PNG, and whatever else Qt's image readers
// know) decoded for the preview, which turns them into thumbnails.
#pragma once

#include "preview/shotfiles.h"

namespace clipvex {

class QtPictureReader : public PictureReader {
 public:
  std::optional<RgbImage> Read(const std::string& path) override;
};

}  // namespace clipvex
