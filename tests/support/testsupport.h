// Fakes and helpers shared by the tests.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "document/error.h"
#include "document/notifier.h"

namespace clipvex {
class RunningProgram;
}

namespace clipvex::test {

// Records what would have been shown in an "Error" message box.
class RecordingNotifier : public Notifier {
 public:
  void ShowError(std::string_view text) override { errors.emplace_back(text); }
  std::vector<std::string> errors;
};

class RecordingFeedback : public Feedback {
 public:
  void Status(std::string_view word) override { words.emplace_back(word); }
  std::vector<std::string> words;
};

// A private temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }  // ends with '/'
  std::string File(std::string_view name) const { return path_ + std::string(name); }
  // Lets every user look into the folder (it is made private), as a test
  // that acts as another user (UnprivilegedUser) needs.
  void OpenToAll() const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
// Writes an executable shell script: "#!/bin/sh", then the lines of `body`.
void WriteScript(const std::string& path, std::string_view body);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

// The message of the error (a ClipvexError unless told) that `call` raises,
// or "no error".
template <typename Error = ClipvexError, typename Call>
std::string ErrorOf(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.what();
  }
  return "no error";
}

// Another process (as another Clipvex window would) holding the lock file
// `lockPath` from construction, when it holds it, until Release() or the
// object goes.
class LockHolder {
 public:
  explicit LockHolder(const std::string& lockPath);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  void Release();

 private:
  std::unique_ptr<RunningProgram> holder_;
};

// While it lives, the permission bits of files bind this process: when the
// tests run as root (who may write anywhere), it acts as the user "nobody"
// (its effective user and group, which the programs it starts inherit);
// otherwise nothing changes. The folders it works in must be open to
// others (TempDir::OpenToAll); a folder of mode 0555 is then read-only.
// A shell started meanwhile takes its real user back (root): what must meet
// the permission error is started as a program, not as a script.
class UnprivilegedUser {
 public:
  UnprivilegedUser();
  ~UnprivilegedUser();
  UnprivilegedUser(const UnprivilegedUser&) = delete;
  UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

 private:
  bool switched_ = false;
};

// Makes `folder` read-only for everyone (mode 0555), or writable again.
void MakeReadOnly(const std::string& folder, bool readOnly = true);

// While it lives, the C library formats and reads numbers (LC_NUMERIC) in a
// locale whose decimal separator is a comma, when one is installed
// (scripts/install-deps.sh generates de_DE.UTF-8); a test asserts Active().
class CommaDecimalLocale {
 public:
  CommaDecimalLocale();
  ~CommaDecimalLocale();
  CommaDecimalLocale(const CommaDecimalLocale&) = delete;
  CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

  bool Active() const { return active_; }
  static constexpr const char* kMissing =
      "no locale with a decimal comma could be switched to (scripts/install-deps.sh generates de_DE.UTF-8)";

 private:
  std::string previous_;
  bool active_ = false;
};

// Joins lines with the given line end after each.
std::string JoinLines(const std::vector<std::string>& lines, std::string_view eol = "\n");
// The lines of a text, each without its "\n" or "\r\n".
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace clipvex::test
