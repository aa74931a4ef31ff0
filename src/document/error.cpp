#include "document/error.h"

#include <cerrno>

namespace clipvex {

void ThrowInvalidFloat(std::string_view text) {
  throw ClipvexError("'" + std::string(text) + "' is not a valid floating point value");
}

void ThrowInvalidInteger(std::string_view text) {
  throw ClipvexError("'" + std::string(text) + "' is not a valid integer value");
}

void ThrowListIndex() { throw ClipvexError(kListIndexError); }

std::string FileErrorText(int errorNumber) {
  switch (errorNumber) {
    case ENOENT:
    case ENOTDIR:
      return "File not found";
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return "File access denied";
    case EMFILE:
    case ENFILE:
      return "Too many open files";
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
      return "Invalid filename";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
      return "Disk full";
    default:
      return "I/O error " + std::to_string(errorNumber);
  }
}

void ThrowFileError(int errorNumber) { throw ClipvexError(FileErrorText(errorNumber)); }

}  // namespace clipvex
