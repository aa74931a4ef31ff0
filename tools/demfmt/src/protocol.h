// The protocol state that both directions track, and the client data names
// of the dump text. The protocol's numbers are public (demfmt/protocol.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "demfmt/protocol.h"

namespace demfmt {

enum class CoordKind { Short8, Bits24, Int16th, Float };
enum class AngleKind { Byte, Short, Float };

struct Proto {
  std::int32_t protocol = 15;
  std::uint32_t flags = 0;

  bool operator==(const Proto&) const = default;
  bool fitz() const { return protocol == 666 || protocol == 999; }
  CoordKind coord() const {
    if (protocol != 999) return CoordKind::Short8;
    if (flags & PRFL_FLOATCOORD) return CoordKind::Float;
    if (flags & PRFL_INT32COORD) return CoordKind::Int16th;
    if (flags & PRFL_24BITCOORD) return CoordKind::Bits24;
    return CoordKind::Short8;
  }
  AngleKind angle() const {
    if (protocol != 999) return AngleKind::Byte;
    if (flags & PRFL_FLOATANGLE) return AngleKind::Float;
    if (flags & PRFL_SHORTANGLE) return AngleKind::Short;
    return AngleKind::Byte;
  }
  // serverinfo: 999 keeps its flags, anything else has none.
  void set_server(std::int32_t p, std::uint32_t f) {
    protocol = p;
    flags = p == 999 ? f : 0;
  }
  // svc_version (QuakeSpasm): sets the protocol when it is a known one.
  void set_version(std::int32_t p) {
    if (p == 15 || p == 666 || p == 999) protocol = p;
  }
};

// The optional high bytes after the active weapon, in stream order.
inline constexpr int kClientExtCount = 9;
inline constexpr int kClientExtBit[kClientExtCount] = {16, 17, 18, 19, 20, 21, 22, 24, 25};
inline constexpr std::string_view kClientExtName[kClientExtCount] = {
    "weapon2", "armor2", "ammo2", "shells2", "nails2", "rockets2", "cells2", "weaponframe2", "weaponalpha"};
inline constexpr std::string_view kClientStatName[7] = {"health",  "ammo",  "shells", "nails",
                                                        "rockets", "cells", "active"};

}  // namespace demfmt
