// demogen: writes synthetic protocol-15 demos that a real engine can play.
//
// A generated demo holds the three signon blocks a server sends to a client
// that connects at level start, then game frames (one block each) with a
// player camera and a few models walking a closed loop through the map,
// occasional prints, sounds and temp entities, an intermission near the end
// and a final svc_disconnect block. The same options always give the same
// bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace clipvex::demogen {

struct Options {
  // Total number of blocks, signon and final disconnect included.
  // Ignored when target_bytes is non-zero.
  std::uint64_t blocks = 600;
  // Approximate file size in bytes (--megabytes); 0 means "use blocks".
  std::uint64_t target_bytes = 0;
  std::uint64_t seed = 1;
  std::string map = "start";
};

inline constexpr std::uint64_t kMinBlocks = 5;  // 3 signon + 1 frame + disconnect
// Server time is a float: past about 5 million frames (524288 s) its steps
// would exceed the frame time, so demos stay below that.
inline constexpr std::uint64_t kMaxBlocks = 5'000'000;
inline constexpr std::uint64_t kBytesPerMegabyte = 1'000'000;
inline constexpr double kMaxMegabytes = 400.0;
inline constexpr double kFrameSeconds = 0.1;  // server time between game frames

// Returns an empty string when the options can be generated, otherwise the reason.
std::string validate(const Options& options);

// Builds the whole demo in memory. Throws std::invalid_argument when
// validate() would complain.
std::vector<std::uint8_t> generate(const Options& options);

// Command line: demogen [--blocks N | --megabytes M] [--seed S] [--map NAME] OUT.dem
struct CommandLine {
  Options options;
  std::string output;
  bool help = false;
};

// Parses argv[1..]; on failure returns nullopt and sets error.
std::optional<CommandLine> parse_command_line(const std::vector<std::string>& args, std::string& error);

std::string usage_text();

// The maps with hand-placed paths through open floor. Any other map name is
// played on a circle round the map's origin, which may run through walls.
std::vector<std::string> known_maps_with_paths();
// The note for a map without a hand-placed path ("" for a known one).
std::string map_note(const std::string& map);

// Writes data to a temporary file beside path and renames it over path.
// On failure nothing is left behind and error says why.
bool write_file_replacing(const std::string& path, const std::vector<std::uint8_t>& data, std::string& error);

}  // namespace clipvex::demogen
