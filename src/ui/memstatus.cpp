#include "ui/memstatus.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/sysinfo.h>

#include <cstdio>
#include <cstring>
#endif

namespace clipvex {

#ifdef _WIN32

bool ReadMemoryStatus(MemoryStatus& status) {
  MEMORYSTATUSEX info{};
  info.dwLength = sizeof(info);
  if (!GlobalMemoryStatusEx(&info)) return false;
  status.loadPercent = info.dwMemoryLoad;
  status.totalPhysical = info.ullTotalPhys;
  status.availPhysical = info.ullAvailPhys;
  status.availPageFile = info.ullAvailPageFile;
  return true;
}

#else

namespace {

// "MemAvailable" of /proc/meminfo in bytes (free memory plus what the
// kernel can reclaim at once), or 0 where the kernel does not say.
std::uint64_t AvailableFromMeminfo() {
  std::FILE* file = std::fopen("/proc/meminfo", "r");
  if (file == nullptr) return 0;
  char line[256];
  std::uint64_t kib = 0;
  while (std::fgets(line, sizeof line, file) != nullptr) {
    unsigned long long value = 0;
    if (std::sscanf(line, "MemAvailable: %llu kB", &value) == 1) {
      kib = value;
      break;
    }
  }
  std::fclose(file);
  return kib * 1024;
}

}  // namespace

bool ReadMemoryStatus(MemoryStatus& status) {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return false;
  const std::uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
  status.totalPhysical = static_cast<std::uint64_t>(info.totalram) * unit;
  std::uint64_t avail = AvailableFromMeminfo();
  if (avail == 0 || avail > status.totalPhysical) {
    avail = (static_cast<std::uint64_t>(info.freeram) + info.bufferram) * unit;
  }
  status.availPhysical = avail;
  status.availPageFile = static_cast<std::uint64_t>(info.freeswap) * unit;
  status.loadPercent =
      status.totalPhysical == 0
          ? 0
          : static_cast<std::uint32_t>((status.totalPhysical - status.availPhysical) * 100 / status.totalPhysical);
  return true;
}

#endif

}  // namespace clipvex
