// Interfaces through which the document logic talks to whoever shows things.
#pragma once

#include <string_view>

namespace clipvex {

// Problems that leave usable data behind ("Error parsing input file"):
// the editor shows a message box captioned "Error", tests record them.
class Notifier {
 public:
  virtual ~Notifier() = default;
  virtual void ShowError(std::string_view text) = 0;
};

// Progress of long commands: the status word in the first status-bar panel.
class Feedback {
 public:
  virtual ~Feedback() = default;
  virtual void Status(std::string_view word) = 0;
};

}  // namespace clipvex
