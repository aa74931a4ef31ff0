#include "preview/shotfiles.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#include "imaging/png.h"
#include "imaging/tga.h"

namespace clipvex {

namespace {

// Screenshots are a few hundred kilobytes; nothing larger is read whole.
constexpr std::uintmax_t kMaxShotBytes = 256u << 20;

std::optional<std::string> ReadWhole(const std::string& path) {
  std::error_code ec;
  const std::uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec || size > kMaxShotBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

const std::uint8_t* Data(const std::string& bytes) { return reinterpret_cast<const std::uint8_t*>(bytes.data()); }

// Writes `bytes` to `to` through a temporary file beside it, so that no
// reader ever sees half a thumbnail and no file is replaced.
bool WriteNew(const std::string& to, const std::vector<std::uint8_t>& bytes) {
  const std::filesystem::path target(to);
  const std::string temporary = (target.parent_path() / ("." + target.filename().string() + ".part")).string();
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) {
      out.close();
      std::error_code ec;
      std::filesystem::remove(temporary, ec);
      return false;
    }
  }
  if (RenameWithoutReplacing(temporary, to)) return true;
  std::error_code ec;
  std::filesystem::remove(temporary, ec);
  return false;
}

}  // namespace

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
#else
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without the no-replace rename: a link fails when the
  // target exists, and the old name goes once the new one stands.
  if (::link(from.c_str(), to.c_str()) != 0) return false;
  ::unlink(from.c_str());
  return true;
#endif
}

bool ShotComplete(const std::string& path, ShotFormat format) {
  std::error_code ec;
  if (format == ShotFormat::Pcx) return std::filesystem::exists(path, ec);
  const std::optional<std::string> bytes = ReadWhole(path);
  if (!bytes) return false;
  return format == ShotFormat::Png ? PngComplete(Data(*bytes), bytes->size())
                                   : TgaComplete(Data(*bytes), bytes->size());
}

std::vector<std::string> FreeShotNames(const std::string& folder, const ShotPattern& pattern, int count) {
  std::set<int> taken;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const int number = pattern.NumberOf(it->path().filename().string());
    if (number >= 0) taken.insert(number);
  }
  std::vector<std::string> names;
  for (int number = 0; number < pattern.Count() && static_cast<int>(names.size()) < count; ++number) {
    if (!taken.count(number)) names.push_back(pattern.Name(number));
  }
  return names;
}

RgbImage ShrinkToFit(const RgbImage& image, int width, int height) {
  if (image.width <= width && image.height <= height) return image;
  const int factor = std::max((image.width + width - 1) / width, (image.height + height - 1) / height);
  RgbImage small;
  small.width = std::max(1, image.width / factor);
  small.height = std::max(1, image.height / factor);
  small.pixels.resize(static_cast<std::size_t>(small.width) * static_cast<std::size_t>(small.height) * 3);
  const auto at = [](const RgbImage& picture, int x, int y) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) + static_cast<std::size_t>(x)) * 3;
  };
  for (int y = 0; y < small.height; ++y) {
    for (int x = 0; x < small.width; ++x) {
      unsigned sums[3] = {0, 0, 0};
      unsigned count = 0;
      for (int dy = 0; dy < factor; ++dy) {
        for (int dx = 0; dx < factor; ++dx) {
          const int sx = x * factor + dx;
          const int sy = y * factor + dy;
          if (sx >= image.width || sy >= image.height) continue;
          for (int c = 0; c < 3; ++c) sums[c] += image.pixels[at(image, sx, sy) + static_cast<std::size_t>(c)];
          ++count;
        }
      }
      for (int c = 0; c < 3; ++c) {
        small.pixels[at(small, x, y) + static_cast<std::size_t>(c)] =
            static_cast<std::uint8_t>((sums[c] + count / 2) / count);
      }
    }
  }
  return small;
}

bool MakeThumbnail(const std::string& from, const std::string& to, ShotFormat format, PictureReader* reader) {
  if (format == ShotFormat::Pcx) return RenameWithoutReplacing(from, to);
  std::error_code ec;
  if (std::filesystem::exists(to, ec) || !ShotComplete(from, format)) return false;
  std::optional<RgbImage> picture;
  if (format == ShotFormat::Png && reader == nullptr) return false;
  if (format == ShotFormat::Tga) {
    try {
      const std::optional<std::string> bytes = ReadWhole(from);
      if (bytes) picture = DecodeTga(Data(*bytes), bytes->size());
    } catch (const std::exception&) {
      picture.reset();
    }
  } else {
    picture = reader->Read(from);
  }
  bool made = false;
  if (picture && picture->width > 0 && picture->height > 0) {
    try {
      made = WriteNew(to, EncodePcx24(ShrinkToFit(*picture, kThumbnailWidth, kThumbnailHeight)));
    } catch (const PcxError&) {
      made = false;
    }
  }
  // The screenshot was asked for by the run: once it is a thumbnail, or
  // cannot become one, it goes (a PNG with nothing to read it stays).
  if (format == ShotFormat::Tga || reader != nullptr) std::filesystem::remove(from, ec);
  return made;
}

std::string ShotFolderState(const std::string& folder, const ShotPattern& pattern) {
  std::vector<std::string> entries;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (pattern.NumberOf(name) < 0) continue;
    std::error_code status;
    const std::uintmax_t size = std::filesystem::file_size(it->path(), status);
    const auto time = std::filesystem::last_write_time(it->path(), status).time_since_epoch().count();
    entries.push_back(name + ' ' + std::to_string(size) + ' ' + std::to_string(time));
  }
  std::sort(entries.begin(), entries.end());
  std::string state;
  for (const std::string& entry : entries) state += entry + '\n';
  return state;
}

}  // namespace clipvex
