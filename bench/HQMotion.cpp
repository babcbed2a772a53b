// What a moving mix does to an Ondulaxis HQ library, measured on a 997 Hz
// tone at -6 dBFS, 48 kHz, blocks of 512, the host's values taken per block:
// factor changes (at 100 % and at 0 %), a DryWet ramp sent once per 1024
// frames and a DryWet jump. For each: the largest step between samples
// (against the tone's own at the settings before and after), the longest run
// below -40 dBFS, and the output's shift in time after the change against a
// steady render of the settings before (a time jump shows as a shift; the
// tone is no whole number of samples long, so no jump hides).
//   hq_motion LIBRARY [LIBRARY...]   one table per library
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>
#include <vector>

#include "PluginInstance.h"
#include "PluginLibrary.h"

namespace {

using namespace ondulaxis::host;

constexpr int32_t block = 512;
constexpr int32_t frames = 48 * 1024;
constexpr int32_t changeAt = 24 * 1024;
constexpr int32_t oversample = 8;
constexpr int32_t dryWet = 9;

struct Event {
    int32_t at;
    int32_t index;
    float value;
};

std::vector<float> render(const std::shared_ptr<const PluginLibrary>& library, const std::vector<Event>& events) {
    PluginInstance instance(library);
    instance.open();
    instance.setSampleRate(48000.0f);
    instance.setBlockSize(block);
    for (const Event& e : events) {
        if (e.at < 0) instance.setParameter(e.index, e.value);
    }
    instance.mainsChanged(true);
    std::vector<float> in(frames), out(frames), right(frames);
    for (int32_t i = 0; i < frames; ++i) {
        in[i] = static_cast<float>(0.5 * std::sin(2.0 * std::numbers::pi * 997.0 * i / 48000.0));
    }
    std::vector<float> inRight = in;
    for (int32_t start = 0; start < frames; start += block) {
        for (const Event& e : events) {
            if (e.at >= start && e.at < start + block) instance.setParameter(e.index, e.value);
        }
        float* inputs[2] = {in.data() + start, inRight.data() + start};
        float* outputs[2] = {out.data() + start, right.data() + start};
        instance.processReplacing(inputs, outputs, block);
    }
    return out;
}

double largestStep(const std::vector<float>& y, int32_t from, int32_t to) {
    double largest = 0.0;
    for (int32_t i = from + 1; i < to; ++i) largest = std::max(largest, std::fabs(double(y[i]) - y[i - 1]));
    return largest;
}

int32_t longestQuiet(const std::vector<float>& y, int32_t from, int32_t to) {
    int32_t longest = 0, run = 0;
    for (int32_t i = from; i < to; ++i) {
        run = std::fabs(y[i]) < 0.01f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return longest;
}

// The shift of `y` against `reference` over [from, to) that matches best.
int32_t shiftOf(const std::vector<float>& y, const std::vector<float>& reference, int32_t from, int32_t to) {
    int32_t best = 0;
    double bestError = 1e300;
    for (int32_t lag = -64; lag <= 64; ++lag) {
        double error = 0.0;
        for (int32_t i = from; i < to; ++i) error += std::pow(double(y[i]) - reference[i - lag], 2);
        if (error < bestError) bestError = error, best = lag;
    }
    return best;
}

struct Case {
    const char* name;
    std::vector<Event> before;  // held from the start
    std::vector<Event> moves;
    std::vector<Event> after;   // the settings the moves end at
};

}  // namespace

int main(int argc, char** argv) {
    const float factors[] = {0.0f, 0.25f, 0.5f, 0.75f, 1.0f};
    const char* names[] = {"1x", "2x", "4x", "8x", "16x"};
    std::vector<Case> cases;
    static char labels[16][48];
    int label = 0;
    for (auto [from, to] : {std::pair{2, 1}, {1, 4}, {4, 0}, {0, 2}}) {
        for (float wet : {1.0f, 0.0f}) {
            std::snprintf(labels[label], sizeof labels[label], "Oversample %s to %s, DryWet %d %%", names[from],
                          names[to], static_cast<int>(wet * 100));
            cases.push_back({labels[label++], {{-1, oversample, factors[from]}, {-1, dryWet, wet}},
                             {{changeAt, oversample, factors[to]}},
                             {{-1, oversample, factors[to]}, {-1, dryWet, wet}}});
        }
    }
    Case ramp{"DryWet ramp 100 to 0 %, a value per 1024", {}, {}, {{-1, dryWet, 0.0f}}};
    for (int k = 1; k <= 24; ++k) ramp.moves.push_back({changeAt + (k - 12) * 1024, dryWet, 1.0f - k / 24.0f});
    cases.push_back(ramp);
    cases.push_back({"DryWet jump 100 to 0 %", {}, {{changeAt, dryWet, 0.0f}}, {{-1, dryWet, 0.0f}}});

    for (int a = 1; a < argc; ++a) {
        auto library = std::make_shared<const PluginLibrary>(argv[a]);
        std::printf("%s\n| change | largest step | tone's own | longest run below -40 dBFS | shift in time |\n"
                    "|---|---:|---:|---:|---:|\n", argv[a]);
        for (const Case& c : cases) {
            std::vector<Event> events = c.before;
            events.insert(events.end(), c.moves.begin(), c.moves.end());
            const std::vector<float> moving = render(library, events);
            const std::vector<float> before = render(library, c.before);
            const std::vector<float> after = render(library, c.after);
            const int32_t from = changeAt - 16 * 1024, to = changeAt + 14 * 1024;
            const double own = std::max(largestStep(before, from, to), largestStep(after, from, to));
            std::printf("| %s | %.3f | %.3f | %d | %d |\n", c.name, largestStep(moving, from, to), own,
                        longestQuiet(moving, from, to), shiftOf(moving, before, to, frames - 64));
        }
        std::printf("\n");
    }
    return 0;
}
