// The system's memory figures shown by the main window's memory panel.
#pragma once

#include <cstdint>

namespace clipvex {

struct MemoryStatus {
  std::uint32_t loadPercent = 0;    // share of physical memory in use
  std::uint64_t totalPhysical = 0;  // bytes
  std::uint64_t availPhysical = 0;  // bytes
  std::uint64_t availPageFile = 0;  // bytes of free swap
};

// Asks the operating system; false when it cannot tell (figures stay 0).
bool ReadMemoryStatus(MemoryStatus& status);

}  // namespace clipvex
