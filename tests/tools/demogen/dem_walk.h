// A small, strict protocol-15 walker used to check what demogen writes.
// It knows only what an engine accepts in a protocol-15 stream: anything else
// (unknown ids, extension bits, out-of-range indices, reading past a block)
// is reported as an error with the block index.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace demowalk {

struct Block {
    std::size_t offset = 0;   // file offset of the 16-byte header
    std::uint32_t length = 0;
    std::array<float, 3> angles{};
    std::vector<int> ids;     // message ids in order (0x80 for every entity update)
    std::optional<float> time;           // svc_time, if any
    std::vector<int> signons;            // svc_signonnum values
    std::map<int, std::array<double, 3>> origins;  // entity number -> origin after its update
};

struct Walk {
    std::string error;        // empty when everything parsed
    std::string track_line;   // without the '\n'
    std::vector<Block> blocks;
    int protocol = 0;
    int maxclients = 0;
    std::vector<std::string> models;  // precache entries 1..n
    std::vector<std::string> sounds;
    std::size_t end_offset = 0;        // where the last complete block ends
    std::map<int, std::array<double, 3>> baseline_origins;

    bool ok() const { return error.empty(); }
    std::size_t count(int id) const;   // messages with this id over the whole file
};

Walk walk(const std::vector<std::uint8_t>& file);

}  // namespace demowalk
