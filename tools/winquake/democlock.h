// When the next block of a demo is due. The clock runs in demo seconds
// (real time times the timescale). A block without a time is due at once; a
// timed block is due when the clock has reached its time. A jump forward of
// more than kJump (blocks left out of a demo, a recording that skips) costs
// only kJumpWait of waiting, and a jump backward (a new level) none: the
// clock then takes the block's time. When playing falls behind (one block
// per frame), the clock is held at most kMaxLag ahead of the last block, so
// a slow stretch is not followed by a burst.
#pragma once

namespace winquake {

class DemoClock {
 public:
  static constexpr double kJump = 0.2;
  static constexpr double kJumpWait = 0.1;
  static constexpr double kMaxLag = 0.1;

  void Reset() { *this = DemoClock(); }
  void Advance(double demoSeconds) {
    if (demoSeconds > 0) clock_ += demoSeconds;
  }
  bool Due(bool hasTime, double time) const {
    if (!hasTime || !started_ || time <= last_) return true;
    if (time - last_ > kJump) return clock_ >= last_ + kJumpWait;
    return clock_ >= time;
  }
  // The clock reading at which a block becomes due.
  double DueAt(bool hasTime, double time) const {
    if (!hasTime || !started_ || time <= last_) return clock_;
    if (time - last_ > kJump) return last_ + kJumpWait;
    return time;
  }
  // Call after a block was played.
  void Played(bool hasTime, double time) {
    if (!hasTime) return;
    if (!started_ || time < last_ || time - last_ > kJump) clock_ = time;
    else if (clock_ > time + kMaxLag) clock_ = time + kMaxLag;
    started_ = true;
    last_ = time;
  }
  // Timed demos: the clock simply follows the blocks.
  void Follow(bool hasTime, double time) {
    if (!hasTime) return;
    clock_ = time;
    started_ = true;
    last_ = time;
  }
  double Now() const { return clock_; }
  bool Started() const { return started_; }

 private:
  double clock_ = 0;
  double last_ = 0;
  bool started_ = false;
};

}  // namespace winquake
