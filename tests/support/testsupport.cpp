#include "support/testsupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "document/runprogram.h"

namespace clipvex::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "clipvex-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteScript(const std::string& path, std::string_view body) {
  WriteFile(path, "#!/bin/sh\n" + std::string(body) + "\n");
  if (::chmod(path.c_str(), 0755) != 0) throw std::runtime_error("cannot make " + path + " executable");
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

LockHolder::LockHolder(const std::string& lockPath) {
  const std::string ready = lockPath + ".held";
  std::filesystem::remove(ready);
  holder_ = std::make_unique<RunningProgram>(
      "flock", std::vector<std::string>{"-o", lockPath, "sh", "-c", "touch \"$0\"; exec sleep 120", ready}, kShowMinimized);
  for (int i = 0; i < 1000 && !FileExists(ready); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::filesystem::remove(ready);
}

LockHolder::~LockHolder() { Release(); }

void LockHolder::Release() { holder_.reset(); }  // ends the holder and what it started

void TempDir::OpenToAll() const {
  if (::chmod(path_.c_str(), 0755) != 0) throw std::runtime_error("cannot open " + path_ + " to all");
}

UnprivilegedUser::UnprivilegedUser() {
  if (::geteuid() != 0) return;
  constexpr gid_t kNobody = 65534;
  if (::setegid(kNobody) != 0 || ::seteuid(kNobody) != 0) throw std::runtime_error("cannot act as the user nobody");
  switched_ = true;
}

UnprivilegedUser::~UnprivilegedUser() {
  if (!switched_) return;
  if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();  // the rest of the tests would run as nobody
}

void MakeReadOnly(const std::string& folder, bool readOnly) {
  if (::chmod(folder.c_str(), readOnly ? 0555 : 0755) != 0) throw std::runtime_error("cannot chmod " + folder);
}

CommaDecimalLocale::CommaDecimalLocale() {
  const char* current = std::setlocale(LC_NUMERIC, nullptr);
  previous_ = current != nullptr ? current : "C";
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "it_IT.UTF-8", "es_ES.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, name) != nullptr && std::string(std::localeconv()->decimal_point) == ",") {
      active_ = true;
      return;
    }
  }
  std::setlocale(LC_NUMERIC, previous_.c_str());
}

CommaDecimalLocale::~CommaDecimalLocale() { std::setlocale(LC_NUMERIC, previous_.c_str()); }

std::string JoinLines(const std::vector<std::string>& lines, std::string_view eol) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += eol;
  }
  return out;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t nl = text.find('\n', at);
    if (nl == std::string::npos) nl = text.size();
    std::string line = text.substr(at, nl - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    at = nl + 1;
  }
  return lines;
}

}  // namespace clipvex::test
