// The game's files as the game finds them. The game's folder holds one
// folder per game: "id1" always, and the folder named by -game. In each,
// pak0.pak, pak1.pak, ... (up to the first number missing) and loose
// files; a look-up tries, in order, the -game folder's packs (highest
// number first), its loose files, then id1's packs and loose files. So a
// later pack overrides an earlier one, a pack overrides a loose file of
// its own folder, and the -game folder overrides id1. Names are compared
// exactly first, then without regard to ASCII case.
//
// Once opened, a GameFiles never changes: it can be shared between
// threads; each Read opens the file it needs.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace winquake {

// A pack ("PACK", the directory's offset and length, then 64-byte entries
// of a 56-byte name, the data's offset and length).
struct PackEntry {
  std::string name;
  std::uint32_t offset = 0;
  std::uint32_t size = 0;
};

inline constexpr std::size_t kPackHeaderBytes = 12;
inline constexpr std::size_t kPackEntryBytes = 64;
inline constexpr std::uint32_t kMaxPackEntries = 65536;

// Reads the 12-byte header of a pack of `fileSize` bytes: where its
// directory lies and how many entries it has. False, with `error` saying
// why, when the bytes are no pack or the directory does not fit the file.
bool ReadPackHeader(std::string_view head, std::uint64_t fileSize, std::uint32_t& dirOffset, std::uint32_t& count,
                    std::string& error);

// The entries of a directory read from a pack of `fileSize` bytes. Entries
// whose data does not lie inside the file, or whose name is empty, are left
// out and counted in `skipped`.
std::vector<PackEntry> ReadPackDirectory(std::string_view directory, std::uint64_t fileSize, std::size_t& skipped);

// Files larger than this are refused by Read (no map or model comes near).
inline constexpr std::uint64_t kMaxGameFileBytes = 256ull << 20;

class GameFiles {
 public:
  // The search path of `gameDir` (the -game folder, relative to `baseDir`
  // unless absolute; "id1" or empty for none) over `baseDir`/id1. Folders
  // that do not exist are left out; packs that cannot be read are left out
  // with a note in Problems().
  static std::shared_ptr<const GameFiles> Open(const std::string& baseDir, const std::string& gameDir);
  // Files given by name and bytes (for tests and tools that hold the data
  // themselves), searched before nothing else.
  static std::shared_ptr<const GameFiles> FromMemory(std::vector<std::pair<std::string, std::string>> files);

  // The bytes of `name` ("maps/e1m1.bsp"), or nullopt with `error` saying
  // why ("not found", "not a regular file", ...). Names that leave the game
  // folders ("..", absolute) are never found.
  std::optional<std::string> Read(std::string_view name, std::string& error) const;

  // The places searched, first first ("mod/pak0.pak (12 files)", "id1/").
  std::vector<std::string> Places() const;
  bool Empty() const { return places_.empty(); }
  const std::vector<std::string>& Problems() const { return problems_; }

 private:
  struct Place {
    std::string folder;  // loose files: the folder; packs: the pack's path
    bool pack = false;
    std::uint64_t packSize = 0;
    std::vector<PackEntry> entries;
    std::unordered_map<std::string, std::uint32_t> exact;   // name -> first entry of that name
    std::unordered_map<std::string, std::uint32_t> folded;  // lower-case name -> first entry
    std::vector<std::string> memory;                        // the files of a place in memory, by entry
  };
  void AddFolder(const std::string& folder);
  std::optional<std::string> ReadFromPack(const Place& place, const PackEntry& entry, std::string& error) const;

  std::vector<Place> places_;
  std::vector<std::string> problems_;
};

// Opens `path` for reading without blocking on FIFOs or devices; returns
// its bytes when it is a regular file of at most `maxBytes`.
std::optional<std::string> ReadRegularFile(const std::string& path, std::uint64_t maxBytes, std::string& error);

}  // namespace winquake
