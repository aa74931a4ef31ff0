// A private X server for one test: Xvfb on a display number it picks itself,
// made the DISPLAY of the test and of the programs it starts. Windows of
// tests running at the same time never meet.
#pragma once

#include <optional>
#include <string>

namespace clipvex::test {

class PrivateXServer {
 public:
  PrivateXServer();  // starts Xvfb and waits (up to 20 s) until it answers
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  bool Running() const { return !name_.empty(); }
  const std::string& Name() const { return name_; }  // ":N"
  const std::string& Problem() const { return problem_; }

 private:
  long pid_ = 0;
  std::string name_;
  std::string problem_;
  std::optional<std::string> previousDisplay_;
};

}  // namespace clipvex::test
