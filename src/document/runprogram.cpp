#include "document/runprogram.h"

#include <filesystem>
#include <system_error>

#include "document/error.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

extern char** environ;
#endif

namespace clipvex {

namespace {

[[noreturn]] void ThrowStartError(const std::string& program, unsigned long code) {
  throw ProgramStartError(program, code);
}

// The program as the user should look for it: a name with a folder in it
// made absolute; a bare name, found on the search path, as it is.
std::string FullPathOf(const std::string& program) {
  if (program.find_first_of("/\\") == std::string::npos) return program;
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(program, ec);
  return ec ? program : full.lexically_normal().string();
}

std::string ReasonOf(unsigned long code) {
#ifdef _WIN32
  std::string reason = std::system_category().message(static_cast<int>(code));
#else
  std::string reason = std::generic_category().message(static_cast<int>(code));
#endif
  while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == '.')) reason.pop_back();
  return reason;
}

std::string StartErrorText(const std::string& program, unsigned long code, const std::string& advice) {
  std::string text = "Failed to execute program.  Error Code " + std::to_string(code);
  text += "\n" + FullPathOf(program);
  text += "\n" + ReasonOf(code);
  if (!advice.empty()) text += "\n" + advice;
  return text;
}

constexpr std::size_t kMaxCapturedErrors = 64 * 1024;

}  // namespace

ProgramStartError::ProgramStartError(std::string program, unsigned long code, std::string advice)
    : ClipvexError(StartErrorText(program, code, advice)), program_(std::move(program)), code_(code) {}

ProgramStartError ProgramStartError::WithAdvice(std::string_view advice) const {
  return ProgramStartError(program_, code_, std::string(advice));
}

#ifdef _WIN32

namespace {

// Quotes one argument so that the program's runtime splits it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
  return out;
}

std::wstring Widen(const std::string& text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments, std::uint16_t showState,
                         bool wait, bool captureErrors, const std::string& workingDirectory) {
  std::wstring commandLine = QuoteArgument(Widen(program));
  for (const std::string& arg : arguments) commandLine += L" " + QuoteArgument(Widen(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showState;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readErrors = nullptr;
  HANDLE writeErrors = nullptr;
  bool capture = wait && captureErrors && CreatePipe(&readErrors, &writeErrors, &inherit, 0);
  if (capture) {
    SetHandleInformation(readErrors, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = writeErrors;
  }
  PROCESS_INFORMATION info{};
  std::wstring app = Widen(program);
  std::wstring folder = Widen(workingDirectory);
  if (!CreateProcessW(app.c_str(), commandLine.data(), nullptr, nullptr, capture ? TRUE : FALSE, NORMAL_PRIORITY_CLASS,
                      nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    DWORD code = GetLastError();
    if (capture) {
      CloseHandle(readErrors);
      CloseHandle(writeErrors);
    }
    ThrowStartError(program, code);
  }
  CloseHandle(info.hThread);
  ProgramResult result;
  result.processId = static_cast<long>(info.dwProcessId);
  if (capture) {
    CloseHandle(writeErrors);
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(readErrors, buf, sizeof buf, &got, nullptr) && got > 0) {
      if (result.errorOutput.size() < kMaxCapturedErrors) result.errorOutput.append(buf, got);
    }
    CloseHandle(readErrors);
  }
  if (wait && WaitForSingleObject(info.hProcess, INFINITE) == WAIT_OBJECT_0) {
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    result.exitCode = static_cast<int>(code);
  }
  CloseHandle(info.hProcess);
  return result;
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                               std::uint16_t showState, bool captureErrors) {
  std::wstring commandLine = QuoteArgument(Widen(program));
  for (const std::string& arg : arguments) commandLine += L" " + QuoteArgument(Widen(arg));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = showState;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readErrors = nullptr;
  HANDLE writeErrors = nullptr;
  const bool capture = captureErrors && CreatePipe(&readErrors, &writeErrors, &inherit, 0);
  if (capture) {
    SetHandleInformation(readErrors, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = writeErrors;
  }
  PROCESS_INFORMATION info{};
  std::wstring app = Widen(program);
  const BOOL started = CreateProcessW(app.c_str(), commandLine.data(), nullptr, nullptr, capture ? TRUE : FALSE,
                                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &info);
  const DWORD code = GetLastError();
  if (capture) CloseHandle(writeErrors);
  if (!started) {
    if (capture) CloseHandle(readErrors);
    ThrowStartError(program, code);
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  errors_ = capture ? readErrors : nullptr;
}

void RunningProgram::ReadErrors() {
  if (errors_ == nullptr) return;
  char buf[4096];
  DWORD ready = 0;
  while (PeekNamedPipe(static_cast<HANDLE>(errors_), nullptr, 0, nullptr, &ready, nullptr) && ready > 0) {
    DWORD got = 0;
    const DWORD want = ready < sizeof buf ? ready : static_cast<DWORD>(sizeof buf);
    if (!ReadFile(static_cast<HANDLE>(errors_), buf, want, &got, nullptr) || got == 0) break;
    if (errorOutput_.size() < kMaxCapturedErrors) errorOutput_.append(buf, got);
  }
}

bool RunningProgram::Finished() {
  if (finished_) return true;
  ReadErrors();
  if (WaitForSingleObject(static_cast<HANDLE>(process_), 0) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(static_cast<HANDLE>(process_), &code);
  exitCode_ = static_cast<int>(code);
  finished_ = true;
  ReadErrors();
  Close();
  return true;
}

void RunningProgram::Kill() {
  if (finished_) return;
  TerminateProcess(static_cast<HANDLE>(process_), 1);
  WaitForSingleObject(static_cast<HANDLE>(process_), INFINITE);
  finished_ = true;
  exitCode_ = 1;
  Close();
}

void RunningProgram::Close() {
  if (errors_ != nullptr) CloseHandle(static_cast<HANDLE>(errors_));
  if (process_ != nullptr) CloseHandle(static_cast<HANDLE>(process_));
  errors_ = nullptr;
  process_ = nullptr;
}

#else

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         std::uint16_t /*showState: windows of X11 programs open as they choose*/, bool wait,
                         bool captureErrors, const std::string& workingDirectory) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : arguments) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  bool capture = wait && captureErrors && ::pipe2(pipeFds, O_CLOEXEC) == 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (capture) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());

  pid_t pid = 0;
  bool searchPath = program.find('/') == std::string::npos;
  int rc = searchPath ? ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                      : ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (capture) ::close(pipeFds[1]);
  if (rc != 0) {
    if (capture) ::close(pipeFds[0]);
    ThrowStartError(program, static_cast<unsigned long>(rc));
  }

  ProgramResult result;
  result.processId = static_cast<long>(pid);
  if (capture) {
    char buf[4096];
    for (;;) {
      ssize_t got = ::read(pipeFds[0], buf, sizeof buf);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      if (result.errorOutput.size() < kMaxCapturedErrors) result.errorOutput.append(buf, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
  }
  if (!wait) return result;  // the child is reaped by whoever waits for it later
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return result;
  }
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.exitCode = 128 + WTERMSIG(status);
  return result;
}

namespace {

int ExitCodeOf(int status) {
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                               std::uint16_t /*showState*/, bool captureErrors) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& arg : arguments) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int pipeFds[2] = {-1, -1};
  const bool capture = captureErrors && ::pipe2(pipeFds, O_CLOEXEC) == 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (capture) posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
  // A group of its own: Kill() ends whatever the program started too.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  posix_spawnattr_setpgroup(&attributes, 0);

  pid_t pid = 0;
  const bool searchPath = program.find('/') == std::string::npos;
  const int rc = searchPath ? ::posix_spawnp(&pid, program.c_str(), &actions, &attributes, argv.data(), environ)
                            : ::posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (capture) ::close(pipeFds[1]);
  if (rc != 0) {
    if (capture) ::close(pipeFds[0]);
    ThrowStartError(program, static_cast<unsigned long>(rc));
  }
  pid_ = pid;
  if (capture) {
    errors_ = pipeFds[0];
    ::fcntl(errors_, F_SETFL, ::fcntl(errors_, F_GETFL) | O_NONBLOCK);
  }
}

void RunningProgram::ReadErrors() {
  if (errors_ < 0) return;
  char buf[4096];
  for (;;) {
    const ssize_t got = ::read(errors_, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // nothing more for now, or the end
    if (errorOutput_.size() < kMaxCapturedErrors) errorOutput_.append(buf, static_cast<std::size_t>(got));
  }
}

bool RunningProgram::Finished() {
  if (finished_) return true;
  ReadErrors();
  int status = 0;
  const pid_t ended = ::waitpid(pid_, &status, WNOHANG);
  if (ended == 0 || (ended < 0 && errno == EINTR)) return false;
  exitCode_ = ended == pid_ ? ExitCodeOf(status) : -1;
  finished_ = true;
  ReadErrors();  // what it wrote just before it ended
  Close();
  return true;
}

void RunningProgram::Kill() {
  if (finished_) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  pid_t ended = 0;
  while ((ended = ::waitpid(pid_, &status, 0)) < 0 && errno == EINTR) {
  }
  exitCode_ = ended == pid_ ? ExitCodeOf(status) : 128 + SIGKILL;
  finished_ = true;
  Close();
}

void RunningProgram::Close() {
  if (errors_ >= 0) ::close(errors_);
  errors_ = -1;
}

#endif

RunningProgram::~RunningProgram() {
  Kill();
  Close();
}

}  // namespace clipvex
