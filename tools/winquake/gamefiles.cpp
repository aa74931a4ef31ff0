#include "gamefiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "bytes.h"

namespace winquake {

namespace {

namespace fs = std::filesystem;

std::string Join(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// A name the demo or the data gave: relative, '/'-separated, with no empty,
// "." or ".." part.
bool SafeName(std::string_view name) {
  if (name.empty() || name.size() > 1024 || name.front() == '/') return false;
  std::size_t i = 0;
  while (i <= name.size()) {
    std::size_t j = name.find('/', i);
    if (j == std::string_view::npos) j = name.size();
    const std::string_view part = name.substr(i, j - i);
    if (part.empty() || part == "." || part == "..") return false;
    i = j + 1;
  }
  return name.find('\0') == std::string_view::npos && name.find('\\') == std::string_view::npos;
}

bool IsRegular(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entry of `folder` named `part`: exactly, or else the first (in byte
// order) whose name matches without regard to ASCII case.
std::optional<std::string> FindPart(const std::string& folder, const std::string& part) {
  const std::string exact = Join(folder, part);
  struct stat st {};
  if (::lstat(exact.c_str(), &st) == 0) return exact;
  const std::string want = bytes::Lower(part);
  std::optional<std::string> best;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (bytes::Lower(name) == want && (!best || name < *best)) best = name;
  }
  if (!best) return std::nullopt;
  return Join(folder, *best);
}

// `name` under `folder`, each part found exactly or else without regard to case.
std::optional<std::string> FindLoose(const std::string& folder, std::string_view name) {
  const std::string exact = Join(folder, std::string(name));
  if (IsRegular(exact)) return exact;
  std::string current = folder;
  std::size_t i = 0;
  while (i < name.size()) {
    std::size_t j = name.find('/', i);
    if (j == std::string_view::npos) j = name.size();
    std::optional<std::string> next = FindPart(current, std::string(name.substr(i, j - i)));
    if (!next) return std::nullopt;
    current = *next;
    i = j + 1;
  }
  if (!IsRegular(current)) return std::nullopt;
  return current;
}

int OpenForReading(const std::string& path, std::string& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) error = errno == ENOENT ? "not found" : std::string("couldn't open: ") + std::strerror(errno);
  return fd;
}

bool ReadAt(int fd, char* into, std::size_t size, std::uint64_t offset, std::string& error) {
  std::size_t got = 0;
  while (got < size) {
    const ssize_t n = ::pread(fd, into + got, size - got, static_cast<off_t>(offset + got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::string("read error: ") + std::strerror(errno);
      return false;
    }
    if (n == 0) {
      error = "the file is shorter than it was";
      return false;
    }
    got += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

bool ReadPackHeader(std::string_view head, std::uint64_t fileSize, std::uint32_t& dirOffset, std::uint32_t& count,
                    std::string& error) {
  if (head.size() < kPackHeaderBytes || head.substr(0, 4) != "PACK") {
    error = "not a pack (no PACK header)";
    return false;
  }
  const std::int32_t offset = bytes::I32(head.data() + 4);
  const std::int32_t length = bytes::I32(head.data() + 8);
  if (offset < 0 || length < 0 || length % static_cast<std::int32_t>(kPackEntryBytes) != 0) {
    error = "damaged pack directory (offset " + std::to_string(offset) + ", length " + std::to_string(length) + ")";
    return false;
  }
  if (!bytes::Fits(offset, length, fileSize)) {
    error = "the pack directory runs past the end of the file";
    return false;
  }
  if (static_cast<std::uint32_t>(length) / kPackEntryBytes > kMaxPackEntries) {
    error = "the pack has more than " + std::to_string(kMaxPackEntries) + " files";
    return false;
  }
  dirOffset = static_cast<std::uint32_t>(offset);
  count = static_cast<std::uint32_t>(length) / kPackEntryBytes;
  return true;
}

std::vector<PackEntry> ReadPackDirectory(std::string_view directory, std::uint64_t fileSize, std::size_t& skipped) {
  std::vector<PackEntry> entries;
  skipped = 0;
  const std::size_t count = directory.size() / kPackEntryBytes;
  entries.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const char* p = directory.data() + i * kPackEntryBytes;
    PackEntry e;
    e.name = bytes::Name(p, 56);
    const std::int32_t offset = bytes::I32(p + 56);
    const std::int32_t size = bytes::I32(p + 60);
    if (e.name.empty() || !bytes::Fits(offset, size, fileSize)) {
      ++skipped;
      continue;
    }
    e.offset = static_cast<std::uint32_t>(offset);
    e.size = static_cast<std::uint32_t>(size);
    entries.push_back(std::move(e));
  }
  return entries;
}

std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& error) {
  const int fd = OpenForReading(path, error);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  std::optional<std::string> result;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = "not a regular file";
  } else if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    error = "too large (" + std::to_string(st.st_size) + " bytes)";
  } else {
    std::string data(static_cast<std::size_t>(st.st_size), '\0');
    if (ReadAt(fd, data.data(), data.size(), 0, error)) result = std::move(data);
  }
  ::close(fd);
  return result;
}

std::shared_ptr<const GameFiles> GameFiles::Open(const std::string& baseDir, const std::string& gameDir) {
  auto files = std::make_shared<GameFiles>();
  const std::string base = baseDir.empty() ? "." : baseDir;
  const std::string id1 = Join(base, "id1");
  if (!gameDir.empty() && gameDir != "id1") {
    const std::string game = gameDir.front() == '/' ? gameDir : Join(base, gameDir);
    std::error_code ec1, ec2;
    const bool same = fs::exists(id1, ec1) && fs::exists(game, ec2) && fs::equivalent(game, id1, ec1);
    if (!same) files->AddFolder(game);
  }
  files->AddFolder(id1);
  return files;
}

std::shared_ptr<const GameFiles> GameFiles::FromMemory(std::vector<std::pair<std::string, std::string>> files) {
  auto result = std::make_shared<GameFiles>();
  Place place;
  place.folder = "(memory)";
  place.pack = true;
  for (auto& [name, bytes] : files) {
    const auto i = static_cast<std::uint32_t>(place.entries.size());
    place.entries.push_back(PackEntry{name, 0, static_cast<std::uint32_t>(bytes.size())});
    place.memory.push_back(std::move(bytes));
    place.exact.emplace(name, i);
    place.folded.emplace(bytes::Lower(name), i);
  }
  result->places_.push_back(std::move(place));
  return result;
}

void GameFiles::AddFolder(const std::string& folder) {
  if (!IsFolder(folder)) return;
  std::vector<Place> packs;
  for (int n = 0;; ++n) {
    const std::optional<std::string> path = FindPart(folder, "pak" + std::to_string(n) + ".pak");
    if (!path || !IsRegular(*path)) break;
    std::string error;
    Place place;
    place.folder = *path;
    place.pack = true;
    const int fd = OpenForReading(*path, error);
    if (fd >= 0) {
      struct stat st {};
      char head[kPackHeaderBytes];
      std::uint32_t dirOffset = 0, count = 0;
      if (::fstat(fd, &st) != 0) {
        error = std::string("couldn't read: ") + std::strerror(errno);
      } else if (ReadAt(fd, head, sizeof head, 0, error) &&
                 ReadPackHeader(std::string_view(head, sizeof head), static_cast<std::uint64_t>(st.st_size), dirOffset,
                                count, error)) {
        std::string directory(static_cast<std::size_t>(count) * kPackEntryBytes, '\0');
        if (ReadAt(fd, directory.data(), directory.size(), dirOffset, error)) {
          std::size_t skipped = 0;
          place.packSize = static_cast<std::uint64_t>(st.st_size);
          place.entries = ReadPackDirectory(directory, place.packSize, skipped);
          if (skipped) problems_.push_back(*path + ": " + std::to_string(skipped) + " damaged entries left out");
          error.clear();
        }
      } else if (error.empty()) {
        error = "the file is too short to be a pack";
      }
      ::close(fd);
    }
    if (!error.empty()) {
      problems_.push_back(*path + ": " + error);
      continue;
    }
    for (std::uint32_t i = 0; i < place.entries.size(); ++i) {
      place.exact.emplace(place.entries[i].name, i);  // the first of a name wins
      place.folded.emplace(bytes::Lower(place.entries[i].name), i);
    }
    packs.push_back(std::move(place));
  }
  // Higher numbers are searched first, then the folder's loose files.
  for (auto it = packs.rbegin(); it != packs.rend(); ++it) places_.push_back(std::move(*it));
  Place loose;
  loose.folder = folder;
  places_.push_back(std::move(loose));
}

std::optional<std::string> GameFiles::ReadFromPack(const Place& place, const PackEntry& entry,
                                                   std::string& error) const {
  if (entry.size > kMaxGameFileBytes) {
    error = "too large (" + std::to_string(entry.size) + " bytes)";
    return std::nullopt;
  }
  const int fd = OpenForReading(place.folder, error);
  if (fd < 0) return std::nullopt;
  std::string data(entry.size, '\0');
  const bool ok = ReadAt(fd, data.data(), data.size(), entry.offset, error);
  ::close(fd);
  if (!ok) return std::nullopt;
  return data;
}

std::optional<std::string> GameFiles::Read(std::string_view name, std::string& error) const {
  if (!SafeName(name)) {
    error = "not a name of the game's files";
    return std::nullopt;
  }
  const std::string key(name);
  const std::string folded = bytes::Lower(name);
  for (const Place& place : places_) {
    if (place.pack) {
      auto it = place.exact.find(key);
      if (it == place.exact.end()) {
        it = place.folded.find(folded);
        if (it == place.folded.end()) continue;
      }
      if (!place.memory.empty()) return place.memory[it->second];
      return ReadFromPack(place, place.entries[it->second], error);
    }
    if (std::optional<std::string> path = FindLoose(place.folder, name))
      return ReadRegularFile(*path, kMaxGameFileBytes, error);
  }
  error = "not found";
  return std::nullopt;
}

std::vector<std::string> GameFiles::Places() const {
  std::vector<std::string> out;
  for (const Place& place : places_) {
    if (place.pack)
      out.push_back(place.folder + " (" + std::to_string(place.entries.size()) + " files)");
    else
      out.push_back(place.folder + "/");
  }
  return out;
}

}  // namespace winquake
