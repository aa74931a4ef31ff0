// Bytes as a pack: its header and directory read as the game reads them.
// Every entry kept must lie inside the bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "gamefiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::uint32_t at = 0, count = 0;
  std::string error;
  if (!winquake::ReadPackHeader(bytes.substr(0, winquake::kPackHeaderBytes), size, at, count, error)) return 0;
  if (static_cast<std::uint64_t>(at) + std::uint64_t{count} * winquake::kPackEntryBytes > size) std::abort();
  std::size_t skipped = 0;
  const auto entries = winquake::ReadPackDirectory(bytes.substr(at, count * winquake::kPackEntryBytes), size, skipped);
  if (entries.size() + skipped != count) std::abort();
  for (const winquake::PackEntry& e : entries)
    if (e.name.empty() || std::uint64_t{e.offset} + e.size > size) std::abort();
  return 0;
}
