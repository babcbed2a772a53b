// The live signal's ring: what a reader sees of the pairs a writer leaves,
// in one thread and on two.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "LiveSignal.h"

namespace {

// Frames `first` on of a signal whose frame f is f / 1024 (exact in the
// ring's fixed point) in and its negative out.
void write(LiveSignal& signal, int32_t first, int32_t frames) {
    std::vector<float> in(static_cast<size_t>(frames)), out(in.size());
    for (size_t f = 0; f < in.size(); ++f) out[f] = -(in[f] = static_cast<float>(first + f) / 1024.0f);
    signal.write(in.data(), out.data(), frames);
}

// The frames a read shows; every pair whole.
std::vector<int32_t> framesRead(LiveSignalReader& reader, uint32_t milliseconds) {
    SignalPoint points[maxLivePoints];
    std::vector<int32_t> frames;
    for (int32_t i = 0, count = reader.read(points, milliseconds); i < count; ++i) {
        EXPECT_EQ(points[i].out, -points[i].in) << i;
        frames.push_back(static_cast<int32_t>(points[i].in * 1024.0f));
    }
    return frames;
}

TEST(LiveSignalTest, EveryStrideFramesAcrossBlocksTheMostRecentInOrder) {
    LiveSignal signal(4);
    LiveSignalReader reader(signal);
    write(signal, 0, 10);
    write(signal, 10, 3);
    write(signal, 13, 10);
    EXPECT_EQ(framesRead(reader, 0), (std::vector<int32_t>{0, 4, 8, 12, 16, 20}));
    // A block longer than the ring (pairs at 24, 28, ... 1144): only the
    // pairs the ring keeps.
    write(signal, 23, 1124);
    const std::vector<int32_t> last = framesRead(reader, 0);
    ASSERT_EQ(last.size(), static_cast<size_t>(maxLivePoints));
    EXPECT_EQ(last.front(), 1144 - 4 * (maxLivePoints - 1));
    EXPECT_EQ(last.back(), 1144);
}

TEST(LiveSignalTest, NothingWithoutAudioAndOnlyNewPairsAfterAPause) {
    LiveSignal signal(2);
    write(signal, 0, 4);
    // A reader sees what comes after it; no blocks, nothing.
    LiveSignalReader reader(signal);
    EXPECT_TRUE(framesRead(reader, 0).empty());
    signal.write(nullptr, nullptr, 64);
    write(signal, 4, 0);
    EXPECT_TRUE(framesRead(reader, 10).empty());
    write(signal, 4, 4);
    EXPECT_EQ(framesRead(reader, 100), (std::vector<int32_t>{4, 6}));
    const uint32_t quiet = LiveSignalReader::quietMilliseconds;
    EXPECT_EQ(framesRead(reader, 100 + quiet - 1).size(), 2u);
    EXPECT_TRUE(framesRead(reader, 100 + quiet).empty());
    write(signal, 8, 2);
    EXPECT_EQ(framesRead(reader, 2000), (std::vector<int32_t>{8}));
}

TEST(LiveSignalTest, OutOfRangeSamplesStayInTheWord) {
    LiveSignal signal(1);
    LiveSignalReader reader(signal);
    const float in[] = {5.0f, NAN}, out[] = {-1e30f, 0.5f};
    signal.write(in, out, 2);
    SignalPoint p[maxLivePoints];
    ASSERT_EQ(reader.read(p, 0), 2);
    EXPECT_EQ((std::vector<float>{p[0].in, p[0].out, p[1].in, p[1].out}),
              (std::vector<float>{32767.0f / 16384.0f, -2.0f, 0.0f, 0.5f}));
}

// Every pair a reader copies while the writer runs is whole; once the writer
// stops the reader has the last pairs in order.
TEST(LiveSignalTest, ConcurrentWriterAndReader) {
    LiveSignal signal(3);
    LiveSignalReader reader(signal);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int32_t block = 0; block < 2000; ++block) write(signal, (block * 61) % 1024, 61);
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) framesRead(reader, 0);
    writer.join();
    const std::vector<int32_t> last = framesRead(reader, 0);
    ASSERT_EQ(last.size(), static_cast<size_t>(maxLivePoints));
    for (size_t i = 1; i < last.size(); ++i) EXPECT_EQ((last[i] - last[i - 1] + 1024) % 1024, 3) << i;
}

}  // namespace
