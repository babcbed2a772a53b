// Writes the benchmark's input: a long stereo file of decaying notes over a
// slow sweep, so the effect sees every level rather than silence.
// Usage: render_signal OUT.wav SECONDS
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUT.wav SECONDS\n", argv[0]);
        return 2;
    }
    const int rate = 48000;
    const long frames = std::lround(std::atof(argv[2]) * rate);
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(argv[1], SFM_WRITE, &info);
    if (file == nullptr) {
        std::fprintf(stderr, "render_signal: %s\n", sf_strerror(nullptr));
        return 1;
    }
    const double twoPi = 2.0 * M_PI;
    std::vector<float> block(2 * 4800);
    for (long start = 0; start < frames; start += 4800) {
        const long count = std::min<long>(4800, frames - start);
        for (long i = 0; i < count; ++i) {
            const double t = static_cast<double>(start + i) / rate;
            const double note = std::fmod(t, 0.5);
            const double envelope = std::exp(-6.0 * note);
            const double sweep = 0.3 * std::sin(twoPi * (80.0 * t + 20.0 * std::sin(0.05 * twoPi * t)));
            block[2 * i] = static_cast<float>(0.6 * envelope * std::sin(twoPi * 330.0 * t) + sweep);
            block[2 * i + 1] = static_cast<float>(0.6 * envelope * std::sin(twoPi * 440.0 * t) + sweep);
        }
        sf_writef_float(file, block.data(), count);
    }
    return sf_close(file) == 0 ? 0 : 1;
}
