#include "ProgressMeter.h"

#include <algorithm>
#include <string>
#include <unistd.h>

namespace ondulaxis::tool {

namespace {

constexpr int kBarWidth = 30;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

ProgressMeter::ProgressMeter(std::FILE* stream, bool enabled, int64_t totalFrames, double sampleRate)
    : stream_(stream),
      enabled_(enabled && stream != nullptr && isatty(fileno(stream)) != 0),
      totalFrames_(totalFrames),
      sampleRate_(sampleRate),
      start_(Clock::now()),
      lastDraw_(start_) {}

void ProgressMeter::update(int64_t framesDone) {
    if (!enabled_ || totalFrames_ <= 0) return;
    const Clock::time_point now = Clock::now();
    if (now - lastDraw_ < kRedrawInterval) return;
    lastDraw_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double fraction = std::clamp(static_cast<double>(framesDone) / static_cast<double>(totalFrames_), 0.0, 1.0);
    const double speed = elapsed > 0.0 ? static_cast<double>(framesDone) / sampleRate_ / elapsed : 0.0;
    const double left = fraction > 0.0 ? elapsed * (1.0 - fraction) / fraction : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    const std::string bar = std::string(static_cast<std::size_t>(filled), '#') +
                            std::string(static_cast<std::size_t>(kBarWidth - filled), '-');
    std::fprintf(stream_, "\r[%s] %3d%%  %6.1fx real time  %d:%02d left ", bar.c_str(),
                 static_cast<int>(fraction * 100.0), speed, static_cast<int>(left) / 60,
                 static_cast<int>(left) % 60);
    std::fflush(stream_);
    drawn_ = true;
}

void ProgressMeter::finish() {
    if (!drawn_) return;
    std::fprintf(stream_, "\r%*s\r", kBarWidth + 40, "");
    std::fflush(stream_);
    drawn_ = false;
}

}  // namespace ondulaxis::tool
