// A one-line progress bar for long renders, drawn on a terminal only.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace ondulaxis::tool {

class ProgressMeter {
public:
    // Draws on `stream` only when `enabled` and the stream is a terminal.
    ProgressMeter(std::FILE* stream, bool enabled, int64_t totalFrames, double sampleRate);
    // [render loop] cheap to call every block; redraws a few times a second
    void update(int64_t framesDone);
    // Clears the bar so that the next line starts clean.
    void finish();

private:
    using Clock = std::chrono::steady_clock;

    std::FILE* stream_;
    bool enabled_;
    int64_t totalFrames_;
    double sampleRate_;
    Clock::time_point start_;
    Clock::time_point lastDraw_;
    bool drawn_ = false;
};

}  // namespace ondulaxis::tool
