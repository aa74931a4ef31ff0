#include "ui/picturereader.h"

#include <QImage>
#include <QImageReader>
#include <cstring>

#include "dialogs/messages.h"

namespace clipvex {

std::optional<RgbImage> QtPictureReader::Read(const std::string& path) {
  QImageReader reader(FromPath(path));
  // The same limits as the PCX codec's: a header asking for more is refused
  // before anything is allocated.
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kPcxMaxSide || size.height() > kPcxMaxSide ||
                         static_cast<long long>(size.width()) * size.height() > kPcxMaxPixels)) {
    return std::nullopt;
  }
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  image.convertTo(QImage::Format_RGB888);
  RgbImage rgb;
  rgb.width = image.width();
  rgb.height = image.height();
  const std::size_t rowBytes = static_cast<std::size_t>(rgb.width) * 3;
  rgb.pixels.resize(rowBytes * static_cast<std::size_t>(rgb.height));
  for (int y = 0; y < rgb.height; ++y) {
    std::memcpy(rgb.pixels.data() + rowBytes * static_cast<std::size_t>(y), image.constScanLine(y), rowBytes);
  }
  return rgb;
}

}  // namespace clipvex
