// Cost of the editor on its UI thread: one picture at 100 % and 200 %, one
// measurement of the curve (the plain effect's, and HQ's at 1x and at its
// default factor, which is why HQ's editor measures at 1x), a tick with
// nothing changed, and a tick that measures and draws anew.
#include <benchmark/benchmark.h>

#include <vector>

#include "EditorDrawing.h"
#include "EditorLayout.h"
#include "EditorSession.h"
#include "HQParameters.h"
#include "OndulaxisHQ.h"
#include "TransferMeasurement.h"

namespace {

std::vector<float> defaults(const ParameterTable& table) {
    std::vector<float> values;
    for (int32_t i = 0; i < table.count(); ++i) values.push_back(table.find(i)->defaultValue);
    return values;
}

// As HQ's editor measures: without oversampling (Oversample 1x, Render Same).
TransferCurve measureHQAt1x(std::span<const float> values) {
    std::vector<float> at1x(values.begin(), values.end());
    at1x[OndulaxisHQ::oversampleIndex] = 0.0f;
    at1x[OndulaxisHQ::renderIndex] = 0.0f;
    return transferMeasurement::curveOf<OndulaxisHQ>(at1x);
}

// Values that stay where they are unless the benchmark moves them; changes
// go nowhere.
class StillPlugin final : public EditorParameters, public GestureSink {
public:
    explicit StillPlugin(const ParameterTable& table) : values(defaults(table)) {}
    float value(int32_t index) noexcept override { return values[static_cast<size_t>(index)]; }
    void begin(int32_t) noexcept override {}
    void change(int32_t, float) noexcept override {}
    void end(int32_t) noexcept override {}
    std::vector<float> values;
};

void drawPicture(benchmark::State& bench) {
    StillPlugin plugin(ondulaxisHQParameters);
    LiveSignal live(1);
    // A full ring of points along a sine.
    std::vector<float> in(maxLivePoints), out(maxLivePoints);
    for (int32_t i = 0; i < maxLivePoints; ++i) {
        in[i] = static_cast<float>(i % 64 - 32) / 32.0f;
        out[i] = in[i] * 0.8f;
    }
    EditorSession session(ondulaxisHQParameters, "Ondulaxis HQ", plugin, plugin, measureHQAt1x, &live,
                          static_cast<int32_t>(bench.range(0)));
    live.write(in.data(), out.data(), maxLivePoints);
    session.tick(0);
    const EditorState state = session.state();
    PixelCanvas canvas(session.size().width, session.size().height);
    for (auto _ : bench) {
        drawEditor(state, canvas);
        benchmark::DoNotOptimize(canvas.pixels());
    }
}
BENCHMARK(drawPicture)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

void measurePlain(benchmark::State& bench) {
    const std::vector<float> values = defaults(ondulaxisParameters);
    for (auto _ : bench) benchmark::DoNotOptimize(measureOndulaxis(values));
}
BENCHMARK(measurePlain)->Unit(benchmark::kMillisecond);

// At 1x and at the default factor, 4x.
void measureHQ(benchmark::State& bench) {
    std::vector<float> values = defaults(ondulaxisHQParameters);
    values[OndulaxisHQ::oversampleIndex] = bench.range(0) == 1 ? 0.0f : OndulaxisHQ::defaultOversample;
    for (auto _ : bench) benchmark::DoNotOptimize(transferMeasurement::curveOf<OndulaxisHQ>(values));
}
BENCHMARK(measureHQ)->Arg(1)->Arg(4)->ArgNames({"factor"})->Unit(benchmark::kMillisecond);

void idleTick(benchmark::State& bench) {
    StillPlugin plugin(ondulaxisHQParameters);
    EditorSession session(ondulaxisHQParameters, "Ondulaxis HQ", plugin, plugin, measureHQAt1x);
    uint32_t now = 0;
    session.tick(now);
    for (auto _ : bench) benchmark::DoNotOptimize(session.tick(now += 16));
}
BENCHMARK(idleTick)->Unit(benchmark::kMicrosecond);

// The host moves InGain a little every frame: each tick measures and draws.
void changedTick(benchmark::State& bench) {
    StillPlugin plugin(ondulaxisHQParameters);
    EditorSession session(ondulaxisHQParameters, "Ondulaxis HQ", plugin, plugin, measureHQAt1x, nullptr,
                          static_cast<int32_t>(bench.range(0)));
    uint32_t now = 0;
    int32_t frame = 0;
    for (auto _ : bench) {
        plugin.values[InGain] = static_cast<float>(++frame % 100) / 100.0f;
        benchmark::DoNotOptimize(session.tick(now += EditorSession::frameMilliseconds));
    }
}
BENCHMARK(changedTick)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
