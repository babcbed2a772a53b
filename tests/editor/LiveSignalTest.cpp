// The live signal's ring: what a reader sees of the pairs an audio thread
// writes, in one thread, and a writer and a reader on two threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

#include "LiveSignal.h"

namespace {

// A block whose frame f holds input (first + f) / 1024 (exact in fixed
// point) and output its negative.
struct Block {
    std::vector<float> in, out;
    Block(int32_t first, int32_t frames) {
        for (int32_t f = 0; f < frames; ++f) {
            in.push_back(static_cast<float>(first + f) / 1024.0f);
            out.push_back(-in.back());
        }
    }
};

// The frames a read shows, as the numbers Block wrote.
std::vector<int32_t> framesRead(LiveSignalReader& reader, uint32_t milliseconds) {
    SignalPoint points[maxLivePoints];
    const int32_t count = reader.read(points, milliseconds);
    std::vector<int32_t> frames;
    for (int32_t i = 0; i < count; ++i) {
        EXPECT_EQ(points[i].out, -points[i].in) << i;
        frames.push_back(static_cast<int32_t>(points[i].in * 1024.0f));
    }
    return frames;
}

void write(LiveSignal& signal, int32_t first, int32_t frames) {
    const Block block(first, frames);
    signal.write(block.in.data(), block.out.data(), frames);
}

TEST(LiveSignalTest, EveryStrideFramesAcrossBlocksInOrder) {
    LiveSignal signal(4);
    LiveSignalReader reader(signal);
    write(signal, 0, 10);
    write(signal, 10, 3);
    write(signal, 13, 10);
    EXPECT_EQ(framesRead(reader, 0), (std::vector<int32_t>{0, 4, 8, 12, 16, 20}));
}

TEST(LiveSignalTest, RingKeepsTheMostRecentPairs) {
    LiveSignal signal(1);
    LiveSignalReader reader(signal);
    for (int32_t first = 0; first < 300; first += 100) write(signal, first, 100);
    std::vector<int32_t> last;
    for (int32_t frame = 300 - maxLivePoints; frame < 300; ++frame) last.push_back(frame);
    EXPECT_EQ(framesRead(reader, 0), last);
    // A block longer than the ring writes only what the ring keeps.
    write(signal, 300, 2 * maxLivePoints + 1);
    EXPECT_EQ(framesRead(reader, 0).front(), 301 + maxLivePoints);
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
    const float in[] = {5.0f, -5.0f, NAN, 0.5f}, out[] = {-1e30f, 1e30f, INFINITY, -0.25f};
    signal.write(in, out, 4);
    SignalPoint points[maxLivePoints];
    ASSERT_EQ(reader.read(points, 0), 4);
    const float top = 32767.0f / 16384.0f;
    EXPECT_EQ(points[0].in, top);
    EXPECT_EQ(points[0].out, -2.0f);
    EXPECT_EQ(points[1].in, -2.0f);
    EXPECT_EQ(points[2].in, 0.0f);
    EXPECT_EQ(points[2].out, top);
    EXPECT_EQ(points[3].in, 0.5f);
    EXPECT_EQ(points[3].out, -0.25f);
}

// Every pair a reader copies while the writer runs is whole; once the writer
// stops the reader has the last pairs in order.
TEST(LiveSignalTest, ConcurrentWriterAndReader) {
    LiveSignal signal(3);
    LiveSignalReader reader(signal);
    std::atomic<bool> done{false};
    constexpr int32_t blocks = 2000, frames = 61;
    std::thread writer([&] {
        for (int32_t b = 0; b < blocks; ++b) write(signal, (b * frames) % 1024, frames);
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) framesRead(reader, 0);  // checks each pair
    writer.join();
    const std::vector<int32_t> last = framesRead(reader, 0);
    ASSERT_EQ(last.size(), static_cast<size_t>(maxLivePoints));
    for (size_t i = 1; i < last.size(); ++i) EXPECT_EQ((last[i] - last[i - 1] + 1024) % 1024, 3) << i;
}

}  // namespace
