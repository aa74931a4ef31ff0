// The QuakeSpasm engine for a test or a benchmark, with nothing written
// outside its own folder. The engine keeps its files in the home folder of
// the password database: run as root, it is started (through setpriv, named
// in a "QuakeSpasm" profile of the caller's own that takes the built-in
// one's place) as a user without an entry there, so it falls back to a HOME
// in `scratch`. Run as anyone else it uses that user's own folder, and every
// file touched there is put back when this goes.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace clipvex::test {

class QuakeSpasmHome {
 public:
  // Writes the profile into the user profile folder (make it private first:
  // XDG_CONFIG_HOME) with `settle` milliseconds to come up and the values of
  // `changes` ("key = value" each) put in. `scratch` is a private folder of
  // the caller's, ending with '/'.
  QuakeSpasmHome(const std::string& scratch, int settle, const std::vector<std::string>& changes = {});
  ~QuakeSpasmHome();
  QuakeSpasmHome(const QuakeSpasmHome&) = delete;
  QuakeSpasmHome& operator=(const QuakeSpasmHome&) = delete;

  bool Available() const { return !engine_.empty(); }
  const std::string& Problem() const { return problem_; }
  // The free game data (the game folder) and the engine's folder of its
  // subdirectory id1, where the demo, the screenshots and the thumbnails go.
  static std::string GameData();
  const std::string& Folder() const { return folder_; }

 private:
  void Keep(const std::string& name, const std::optional<std::string>& text);

  std::string engine_;
  std::string problem_;
  std::string folder_;
  std::map<std::string, std::optional<std::string>> kept_;
  std::set<std::string> before_;  // the files of the engine's folder at the start
};

}  // namespace clipvex::test
