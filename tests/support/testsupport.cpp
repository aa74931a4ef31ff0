#include "support/testsupport.h"

#include <sys/stat.h>
#include <unistd.h>

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
