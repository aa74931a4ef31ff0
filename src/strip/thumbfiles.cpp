#include "strip/thumbfiles.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "strip/stripstate.h"

namespace clipvex {
namespace {

constexpr const char* kSwapFileName = "temp.pcx";

void RemoveQuietly(const std::string& path) {
  std::error_code ec;
  std::filesystem::remove(path, ec);
}

}  // namespace

#ifndef _WIN32
namespace {

// Names relative to the folder `dir` (AT_FDCWD: the current folder).
bool RenameAt(int dir, const char* from, const char* to) {
  if (::renameat2(dir, from, dir, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
  // A file system without the flag: a hard link fails on an existing name.
  if (::linkat(dir, from, dir, to, 0) != 0) return false;
  ::unlinkat(dir, from, 0);
  return true;
}

}  // namespace
#endif

bool RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef _WIN32
  // MoveFile, which std::rename uses there, never replaces a file.
  return std::rename(from.c_str(), to.c_str()) == 0;
#else
  return RenameAt(AT_FDCWD, from.c_str(), to.c_str());
#endif
}

ThumbnailFiles::ThumbnailFiles(std::string folder, char letter) : folder_(std::move(folder)), letter_(letter) {}

ThumbnailFiles::~ThumbnailFiles() {
#ifndef _WIN32
  if (folderHandle_ >= 0) ::close(folderHandle_);
#endif
}

std::string ThumbnailFiles::NameOf(std::int64_t index) const { return ThumbnailName(letter_, index); }

bool ThumbnailFiles::Rename(const std::string& from, const std::string& to) {
#ifdef _WIN32
  return RenameNoReplace(folder_ + from, folder_ + to);
#else
  if (folderHandle_ < 0) return RenameNoReplace(folder_ + from, folder_ + to);
  return RenameAt(folderHandle_, from.c_str(), to.c_str());
#endif
}

void ThumbnailFiles::Remove(const std::string& name) {
#ifndef _WIN32
  if (folderHandle_ >= 0) {
    ::unlinkat(folderHandle_, name.c_str(), 0);
    return;
  }
#endif
  RemoveQuietly(folder_ + name);
}

void ThumbnailFiles::List() {
  if (listed_) return;
  listed_ = true;
  if (folder_.empty()) return;
#ifndef _WIN32
  folderHandle_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
  std::error_code ec;
  std::filesystem::directory_iterator it(folder_, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const std::int64_t index = ThumbnailIndex(it->path().filename().string(), letter_);
    if (index >= 0) indices_.push_back(index);
  }
  std::sort(indices_.begin(), indices_.end());
}

const std::vector<std::int64_t>& ThumbnailFiles::Indices() {
  List();
  return indices_;
}

void ThumbnailFiles::Splice(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t entries) {
  if (removed == 0 && inserted == 0) return;
  List();
  if (indices_.empty()) return;
  const std::int64_t shift = inserted - removed;
  const std::int64_t moveFrom = pos + removed;

  std::vector<std::int64_t> kept;   // indices that stay where they are
  std::vector<std::int64_t> moved;  // old indices of the files that move
  std::vector<std::int64_t> stale;  // past the end: no block owns them
  kept.reserve(indices_.size());
  for (std::int64_t index : indices_) {
    if (index < pos) {
      kept.push_back(index);
    } else if (index < moveFrom) {
      Remove(NameOf(index));
    } else if (index < entries) {
      moved.push_back(index);
    } else {
      stale.push_back(index);
    }
  }

  std::vector<std::int64_t> result = kept;
  result.reserve(indices_.size());
  auto moveOne = [&](std::int64_t from) {
    const std::int64_t to = from + shift;
    // A file past the end that has the name wanted goes first.
    auto hit = std::lower_bound(stale.begin(), stale.end(), to);
    if (hit != stale.end() && *hit == to) {
      Remove(NameOf(to));
      stale.erase(hit);
    }
    result.push_back(Rename(NameOf(from), NameOf(to)) ? to : from);
  };
  // Towards higher indices the highest goes first, towards lower the
  // lowest: each name wanted has then already been vacated.
  if (shift > 0) {
    for (auto it = moved.rbegin(); it != moved.rend(); ++it) moveOne(*it);
  } else if (shift < 0) {
    for (std::int64_t from : moved) moveOne(from);
  } else {
    result.insert(result.end(), moved.begin(), moved.end());
  }
  result.insert(result.end(), stale.begin(), stale.end());
  std::sort(result.begin(), result.end());
  result.erase(std::unique(result.begin(), result.end()), result.end());
  indices_ = std::move(result);
}

void ThumbnailFiles::DeleteSwapFile() {
  if (!folder_.empty()) Remove(kSwapFileName);
}

void ThumbnailFiles::Reverse(std::int64_t first, std::int64_t last) {
  if (last <= first) return;
  List();
  auto lo = std::lower_bound(indices_.begin(), indices_.end(), first);
  auto hi = std::upper_bound(indices_.begin(), indices_.end(), last);
  if (lo == hi) return;
  auto has = [this](std::int64_t index) { return std::binary_search(indices_.begin(), indices_.end(), index); };

  // Each pair once, by its lower index.
  std::vector<std::int64_t> pairs;
  for (auto it = lo; it != hi; ++it) {
    const std::int64_t partner = first + last - *it;
    if (partner != *it) pairs.push_back(std::min(*it, partner));
  }
  std::sort(pairs.begin(), pairs.end());
  pairs.erase(std::unique(pairs.begin(), pairs.end()), pairs.end());

  const std::string swap = kSwapFileName;
  std::vector<std::int64_t> gained, lost;
  for (std::int64_t i : pairs) {
    const std::int64_t j = first + last - i;
    const bool hasI = has(i);
    const bool hasJ = has(j);
    if (hasI && hasJ) {
      if (!Rename(NameOf(i), swap)) continue;
      if (!Rename(NameOf(j), NameOf(i))) {
        Rename(swap, NameOf(i));
        continue;
      }
      if (!Rename(swap, NameOf(j))) lost.push_back(j);
    } else if (hasI) {
      if (Rename(NameOf(i), NameOf(j))) {
        lost.push_back(i);
        gained.push_back(j);
      }
    } else if (Rename(NameOf(j), NameOf(i))) {
      lost.push_back(j);
      gained.push_back(i);
    }
  }
  if (gained.empty() && lost.empty()) return;
  std::sort(lost.begin(), lost.end());
  std::vector<std::int64_t> result;
  result.reserve(indices_.size() + gained.size());
  for (std::int64_t index : indices_) {
    if (!std::binary_search(lost.begin(), lost.end(), index)) result.push_back(index);
  }
  result.insert(result.end(), gained.begin(), gained.end());
  std::sort(result.begin(), result.end());
  indices_ = std::move(result);
}

}  // namespace clipvex
