// Helper of the LV2 render check:
//   lv2_check_tool signal OUT.wav CHANNELS     writes the test signal
//   lv2_check_tool normalise NAME PORTVALUE    prints the normalised value
//   lv2_check_tool latency                     prints Ondulaxis HQ's latency
//   lv2_check_tool compare A.wav B.wav LIMIT [DELAY]
//                                              prints the largest difference
//                                              of A, DELAY frames late, from
//                                              B; fails above LIMIT
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "OndulaxisHQ.h"
#include "ParameterRecords.h"

namespace {

constexpr int sampleRate = 48000;
constexpr sf_count_t signalFrames = 12000;

int fail(const char* message, const char* detail = "") {
    std::fprintf(stderr, "lv2_check_tool: %s%s\n", message, detail);
    return 1;
}

// Silence, then two partials swelling past full scale and fading, so the
// gains, the slew limiter and the sinusoid's level tracking all have work.
// The channels differ, so a crossed route shows.
int writeSignal(const char* path, int channels) {
    if (channels != 1 && channels != 2) return fail("channels must be 1 or 2");
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path, SFM_WRITE, &info);
    if (file == nullptr) return fail("cannot write ", path);
    std::vector<float> samples(static_cast<size_t>(signalFrames * channels));
    const double pi = 3.141592653589793;
    for (sf_count_t frame = 0; frame < signalFrames; ++frame) {
        const double t = static_cast<double>(frame) / sampleRate;
        const double position = static_cast<double>(frame) / signalFrames;
        const double swell = frame < 600 ? 0.0 : 1.3 * std::sin(pi * position);
        for (int channel = 0; channel < channels; ++channel) {
            const double value =
                swell * (0.7 * std::sin(2 * pi * 220.0 * t + channel) +
                         0.3 * std::sin(2 * pi * (1375.0 + 400.0 * channel) * t));
            samples[static_cast<size_t>(frame * channels + channel)] = static_cast<float>(value);
        }
    }
    const bool written = sf_writef_float(file, samples.data(), signalFrames) == signalFrames;
    sf_close(file);
    return written ? 0 : fail("short write to ", path);
}

int printNormalised(const char* name, const char* text) {
    char* end = nullptr;
    const float portValue = std::strtof(text, &end);
    if (end == text || *end != '\0') return fail("not a number: ", text);
    for (int32_t index = 0; index < paramCount; ++index) {
        if (strcasecmp(name, ondulaxisParameterRecords[index].name) == 0) {
            std::printf("%.9g\n", static_cast<double>(parameterValues::toNormalised(ondulaxisParameterRecords[index], portValue)));
            return 0;
        }
    }
    return fail("no parameter named ", name);
}

bool readAll(const char* path, SF_INFO& info, std::vector<float>& samples) {
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) return false;
    samples.resize(static_cast<size_t>(info.frames * info.channels));
    const bool complete = sf_readf_float(file, samples.data(), info.frames) == info.frames;
    sf_close(file);
    return complete;
}

int compare(const char* pathA, const char* pathB, const char* limitText, const char* delayText) {
    SF_INFO infoA{};
    SF_INFO infoB{};
    std::vector<float> a;
    std::vector<float> b;
    if (!readAll(pathA, infoA, a)) return fail("cannot read ", pathA);
    if (!readAll(pathB, infoB, b)) return fail("cannot read ", pathB);
    if (infoA.channels != infoB.channels || infoA.frames != infoB.frames) {
        return fail("the files differ in channels or length");
    }
    const size_t delay = static_cast<size_t>(std::strtoul(delayText, nullptr, 10)) *
                         static_cast<size_t>(infoA.channels);
    if (delay > a.size()) return fail("the delay is longer than the files");
    double largest = 0.0;
    size_t differing = 0;
    for (size_t i = 0; i + delay < a.size(); ++i) {
        // Bit patterns, so that NaN or a changed sign of zero counts too.
        if (std::memcmp(&a[i + delay], &b[i], sizeof(float)) != 0) {
            ++differing;
            const double difference = std::fabs(static_cast<double>(a[i + delay]) - b[i]);
            largest = std::isnan(difference) || difference > largest ? difference : largest;
        }
    }
    const double limit = std::strtod(limitText, nullptr);
    std::printf("%zu of %zu samples differ, largest difference %.3g\n", differing, a.size() - delay, largest);
    return (limit == 0.0 ? differing == 0 : largest <= limit) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "signal") == 0) return writeSignal(argv[2], std::atoi(argv[3]));
    if (argc == 4 && std::strcmp(argv[1], "normalise") == 0) return printNormalised(argv[2], argv[3]);
    if (argc == 2 && std::strcmp(argv[1], "latency") == 0) {
        std::printf("%d\n", OndulaxisHQ::latency());
        return 0;
    }
    if ((argc == 5 || argc == 6) && std::strcmp(argv[1], "compare") == 0) {
        return compare(argv[2], argv[3], argv[4], argc == 6 ? argv[5] : "0");
    }
    std::fprintf(stderr, "usage: lv2_check_tool signal OUT CHANNELS | normalise NAME VALUE | latency | compare A B LIMIT [DELAY]\n");
    return 2;
}
