// How the window waits for the converter (and for another Clipvex window
// that uses the converter folder): a local event loop that asks several
// times a second, so the window keeps painting; after half a second a busy
// indication with a Cancel button. Meanwhile nothing else of the window
// takes input and the window does not close.
#pragma once

#include <chrono>

#include "document/conversion.h"

class QWidget;

namespace clipvex {

class WindowConversionWait : public ConversionWait {
 public:
  explicit WindowConversionWait(QWidget* window) : window_(window) {}

  WaitOutcome Wait(const std::string& what, std::chrono::milliseconds limit,
                   const std::function<bool()>& done) override;

  // How long a wait runs before the busy indication shows.
  void setBusyDelay(std::chrono::milliseconds delay) { busyDelay_ = delay; }
  // Whether a wait is running now.
  bool waiting() const { return waiting_; }

 private:
  QWidget* window_;
  std::chrono::milliseconds busyDelay_{500};
  bool waiting_ = false;
};

}  // namespace clipvex
