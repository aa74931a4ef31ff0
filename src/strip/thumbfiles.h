// The thumbnail files of one strip while a command moves its blocks. The
// preview folder is listed once, on the first move, and every delete and
// rename afterwards is worked out from that list: a command touches only
// files that exist, however long the demo. A rename never replaces a file;
// failures are ignored, since a thumbnail problem must never stop an edit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace clipvex {

// Renames `from` to `to` unless `to` exists; false when nothing was renamed.
bool RenameNoReplace(const std::string& from, const std::string& to);

class ThumbnailFiles {
 public:
  // `folder` is the preview folder (ending with a separator); an empty
  // folder means the strip has no thumbnails to move.
  ThumbnailFiles(std::string folder, char letter);
  ~ThumbnailFiles();
  ThumbnailFiles(const ThumbnailFiles&) = delete;
  ThumbnailFiles& operator=(const ThumbnailFiles&) = delete;

  // In a list of `entries` entries, the `removed` blocks from `pos` on were
  // replaced by `inserted` new ones: the thumbnails of the removed blocks
  // are deleted and those from pos + removed on move by inserted - removed,
  // each to a free name. A file past the end of the list belongs to no
  // block; it is deleted when a move needs its name.
  void Splice(std::int64_t pos, std::int64_t removed, std::int64_t inserted, std::int64_t entries);

  // Blocks first to last were reversed: their thumbnails swap in pairs
  // from the outside in, through the swap file.
  void Reverse(std::int64_t first, std::int64_t last);

  // Deletes the swap file "temp.pcx" if it is there.
  void DeleteSwapFile();

  // The indices that have a file, as this object knows them (sorted).
  const std::vector<std::int64_t>& Indices();

 private:
  void List();
  std::string NameOf(std::int64_t index) const;
  // Names inside the folder; the folder is opened once, so that each call
  // does not look up the whole path again.
  bool Rename(const std::string& from, const std::string& to);
  void Remove(const std::string& name);

  std::string folder_;
  char letter_;
  bool listed_ = false;
  int folderHandle_ = -1;
  std::vector<std::int64_t> indices_;
};

}  // namespace clipvex
