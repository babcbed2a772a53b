// Every positive float through the kernels' sine and cosine (negative ones
// differ only by the sign the code applies), against glibc's and, where
// they differ or the quick path is undecided, against the accurate path
// deciding with a margin 2^8 wider than its own; the reduction's fraction
// must stay above its stated floor. Counts glibc's misroundings (its
// result unlike the accurate path's) and prints a sample of them.
// Built on demand (target wave_exhaustive); a run takes minutes.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "kernels/ExactWaves.h"

namespace {

struct Counts {
    uint64_t checked = 0, wrong = 0, undecided = 0, glibcSin = 0, glibcCos = 0;
    double smallestFraction = 1.0;  // |r| / (pi/128) over reduced arguments
};

// The quick path's verdict, as wave() reaches it.
bool quickDecides(float x, int quarter) {
    const double ax = std::fabs(static_cast<double>(x));
    exactMath::Reduced reduced{0, {ax, 0.0}};
    double error = 0.0;
    if (ax >= 0x1p20) {
        reduced = exactMath::reduceFar(std::fabs(x));
        error = std::fabs(reduced.r.hi) * 0x1p-100;
    } else if (ax >= 0x1p-8) {
        reduced = exactMath::reduceNear(ax);
        error = exactMath::nearReductionError;
    }
    reduced.index = (reduced.index + quarter) & (exactMath::waveRows - 1);
    bool decided;
    exactMath::waveQuick(reduced, error, decided);
    return decided;
}

// The accurate path with a margin 2^8 wider than its own.
double accurate(float x, int quarter, bool& decided) {
    exactMath::Reduced reduced{0, {std::fabs(static_cast<double>(x)), 0.0}};
    if (std::fabs(x) >= 0x1p-8f) {
        reduced = exactMath::reduceFar(std::fabs(x));
    }
    reduced.index = (reduced.index + quarter) & (exactMath::waveRows - 1);
    const double y = exactMath::waveAccurate(reduced, decided, 0x1p-90);
    return quarter == 0 && x < 0 ? -y : y;
}

// Each result is checked against the accurate path wherever glibc differs
// from it, wherever the quick path could not decide, and at every 64th
// argument; the accurate path must decide each of those.
void check(float x, int quarter, double result, double glibc, uint64_t& glibcWrong, Counts& counts,
           bool sampled) {
    const bool differs = result != glibc;
    if (!differs && !sampled && quickDecides(x, quarter)) {
        return;
    }
    bool decided;
    const double reference = accurate(x, quarter, decided);
    counts.undecided += !decided;
    counts.wrong += reference != result;
    glibcWrong += differs && glibc != reference;
}

void run(uint32_t first, uint32_t last, Counts& counts, FILE* sample) {
    for (uint64_t bits = first; bits < last; ++bits) {
        float x;
        const uint32_t b = static_cast<uint32_t>(bits);
        std::memcpy(&x, &b, sizeof x);
        if (x >= 0x1p-8f) {
            const exactMath::Reduced reduced = exactMath::reduceFar(x);
            const double fraction = std::fabs(reduced.r.hi) / exactMath::piOver128.hi;
            if (fraction < counts.smallestFraction) {
                counts.smallestFraction = fraction;
            }
        }
        const double s = exactMath::sin(x);
        const double c = exactMath::cos(x);
        const double gs = std::sin(static_cast<double>(x));
        const double gc = std::cos(static_cast<double>(x));
        const uint64_t before = counts.glibcSin + counts.glibcCos;
        check(x, 0, s, gs, counts.glibcSin, counts, (bits & 63) == 0);
        check(x, exactMath::quarterTurn, c, gc, counts.glibcCos, counts, (bits & 63) == 1);
        if (sample != nullptr && counts.glibcSin + counts.glibcCos != before && (before & 4095) == 0) {
            std::fprintf(sample, "%a s %a %a\n%a c %a %a\n", x, s, gs, x, c, gc);
        }
        ++counts.checked;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int threads = argc > 1 ? std::atoi(argv[1]) : 2;
    FILE* sample = argc > 2 ? std::fopen(argv[2], "w") : nullptr;
    // Up to +inf: every finite positive float; a part of them for a split run
    // (arguments: threads, sample file, end, begin; bit patterns in hex).
    const uint32_t end = argc > 3 ? static_cast<uint32_t>(std::strtoul(argv[3], nullptr, 16)) : 0x7F800000;
    const uint32_t begin = argc > 4 ? static_cast<uint32_t>(std::strtoul(argv[4], nullptr, 16)) : 0;
    std::vector<Counts> counts(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        // Interleaved slices, so each thread gets small and huge arguments.
        workers.emplace_back([&, t] {
            for (uint32_t start = begin + (static_cast<uint32_t>(t) << 20); start < end;
                 start += static_cast<uint32_t>(threads) << 20) {
                run(start, start + (1u << 20) < end ? start + (1u << 20) : end, counts[t],
                    t == 0 ? sample : nullptr);
            }
        });
    }
    for (auto& w : workers) {
        w.join();
    }
    Counts total;
    for (const Counts& c : counts) {
        total.checked += c.checked;
        total.wrong += c.wrong;
        total.undecided += c.undecided;
        total.glibcSin += c.glibcSin;
        total.glibcCos += c.glibcCos;
        total.smallestFraction = std::fmin(total.smallestFraction, c.smallestFraction);
    }
    std::printf("floats %llu, results unlike the accurate path %llu, undecided %llu\n",
                static_cast<unsigned long long>(total.checked),
                static_cast<unsigned long long>(total.wrong),
                static_cast<unsigned long long>(total.undecided));
    std::printf("glibc misrounded: sine %llu, cosine %llu; smallest |r| / (pi/128) %a\n",
                static_cast<unsigned long long>(total.glibcSin),
                static_cast<unsigned long long>(total.glibcCos), total.smallestFraction);
    if (sample != nullptr) {
        std::fclose(sample);
    }
    return total.wrong == 0 && total.undecided == 0 && total.smallestFraction > 0x1p-40 ? 0 : 1;
}
