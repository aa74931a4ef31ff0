#include "document/conversion.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

#include "document/dumptext.h"
#include "document/error.h"
#include "document/filelock.h"
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

std::uintmax_t SizeOf(const std::string& path) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  return error ? 0 : size;
}

// What one conversion tells the user while it waits and when it is given up.
struct ConversionTexts {
  std::string doing;        // "Opening '...'"
  std::string consequence;  // what was left as it was
};

// Runs the converter through `wait`: a cancel stops it and raises
// CancelledError, the time limit stops it and says so.
ProgramResult RunWaited(const std::string& converter, const std::vector<std::string>& arguments, ConversionWait& wait,
                        const ConversionTexts& texts, std::uintmax_t bytes) {
  RunningProgram program(converter, arguments, kShowMinimized, /*captureErrors=*/true);
  const std::chrono::milliseconds limit = ConverterTimeLimit(bytes);
  const std::string what = texts.doing + ".\nThe converter " + converter + " is still working.";
  switch (wait.Wait(what, limit, [&program] { return program.Finished(); })) {
    case WaitOutcome::Done:
      break;
    case WaitOutcome::Cancelled:
      program.Kill();
      throw CancelledError();
    case WaitOutcome::TimedOut:
      program.Kill();
      throw ClipvexError(texts.doing + ": the converter " + converter + " did not finish within " +
                         std::to_string(limit.count() / 1000) + " seconds and was stopped.\n" + texts.consequence);
  }
  return ProgramResult{program.ExitCode(), program.ErrorOutput(), 0};
}

// Runs the converter and raises its message when it reports a failure.
void Convert(const Settings& settings, const std::string& mode, const std::string& from, const std::string& to,
             ConversionWait* wait, const ConversionTexts& texts) {
  const std::string converter = ConverterPath(settings);
  const std::vector<std::string> arguments = {mode, "-f", from, to};
  ProgramResult result;
  try {
    result = wait == nullptr ? RunProgram(converter, arguments, kShowMinimized, /*wait=*/true, /*captureErrors=*/true)
                             : RunWaited(converter, arguments, *wait, texts, SizeOf(from));
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

// The converter folder's lock on "tempfilm.out", held for as long as the
// returned object lives. Another window holding it is waited for.
FileLock LockTempDump(const Settings& settings, ConversionWait* wait) {
  FileLock lock(LockFileFor(TempDumpPath(settings)));
  if (wait == nullptr) {
    lock.Lock();
  } else if (lock.TryLock() == LockState::Busy) {
    const std::string what = "Another Clipvex window is using the converter folder " + settings.lmpcpath + " (" +
                             kTempDumpName + ").\nThis window waits until it has finished.";
    if (wait->Wait(what, {}, [&lock] { return lock.TryLock() != LockState::Busy; }) != WaitOutcome::Done) {
      throw CancelledError();
    }
  }
  return lock;
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

std::chrono::milliseconds ConverterTimeLimit(std::uintmax_t bytes) {
  constexpr std::uintmax_t kMiB = 1024 * 1024;
  const std::uintmax_t mebibytes = (bytes + kMiB - 1) / kMiB;
  return std::chrono::seconds(30) + std::chrono::seconds(2) * static_cast<std::int64_t>(mebibytes);
}

namespace {

void Load(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier, ConversionWait* wait) {
  const std::string dump = TempDumpPath(settings);
  try {
    RequireRegularFile(path);
    const FileLock lock = LockTempDump(settings, wait);
    // A dump left by an earlier run must never be taken for this demo's.
    std::remove(dump.c_str());
    RemoveOnExit cleanup(dump);
    Convert(settings, "-s", path, dump, wait, {"Opening '" + path + "'", "The demo was not opened."});
    ParseDump(dump, path, demo, notifier);
    RetimeDemo(demo);
  } catch (...) {
    demo.Blocks.clear();
    demo.Header.clear();
    throw;
  }
}

void Save(const TDemFile& demo, const std::string& target, const Settings& settings, ConversionWait* wait) {
  const std::string temporary = TemporaryBeside(target);
  RemoveOnExit cleanup(temporary);
  if (SaveExtension(target) == ".DEM") {
    const FileLock lock = LockTempDump(settings, wait);
    const std::string dump = TempDumpPath(settings);
    WriteDump(demo, dump);
    Convert(settings, "-l", dump, temporary, wait, {"Saving '" + target + "'", "'" + target + "' was left as it was."});
  } else {
    WriteDump(demo, temporary);
  }
  ReplaceFile(temporary, target);
  cleanup.Keep();
}

}  // namespace

void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier) {
  Load(path, demo, settings, notifier, nullptr);
}

void LoadDemo(const std::string& path, TDemFile& demo, const Settings& settings, Notifier& notifier,
              ConversionWait& wait) {
  Load(path, demo, settings, notifier, &wait);
}

void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings) {
  Save(demo, target, settings, nullptr);
}

void SaveDemo(const TDemFile& demo, const std::string& target, const Settings& settings, ConversionWait& wait) {
  Save(demo, target, settings, &wait);
}

}  // namespace clipvex
