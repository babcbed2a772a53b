#include "ClapState.h"

#include <cmath>
#include <cstring>

namespace clapState {
namespace {

constexpr uint8_t magic[4] = {'O', 'd', 'x', 'S'};
constexpr uint32_t headerBytes = 16;  // magic, version, plug-in, count
constexpr uint32_t valueBytes = 8;
constexpr uint32_t maxBytes = headerBytes + valueBytes * maxValues;

template <class Word>
void put(uint8_t* out, Word word) noexcept {
    for (size_t byte = 0; byte < sizeof word; ++byte) {
        out[byte] = static_cast<uint8_t>(word >> (8 * byte));
    }
}

template <class Word>
Word get(const uint8_t* in) noexcept {
    Word word = 0;
    for (size_t byte = 0; byte < sizeof word; ++byte) {
        word |= Word{in[byte]} << (8 * byte);
    }
    return word;
}

void putWord(uint8_t* out, uint32_t word) noexcept { put(out, word); }
uint32_t getWord(const uint8_t* in) noexcept { return get<uint32_t>(in); }

}  // namespace

bool save(const ClapOutputStream* stream, uint32_t plugin, const double* values, uint32_t count) noexcept {
    if (stream == nullptr || stream->write == nullptr || values == nullptr || count > maxValues) {
        return false;
    }
    uint8_t bytes[maxBytes];
    std::memcpy(bytes, magic, 4);
    putWord(bytes + 4, version);
    putWord(bytes + 8, plugin);
    putWord(bytes + 12, count);
    for (uint32_t i = 0; i < count; ++i) {
        uint64_t bits = 0;
        std::memcpy(&bits, &values[i], valueBytes);
        put(bytes + headerBytes + valueBytes * i, bits);
    }
    const uint32_t total = headerBytes + valueBytes * count;
    // A stream may take fewer bytes than offered; 0 or less is a refusal.
    for (uint32_t done = 0; done < total;) {
        const int64_t written = stream->write(stream, bytes + done, total - done);
        if (written <= 0 || static_cast<uint64_t>(written) > total - done) {
            return false;
        }
        done += static_cast<uint32_t>(written);
    }
    return true;
}

bool load(const ClapInputStream* stream, uint32_t plugin, double* values, uint32_t count) noexcept {
    if (stream == nullptr || stream->read == nullptr || values == nullptr || count > maxValues) {
        return false;
    }
    const uint32_t total = headerBytes + valueBytes * count;
    // One byte more than a state of this plug-in has, to see trailing bytes.
    uint8_t bytes[maxBytes + 1];
    uint32_t received = 0;
    while (received <= total) {
        const int64_t read = stream->read(stream, bytes + received, total + 1 - received);
        if (read < 0 || static_cast<uint64_t>(read) > total + 1 - received) {
            return false;
        }
        if (read == 0) {
            break;
        }
        received += static_cast<uint32_t>(read);
    }
    // A state saved before the plug-in had its later parameters holds fewer
    // values; those it has are its settings, the later ones stay.
    const uint32_t stored = received >= headerBytes ? getWord(bytes + 12) : 0;
    if (received < headerBytes || std::memcmp(bytes, magic, 4) != 0 || getWord(bytes + 4) != version ||
        getWord(bytes + 8) != plugin || stored == 0 || stored > count ||
        received != headerBytes + valueBytes * stored) {
        return false;
    }
    double read[maxValues];
    for (uint32_t i = 0; i < stored; ++i) {
        const uint64_t bits = get<uint64_t>(bytes + headerBytes + valueBytes * i);
        std::memcpy(&read[i], &bits, valueBytes);
        if (!std::isfinite(read[i])) {
            return false;
        }
    }
    std::memcpy(values, read, stored * sizeof(double));
    return true;
}

}  // namespace clapState
