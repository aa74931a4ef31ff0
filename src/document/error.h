// The one exception type of Clipvex and the standard failure texts.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace clipvex {

// A failing operation throws this with the exact text the user is shown.
class ClipvexError : public std::runtime_error {
 public:
  explicit ClipvexError(const std::string& message) : std::runtime_error(message) {}
};

// An operation the user cancelled while it waited: it ends where it stood,
// and the window shows no message for it.
class CancelledError : public ClipvexError {
 public:
  CancelledError() : ClipvexError("Cancelled") {}
};

inline constexpr const char* kListIndexError = "List index out of bounds";

[[noreturn]] void ThrowInvalidFloat(std::string_view text);
[[noreturn]] void ThrowInvalidInteger(std::string_view text);
[[noreturn]] void ThrowListIndex();

// Maps a system error number to the runtime's file error text
// ("File not found", "File access denied", "Disk full", "I/O error %d", ...).
std::string FileErrorText(int errorNumber);
[[noreturn]] void ThrowFileError(int errorNumber);

}  // namespace clipvex
