// Every float v from 0 to 1 through the parameter curves and FreqDif's
// exponent, against the same formulas on glibc's pow and log. Prints each
// difference (to be settled at higher precision), how often the quick path
// of 2^t left the float undecided and a few such v per curve (the hard
// cases for the table test). Then every float x from 2 to 129 (all that
// FreqDif's exponent takes the logarithm of) through the own double ln x
// against glibc's, with the count the quick path leaves undecided, whether
// the accurate path decides all of them and the x closest to a double
// rounding boundary. Built on demand (target curve_exhaustive); a run takes
// minutes.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "ParameterCurves.h"

namespace {

constexpr int curveCount = 6;
const char* const names[curveCount] = {"inGain", "outGain", "slewStep", "freqMinCycles", "freqDifCycles",
                                       "freqDifLog"};

float glibcCurve(int curve, float v) {
    const double d = static_cast<double>(v) - 0.5;
    switch (curve) {
        case 0: return static_cast<float>(std::pow(2.0, 8.0 * static_cast<double>(v)));
        case 1: return static_cast<float>(std::pow(2.0, 8.0 * (static_cast<double>(v) - 1.0)));
        case 2: return static_cast<float>(std::pow(2.0, 9.0 * (static_cast<double>(v) - 1.0)));
        case 3: return static_cast<float>(std::pow(2.0, 9.0 * static_cast<double>(v) - 1.0));
        case 4: {
            const float p = static_cast<float>(std::pow(2.0, 14.0 * std::fabs(d)));
            return std::copysign(static_cast<float>(static_cast<double>(p) - 1.0), static_cast<float>(d));
        }
        default: {
            const float y = parameterCurves::freqDifCycles(v);
            const float x = static_cast<float>(std::fabs(static_cast<double>(y)) + 2.0);
            return static_cast<float>(std::log(static_cast<double>(x)) / static_cast<double>(parameterCurves::ln2));
        }
    }
}

float ownCurve(int curve, float v) {
    switch (curve) {
        case 0: return parameterCurves::inGain(v);
        case 1: return parameterCurves::outGain(v);
        case 2: return parameterCurves::slewStep(v);
        case 3: return parameterCurves::freqMinCycles(v);
        case 4: return parameterCurves::freqDifCycles(v);
        default: return parameterCurves::freqDifLog(parameterCurves::freqDifCycles(v));
    }
}

double exponentOf(int curve, float v) {
    const double d = static_cast<double>(v) - 0.5;
    switch (curve) {
        case 0: return 8.0 * static_cast<double>(v);
        case 1: return 8.0 * (static_cast<double>(v) - 1.0);
        case 2: return 9.0 * (static_cast<double>(v) - 1.0);
        case 3: return 9.0 * static_cast<double>(v) - 1.0;
        default: return 14.0 * std::fabs(d);
    }
}

// Whether exp2Float's quick path decides, as it runs there.
bool quickDecides(double t) {
    constexpr double shifter = 0x1.8p52;
    const double big = (t * 64.0 + shifter) - shifter;
    const double g = (t * 64.0 - big) * 0.015625;
    const exactMath::Estimate q = exactMath::exp2QuickEstimate(static_cast<int>(big), {g, 0.0});
    bool decided;
    exactMath::floatIfDecided(q.hi, q.lo, q.error, decided);
    return decided;
}

// Distance of ln x from the nearest double rounding boundary, in ulps.
double logMargin(const exactMath::Estimate& e) {
    const double r = e.hi + e.lo;
    const double rest = (e.hi - r) + e.lo;
    const double ulp = std::nextafter(r, 1e300) - r;
    return 0.5 - std::fabs(rest) / ulp;
}

struct Result {
    uint64_t differ[curveCount] = {}, undecided[curveCount] = {};
    std::vector<float> hard[curveCount];
    std::vector<float> wrong[curveCount];
    uint64_t logDiffer = 0, logQuickUndecided = 0, logUndecided = 0;
    float tightX = 0;
    double tightMargin = 1.0;
};

void run(uint32_t first, uint32_t last, Result& r) {
    for (uint32_t bits = first; bits < last; ++bits) {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        for (int c = 0; c < curveCount; ++c) {
            const float own = ownCurve(c, v), glibc = glibcCurve(c, v);
            if (std::memcmp(&own, &glibc, sizeof own) != 0) {
                ++r.differ[c];
                if (r.wrong[c].size() < 50) r.wrong[c].push_back(v);
            }
            if (c < 5 && !quickDecides(exponentOf(c, v))) {
                ++r.undecided[c];
                if (r.hard[c].size() < 4) r.hard[c].push_back(v);
            }
        }
    }
}

void runLog(uint32_t first, uint32_t last, Result& r) {
    for (uint32_t bits = first; bits < last; ++bits) {
        float x;
        std::memcpy(&x, &bits, sizeof x);
        const double own = exactMath::logDouble(x), glibc = std::log(static_cast<double>(x));
        if (own != glibc) {
            ++r.logDiffer;
            std::printf("  log differs x=%a own=%a glibc=%a\n", x, own, glibc);
        }
        const exactMath::PowerParts parts = exactMath::splitBase(x, 1.0f);
        const exactMath::Estimate quick = exactMath::logQuickEstimate(parts);
        bool decided;
        exactMath::roundIfDecided(quick.hi, quick.lo, quick.error, decided);
        if (decided) continue;
        ++r.logQuickUndecided;
        const exactMath::Estimate accurate = exactMath::logAccurateEstimate(parts);
        exactMath::roundIfDecided(accurate.hi, accurate.lo, accurate.error, decided);
        r.logUndecided += decided ? 0 : 1;
        const double margin = logMargin(accurate);
        if (margin < r.tightMargin) {
            r.tightMargin = margin;
            r.tightX = x;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const uint32_t end = 0x3F800001u;  // 1.0f included
    const unsigned threads = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 2;
    std::vector<Result> results(threads);
    std::vector<std::thread> pool;
    for (unsigned i = 0; i < threads; ++i) {
        pool.emplace_back(run, static_cast<uint32_t>(uint64_t{end} * i / threads),
                          static_cast<uint32_t>(uint64_t{end} * (i + 1) / threads), std::ref(results[i]));
    }
    for (auto& t : pool) t.join();
    uint64_t total = 0;
    for (int c = 0; c < curveCount; ++c) {
        uint64_t differ = 0, undecided = 0;
        for (const Result& r : results) {
            differ += r.differ[c];
            undecided += r.undecided[c];
        }
        total += differ;
        std::printf("%s: %llu differ from glibc, %llu undecided by the quick path\n", names[c],
                    static_cast<unsigned long long>(differ), static_cast<unsigned long long>(undecided));
        for (const Result& r : results) {
            for (float v : r.wrong[c]) std::printf("  differs v=%a own=%a glibc=%a\n", v, ownCurve(c, v), glibcCurve(c, v));
            for (float v : r.hard[c]) std::printf("  hard v=%a own=%a\n", v, ownCurve(c, v));
        }
    }
    const uint32_t logFirst = 0x40000000u, logEnd = 0x43010001u;  // 2 to 129
    std::vector<Result> logResults(threads);
    pool.clear();
    for (unsigned i = 0; i < threads; ++i) {
        pool.emplace_back(runLog, static_cast<uint32_t>(logFirst + uint64_t{logEnd - logFirst} * i / threads),
                          static_cast<uint32_t>(logFirst + uint64_t{logEnd - logFirst} * (i + 1) / threads),
                          std::ref(logResults[i]));
    }
    for (auto& t : pool) t.join();
    for (const Result& r : logResults) {
        total += r.logDiffer + r.logUndecided;
        std::printf("ln x: %llu differ from glibc, %llu undecided by the quick path, %llu by the accurate;"
                    " closest x=%a at %.3g ulp from a boundary\n",
                    static_cast<unsigned long long>(r.logDiffer), static_cast<unsigned long long>(r.logQuickUndecided),
                    static_cast<unsigned long long>(r.logUndecided), r.tightX, r.tightMargin);
    }
    return total == 0 ? 0 : 1;
}
