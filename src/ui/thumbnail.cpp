// Thumbnails of the film strips: the PCX files the preview game writes.

#include <QImage>
#include <cstring>

#include "dialogs/messages.h"
#include "imaging/pcx.h"
#include "ui/filmstripwidget.h"

namespace clipvex {

QImage NViewLibLoad(const QString& path) {
  try {
    const RgbImage rgb = LoadPcxFile(ToPath(path));
    if (rgb.width <= 0 || rgb.height <= 0) return QImage();
    const std::size_t rowBytes = static_cast<std::size_t>(rgb.width) * 3;
    if (rgb.pixels.size() < rowBytes * static_cast<std::size_t>(rgb.height)) return QImage();

    QImage image(rgb.width, rgb.height, QImage::Format_RGB888);
    if (image.isNull()) return QImage();  // too large to allocate
    // QImage rows are padded to four bytes; the decoded rows are not.
    for (int y = 0; y < rgb.height; ++y) {
      std::memcpy(image.scanLine(y), rgb.pixels.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    }
    return image;
  } catch (...) {
    // Whatever went wrong (a missing or malformed file, no memory), the
    // frame shows an empty picture.
    return QImage();
  }
}

}  // namespace clipvex
