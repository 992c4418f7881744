#pragma once

#include <chrono>

/// A one-line progress bar on standard error. It appears only when standard error is a
/// terminal and the render has already taken a second, and is redrawn at most ten times a
/// second; Finish erases it.
class ProgressBar {
 public:
  explicit ProgressBar(bool enabled);
  ~ProgressBar() { Finish(); }
  ProgressBar(const ProgressBar&) = delete;
  ProgressBar& operator=(const ProgressBar&) = delete;

  /// done of total frames.
  void Update(long long done, long long total);
  void Finish();

 private:
  using Clock = std::chrono::steady_clock;
  bool mEnabled;
  bool mShown = false;
  Clock::time_point mStart;
  Clock::time_point mLastDraw;
};
