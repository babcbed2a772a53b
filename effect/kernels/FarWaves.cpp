#include "FarWaves.h"

#include <array>
#include <cmath>
#include <cstdint>

namespace {

// A fixed-point number below 16: the whole part, then 256 bits of fraction.
using Fixed = std::array<uint64_t, 5>;

// 2π, its fraction cut after 256 bits; the cut, times 2^k for k up to 104,
// stays below 2^-150.
constexpr Fixed circle{6, 0x487ED5110B4611A6, 0x2633145C06E0E689, 0x48127044533E63A0,
                       0x105DF531D89CD912};

bool below(const Fixed& a, const Fixed& b) noexcept {
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            return a[i] < b[i];
        }
    }
    return false;
}

void subtract(Fixed& a, const Fixed& b) noexcept {
    uint64_t borrow = 0;
    for (size_t i = a.size(); i-- > 0;) {
        const uint64_t difference = a[i] - b[i] - borrow;
        borrow = (a[i] < b[i] || (a[i] == b[i] && borrow != 0)) ? 1 : 0;
        a[i] = difference;
    }
}

void doubleIt(Fixed& a) noexcept {
    for (size_t i = 0; i + 1 < a.size(); ++i) {
        a[i] = (a[i] << 1) | (a[i + 1] >> 63);
    }
    a.back() <<= 1;
}

struct Parts {
    double high, middle, low;
};

Parts split(const Fixed& a) noexcept {
    const double high = static_cast<double>(a[0]) + std::ldexp(static_cast<double>(a[1] >> 39), -25);
    const double middle = std::ldexp(static_cast<double>((a[1] >> 14) & 0x1FFFFFF), -50);
    // The rest in long double first (64 bits), so that it rounds to double
    // about once.
    const long double rest = std::ldexp(static_cast<long double>(a[1] & 0x3FFF), -64) +
                             std::ldexp(static_cast<long double>(a[2]), -128) +
                             std::ldexp(static_cast<long double>(a[3]), -192);
    return {high, middle, static_cast<double>(rest)};
}

farWaves::Turns makeTurns() noexcept {
    farWaves::Turns turns{};
    Fixed power{0, uint64_t{1} << 61, 0, 0, 0};  // 2^-3
    for (int row = 0; row < 108; ++row) {
        const Parts parts = split(power);
        turns.high[row] = parts.high;
        turns.middle[row] = parts.middle;
        turns.low[row] = parts.low;
        doubleIt(power);
        if (!below(power, circle)) {
            subtract(power, circle);
        }
    }
    const Parts parts = split(circle);
    turns.circleHigh = parts.high;
    turns.circleMiddle = parts.middle;
    turns.circleLow = parts.low;
    return turns;
}

}  // namespace

const farWaves::Turns& farWaves::turns() noexcept {
    static const Turns made = makeTurns();
    return made;
}
