#include "document/conversion.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "document/dumptext.h"
#include "document/error.h"
#include "document/retime.h"
#include "document/runprogram.h"

namespace clipvex {

namespace {

// Removes a file when it goes out of scope.
class RemoveOnExit {
 public:
  explicit RemoveOnExit(std::string path) : path_(std::move(path)) {}
  ~RemoveOnExit() {
    if (!path_.empty()) std::remove(path_.c_str());
  }
  void Keep() { path_.clear(); }
  RemoveOnExit(const RemoveOnExit&) = delete;
  RemoveOnExit& operator=(const RemoveOnExit&) = delete;

 private:
  std::string path_;
};

// A name beside `target` for the file that will replace it.
std::string TemporaryBeside(const std::string& target) { return target + ".clipvex-tmp"; }

void ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
  if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) ThrowFileError(EACCES);
#else
  if (std::rename(from.c_str(), to.c_str()) != 0) ThrowFileError(errno);
#endif
}

std::string Trimmed(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
  return text;
}

// Runs the converter and raises its message when it reports a failure.
void Convert(const Settings& settings, const std::string& mode, const std::string& from, const std::string& to) {
  ProgramResult result;
  try {
    result = RunProgram(ConverterPath(settings), {mode, "-f", from, to}, kShowMinimized, /*wait=*/true,
                        /*captureErrors=*/true);
  } catch (const ProgramStartError& e) {
    throw e.WithAdvice(kConverterAdvice);
  }
  if (result.exitCode != 0) {
    std::string message = Trimmed(result.errorOutput);
    if (message.empty()) message = "no message";
    throw ClipvexError("The conversion of '" + from + "' failed (exit code " + std::to_string(result.exitCode) +
                       "):\n" + message);
  }
}

// Only an existing regular file is handed to the converter: a folder, a
// device or a pipe could make it read without end, and their messages
// would not say what is wrong with the choice.
void RequireRegularFile(const std::string& path) {
  std::error_code error;
  const std::filesystem::file_status status = std::filesystem::status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) throw ClipvexError("'" + path + "' does not exist");
  if (status.type() == std::filesystem::file_type::directory)
    throw ClipvexError("'" + path + "' is a folder, not a demo file");
  if (!error && status.type() != std::filesystem::file_type::regular)
    throw ClipvexError("'" + path + "' is not a regular file");
  // Anything else (a folder on the way that cannot be searched) is left to
  // the converter, which names the system's reason.
}

}  // namespace

std::string ConverterPath(const Settings& settings) { return settings.lmpcpath + kConverterName; }

std::string TempDumpPath(const Settings& settings) { return settings.lmpcpath + kTempDumpName; }

std::string SaveExtension(const std::string& path) {
  std::size_t dot = path.rfind('.');
  std::size_t folder = path.find_last_of("\\:/");
  if (dot == std::string::npos || (folder != std::string::npos && dot < folder)) return "";
  std::string ext = path.substr(dot);
  for (char& c : ext) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return ext;
}

void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier) {
  const std::string dump = TempDumpPath(settings);
  try {
    RequireRegularFile(path);
    // A dump left by an earlier run must never be taken for this demo's.
    std::remove(dump.c_str());
    RemoveOnExit cleanup(dump);
    Convert(settings, "-s", path, dump);
    ParseDump(dump, path, demo, notifier);
    RetimeDemo(demo);
  } catch (...) {
    demo.Blocks.clear();
    demo.Header.clear();
    throw;
  }
}

void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings) {
  const std::string temporary = TemporaryBeside(target);
  RemoveOnExit cleanup(temporary);
  if (SaveExtension(target) == ".DEM") {
    const std::string dump = TempDumpPath(settings);
    WriteDump(demo, dump);
    Convert(settings, "-l", dump, temporary);
  } else {
    WriteDump(demo, temporary);
  }
  ReplaceFile(temporary, target);
  cleanup.Keep();
}

}  // namespace clipvex
