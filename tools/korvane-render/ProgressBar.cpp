#include "tools/korvane-render/ProgressBar.h"

#include <unistd.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kWidth = 40;
constexpr auto kDelay = std::chrono::seconds(1);
constexpr auto kInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressBar::ProgressBar(bool enabled)
    : mEnabled(enabled && isatty(STDERR_FILENO)), mStart(Clock::now()), mLastDraw(mStart) {}

void ProgressBar::Update(long long done, long long total) {
  if (!mEnabled || total <= 0) return;
  const Clock::time_point now = Clock::now();
  if (now - mStart < kDelay || (mShown && now - mLastDraw < kInterval)) return;
  mLastDraw = now;
  mShown = true;
  const double fraction = done >= total ? 1.0 : static_cast<double>(done) / total;
  const int filled = static_cast<int>(fraction * kWidth);
  const std::string bar = std::string(filled, '#') + std::string(kWidth - filled, ' ');
  std::fprintf(stderr, "\r[%s] %3d%%", bar.c_str(), static_cast<int>(fraction * 100.0));
  std::fflush(stderr);
}

void ProgressBar::Finish() {
  if (!mShown) return;
  mShown = false;
  std::fprintf(stderr, "\r%*s\r", kWidth + 8, "");
  std::fflush(stderr);
}
