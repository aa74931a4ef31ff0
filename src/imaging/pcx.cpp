#include "imaging/pcx.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace clipvex {

namespace {

// The fixed 128-byte header. Multi-byte fields are little-endian.
constexpr std::size_t kHeaderSize = 128;
constexpr std::size_t kManufacturerAt = 0;  // always 0x0A
constexpr std::size_t kVersionAt = 1;
constexpr std::size_t kEncodingAt = 2;  // 0: stored, 1: run-length encoded
constexpr std::size_t kBitsAt = 3;      // bits per pixel in one plane
constexpr std::size_t kXMinAt = 4;
constexpr std::size_t kYMinAt = 6;
constexpr std::size_t kXMaxAt = 8;
constexpr std::size_t kYMaxAt = 10;
constexpr std::size_t kHDpiAt = 12;
constexpr std::size_t kVDpiAt = 14;
constexpr std::size_t kColourMapAt = 16;  // 16 RGB entries for pictures of up to 4 bits
constexpr std::size_t kPlanesAt = 65;
constexpr std::size_t kBytesPerLineAt = 66;  // per plane
constexpr std::size_t kPaletteInfoAt = 68;   // 1: colour

constexpr std::uint8_t kManufacturer = 0x0A;
constexpr std::uint8_t kVersion5 = 5;
constexpr std::uint8_t kStored = 0;
constexpr std::uint8_t kRle = 1;

// An 8-bit picture ends in this marker and 256 RGB entries.
constexpr std::uint8_t kPaletteMarker = 0x0C;
constexpr std::size_t kPaletteBytes = 768;

// A byte with both top bits set starts a run: its low six bits count how
// often the next byte repeats.
constexpr std::uint8_t kRunFlag = 0xC0;
constexpr std::size_t kMaxRun = 63;

// The largest body a picture inside the limits needs is four planes of
// bytes, each byte doubled by the run-length code; no file is read past that.
constexpr long long kMaxFileBytes = 2 * 4 * kPcxMaxPixels + kHeaderSize + 1 + kPaletteBytes;

constexpr const char* kTruncated = "The PCX image is truncated";

unsigned Get16(const std::uint8_t* data, std::size_t at) {
  return static_cast<unsigned>(data[at]) | (static_cast<unsigned>(data[at + 1]) << 8);
}

void Put16(std::vector<std::uint8_t>& out, std::size_t at, unsigned value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

[[noreturn]] void Fail(const std::string& what) { throw PcxError(what); }

[[noreturn]] void FailFile(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
      Fail("File not found");
    case EACCES:
    case EPERM:
    case EISDIR:
      Fail("File access denied");
    default:
      Fail(std::strerror(errorNumber));
  }
}

void CheckSize(long long width, long long height) {
  if (width > kPcxMaxSide || height > kPcxMaxSide || width * height > kPcxMaxPixels) {
    Fail("The PCX image is too large: " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  }
}

// Hands out the body one scan line (all planes) at a time. Run-length
// encoded runs may go on into the next line or plane (some writers do that),
// so the run in progress lives across calls.
class BodyReader {
 public:
  BodyReader(const std::uint8_t* begin, const std::uint8_t* end, bool rle) : next_(begin), end_(end), rle_(rle) {}

  void ReadLine(std::uint8_t* line, std::size_t size) {
    if (!rle_) {
      if (static_cast<std::size_t>(end_ - next_) < size) Fail(kTruncated);
      std::memcpy(line, next_, size);
      next_ += size;
      return;
    }
    std::size_t filled = 0;
    while (filled < size) {
      if (runLeft_ > 0) {
        const std::size_t take = std::min(runLeft_, size - filled);
        std::memset(line + filled, runValue_, take);
        filled += take;
        runLeft_ -= take;
        continue;
      }
      if (next_ == end_) Fail(kTruncated);
      const std::uint8_t byte = *next_++;
      if ((byte & kRunFlag) != kRunFlag) {
        line[filled++] = byte;
        continue;
      }
      if (next_ == end_) Fail(kTruncated);
      runLeft_ = byte & kMaxRun;  // a run of length zero adds nothing
      runValue_ = *next_++;
    }
  }

 private:
  const std::uint8_t* next_;
  const std::uint8_t* end_;
  bool rle_;
  std::size_t runLeft_ = 0;
  std::uint8_t runValue_ = 0;
};

// Appends `bytes` run-length encoded; runs stop at the end of `bytes`.
void EncodeRuns(const std::uint8_t* bytes, std::size_t size, std::vector<std::uint8_t>& out) {
  std::size_t i = 0;
  while (i < size) {
    const std::uint8_t value = bytes[i];
    std::size_t run = 1;
    while (run < kMaxRun && i + run < size && bytes[i + run] == value) ++run;
    if (run == 1 && (value & kRunFlag) != kRunFlag) {
      out.push_back(value);
    } else {
      out.push_back(static_cast<std::uint8_t>(kRunFlag | run));
      out.push_back(value);
    }
    i += run;
  }
}

// Checks the size an encoder was given and starts the file with its header.
std::vector<std::uint8_t> StartFile(int width, int height, unsigned planes, std::size_t& bytesPerLine) {
  if (width < 1 || height < 1) {
    Fail("Cannot write a PCX image of " + std::to_string(width) + " x " + std::to_string(height) + " pixels");
  }
  CheckSize(width, height);
  // Lines are padded to an even length, as readers expect.
  bytesPerLine = (static_cast<std::size_t>(width) + 1) & ~static_cast<std::size_t>(1);
  std::vector<std::uint8_t> out(kHeaderSize, 0);
  out[kManufacturerAt] = kManufacturer;
  out[kVersionAt] = kVersion5;
  out[kEncodingAt] = kRle;
  out[kBitsAt] = 8;
  Put16(out, kXMinAt, 0);
  Put16(out, kYMinAt, 0);
  Put16(out, kXMaxAt, static_cast<unsigned>(width - 1));
  Put16(out, kYMaxAt, static_cast<unsigned>(height - 1));
  Put16(out, kHDpiAt, 72);
  Put16(out, kVDpiAt, 72);
  out[kPlanesAt] = static_cast<std::uint8_t>(planes);
  Put16(out, kBytesPerLineAt, static_cast<unsigned>(bytesPerLine));
  Put16(out, kPaletteInfoAt, 1);
  // Typical pictures shrink to a fraction; reserve for the common case only.
  out.reserve(kHeaderSize + bytesPerLine * planes * static_cast<std::size_t>(height) / 2 + 1 + kPaletteBytes);
  return out;
}

struct FileHandle {
  int fd;
  ~FileHandle() {
    if (fd >= 0) ::close(fd);
  }
};

}  // namespace

RgbImage DecodePcx(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size == 0 || data[kManufacturerAt] != kManufacturer) Fail("Not a PCX image");
  if (size < kHeaderSize) Fail(kTruncated);
  const unsigned version = data[kVersionAt];
  if (version != 0 && version != 2 && version != 3 && version != 4 && version != 5) Fail("Not a PCX image");
  const unsigned encoding = data[kEncodingAt];
  if (encoding != kRle && encoding != kStored) {
    Fail("Unsupported PCX compression: encoding " + std::to_string(encoding));
  }
  const unsigned bits = data[kBitsAt];
  const unsigned planes = data[kPlanesAt];
  const bool indexed8 = bits == 8 && planes == 1;
  const bool rgb = bits == 8 && (planes == 3 || planes == 4);  // a fourth plane (alpha) is dropped
  const bool bitPlanes = bits == 1 && (planes == 1 || planes == 4);
  if (!indexed8 && !rgb && !bitPlanes) {
    Fail("Unsupported PCX image: " + std::to_string(bits) + " bits per pixel, " + std::to_string(planes) +
         (planes == 1 ? " plane" : " planes"));
  }
  const long long xMin = Get16(data, kXMinAt);
  const long long yMin = Get16(data, kYMinAt);
  const long long xMax = Get16(data, kXMaxAt);
  const long long yMax = Get16(data, kYMaxAt);
  if (xMax < xMin || yMax < yMin) {
    Fail("The PCX image has an invalid size: x " + std::to_string(xMin) + " to " + std::to_string(xMax) + ", y " +
         std::to_string(yMin) + " to " + std::to_string(yMax));
  }
  const long long width = xMax - xMin + 1;
  const long long height = yMax - yMin + 1;
  CheckSize(width, height);
  const std::size_t bytesPerLine = Get16(data, kBytesPerLineAt);
  const auto w = static_cast<std::size_t>(width);
  const std::size_t rowBytes = bits == 8 ? w : (w + 7) / 8;
  if (bytesPerLine < rowBytes) {
    Fail("The PCX image has lines of " + std::to_string(bytesPerLine) + " bytes, too short for " +
         std::to_string(width) + " pixels");
  }

  const std::uint8_t* body = data + kHeaderSize;
  const std::uint8_t* bodyEnd = data + size;
  const std::uint8_t* palette = nullptr;
  std::uint8_t colourMap[48];
  if (indexed8) {
    // The palette is the last 769 bytes of the file, whatever the version says.
    if (size < kHeaderSize + 1 + kPaletteBytes || data[size - kPaletteBytes - 1] != kPaletteMarker) {
      Fail("The PCX image has no 256-colour palette");
    }
    palette = data + size - kPaletteBytes;
    bodyEnd = palette - 1;
  } else if (bitPlanes) {
    std::memcpy(colourMap, data + kColourMapAt, sizeof colourMap);
    // Two equal colours make a two-colour map meaningless: such pictures
    // (most writers leave the map zero) are black on white.
    if (planes == 1 && std::memcmp(colourMap, colourMap + 3, 3) == 0) {
      std::memset(colourMap, 0x00, 3);
      std::memset(colourMap + 3, 0xFF, 3);
    }
    palette = colourMap;
  }

  // Each two bytes of run-length code give at most 63 bytes of picture, so a
  // body too short to fill the picture is known before anything is allocated.
  const std::size_t lineBytes = bytesPerLine * planes;
  const unsigned long long streamBytes =
      static_cast<unsigned long long>(lineBytes) * static_cast<unsigned long long>(height);
  const auto bodyBytes = static_cast<unsigned long long>(bodyEnd - body);
  const unsigned long long mostBytes = encoding == kRle ? bodyBytes / 2 * kMaxRun + bodyBytes % 2 : bodyBytes;
  if (mostBytes < streamBytes) Fail(kTruncated);

  RgbImage image;
  image.width = static_cast<int>(width);
  image.height = static_cast<int>(height);
  image.pixels.resize(w * static_cast<std::size_t>(height) * 3);
  std::vector<std::uint8_t> line(lineBytes);
  BodyReader reader(body, bodyEnd, encoding == kRle);
  std::uint8_t* out = image.pixels.data();
  for (long long y = 0; y < height; ++y) {
    reader.ReadLine(line.data(), lineBytes);
    const std::uint8_t* in = line.data();
    if (indexed8) {
      for (std::size_t x = 0; x < w; ++x, out += 3) std::memcpy(out, palette + 3 * static_cast<std::size_t>(in[x]), 3);
    } else if (rgb) {
      const std::uint8_t* green = in + bytesPerLine;
      const std::uint8_t* blue = green + bytesPerLine;
      for (std::size_t x = 0; x < w; ++x) {
        *out++ = in[x];
        *out++ = green[x];
        *out++ = blue[x];
      }
    } else {
      // Plane p holds bit p of each pixel's colour index, the leftmost pixel
      // in the top bit of each byte.
      for (std::size_t x = 0; x < w; ++x, out += 3) {
        const std::size_t at = x >> 3;
        const unsigned shift = 7 - static_cast<unsigned>(x & 7);
        unsigned index = 0;
        for (unsigned p = 0; p < planes; ++p) index |= ((in[p * bytesPerLine + at] >> shift) & 1U) << p;
        std::memcpy(out, palette + 3 * index, 3);
      }
    }
  }
  return image;
}

RgbImage LoadPcxFile(const std::string& path) {
  if (path.empty()) FailFile(ENOENT);
  FileHandle file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) FailFile(errno);
  struct stat st {};
  if (::fstat(file.fd, &st) != 0) FailFile(errno);
  if (S_ISDIR(st.st_mode)) FailFile(EISDIR);
  if (st.st_size > kMaxFileBytes) Fail("The PCX file is too large");
  // The size is a hint only: the file may change while it is read.
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (static_cast<long long>(have) > kMaxFileBytes) Fail("The PCX file is too large");
      bytes.resize(have * 2);
    }
    const ssize_t got = ::read(file.fd, bytes.data() + have, bytes.size() - have);
    if (got < 0) {
      if (errno == EINTR) continue;
      FailFile(errno);
    }
    if (got == 0) break;
    have += static_cast<std::size_t>(got);
  }
  bytes.resize(have);
  return DecodePcx(bytes.data(), bytes.size());
}

std::vector<std::uint8_t> EncodePcx8(int width, int height, const std::uint8_t* indices, const std::uint8_t* palette) {
  std::size_t bytesPerLine = 0;
  std::vector<std::uint8_t> out = StartFile(width, height, 1, bytesPerLine);
  if (indices == nullptr || palette == nullptr) Fail("Cannot write a PCX image without its pixels and palette");
  const auto w = static_cast<std::size_t>(width);
  std::vector<std::uint8_t> line(bytesPerLine, 0);  // the padding byte stays zero
  for (int y = 0; y < height; ++y) {
    std::memcpy(line.data(), indices + static_cast<std::size_t>(y) * w, w);
    EncodeRuns(line.data(), bytesPerLine, out);
  }
  out.push_back(kPaletteMarker);
  out.insert(out.end(), palette, palette + kPaletteBytes);
  return out;
}

std::vector<std::uint8_t> EncodePcx24(const RgbImage& image) {
  std::size_t bytesPerLine = 0;
  std::vector<std::uint8_t> out = StartFile(image.width, image.height, 3, bytesPerLine);
  const auto w = static_cast<std::size_t>(image.width);
  if (image.pixels.size() != w * static_cast<std::size_t>(image.height) * 3) {
    Fail("Cannot write a PCX image of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
         " pixels from " + std::to_string(image.pixels.size()) + " bytes");
  }
  std::vector<std::uint8_t> plane(bytesPerLine, 0);
  for (int y = 0; y < image.height; ++y) {
    const std::uint8_t* row = image.pixels.data() + static_cast<std::size_t>(y) * w * 3;
    for (std::size_t channel = 0; channel < 3; ++channel) {
      for (std::size_t x = 0; x < w; ++x) plane[x] = row[3 * x + channel];
      EncodeRuns(plane.data(), bytesPerLine, out);  // runs never cross planes
    }
  }
  return out;
}

}  // namespace clipvex
