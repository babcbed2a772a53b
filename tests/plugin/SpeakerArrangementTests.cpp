// The four speaker-arrangement operations of AudioEffectX.
#include <cstring>
#include <string>
#include <vector>

#include "PluginTestSupport.h"

namespace {

bool allZero(const void* memory, size_t bytes) {
    const auto* p = static_cast<const unsigned char*>(memory);
    for (size_t i = 0; i < bytes; ++i) {
        if (p[i] != 0) return false;
    }
    return true;
}

// Host-owned arrangement of a given size, laid out as the interface expects.
struct HostArrangement {
    explicit HostArrangement(int32_t channels)
        : storage(SpeakerArrangement::headerBytes + sizeof(SpeakerProperties) * channels) {
        get()->numChannels = channels;
    }
    SpeakerArrangement* get() { return reinterpret_cast<SpeakerArrangement*>(storage.data()); }
    std::vector<unsigned char> storage;
};

SpeakerProperties makeSpeaker(const char* name, int32_t type, float azimuth) {
    SpeakerProperties speaker;
    std::memset(&speaker, 0x5a, sizeof speaker);  // garbage past the name's terminator
    std::strcpy(speaker.name, name);
    speaker.azimuth = azimuth;
    speaker.elevation = azimuth + 1.0f;
    speaker.radius = azimuth + 2.0f;
    speaker.reserved = azimuth + 3.0f;
    speaker.type = type;
    for (size_t i = 0; i < sizeof speaker.future; ++i) speaker.future[i] = static_cast<char>(i);
    return speaker;
}

void expectSameSpeaker(const SpeakerProperties& a, const SpeakerProperties& b) {
    EXPECT_STREQ(a.name, b.name);
    EXPECT_FLOAT_EQ(a.azimuth, b.azimuth);
    EXPECT_FLOAT_EQ(a.elevation, b.elevation);
    EXPECT_FLOAT_EQ(a.radius, b.radius);
    EXPECT_FLOAT_EQ(a.reserved, b.reserved);
    EXPECT_EQ(a.type, b.type);
    EXPECT_EQ(std::memcmp(a.future, b.future, sizeof a.future), 0);
}

class SpeakerArrangements : public ::testing::Test {
protected:
    void TearDown() override { effect.deallocateArrangement(&place); }
    BareEffect effect{nullptr};
    SpeakerArrangement* place = nullptr;
};

TEST_F(SpeakerArrangements, AllocateZeroesHeaderAndEverySpeaker) {
    ASSERT_TRUE(effect.allocateArrangement(&place, 3));
    ASSERT_NE(place, nullptr);
    EXPECT_EQ(place->type, 0);
    EXPECT_EQ(place->numChannels, 3);
    EXPECT_TRUE(allZero(place->speakers(), 3 * sizeof(SpeakerProperties)));
    EXPECT_EQ(reinterpret_cast<char*>(place->speakers()) - reinterpret_cast<char*>(place), 8);
}

TEST_F(SpeakerArrangements, AllocateReplacesWhatThePlaceHolds) {
    ASSERT_TRUE(effect.allocateArrangement(&place, 1));
    place->type = 9;
    ASSERT_TRUE(effect.allocateArrangement(&place, 2));  // the first one is released (ASan/valgrind)
    EXPECT_EQ(place->numChannels, 2);
    EXPECT_EQ(place->type, 0);
}

TEST_F(SpeakerArrangements, AllocateZeroChannelsGivesAHeaderOnly) {
    ASSERT_TRUE(effect.allocateArrangement(&place, 0));
    EXPECT_EQ(place->numChannels, 0);
}

TEST_F(SpeakerArrangements, AllocateRefusesNullPlaceAndNegativeCount) {
    EXPECT_FALSE(effect.allocateArrangement(nullptr, 2));
    EXPECT_FALSE(effect.allocateArrangement(&place, -1));
    EXPECT_EQ(place, nullptr);
}

TEST_F(SpeakerArrangements, DeallocateClearsThePlaceAndAlwaysAnswersTrue) {
    ASSERT_TRUE(effect.allocateArrangement(&place, 2));
    EXPECT_TRUE(effect.deallocateArrangement(&place));
    EXPECT_EQ(place, nullptr);
    EXPECT_TRUE(effect.deallocateArrangement(&place));
    EXPECT_TRUE(effect.deallocateArrangement(nullptr));
}

TEST_F(SpeakerArrangements, CopySpeakerCopiesNameAndEveryField) {
    SpeakerProperties from = makeSpeaker("Left", 1, 30.0f);
    SpeakerProperties to;
    std::memset(&to, 0, sizeof to);
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    expectSameSpeaker(to, from);
    EXPECT_EQ(to.name[5], 0);  // bytes after the terminator are not copied
}

TEST_F(SpeakerArrangements, CopySpeakerRefusesNull) {
    SpeakerProperties speaker = makeSpeaker("C", 0, 0.0f);
    EXPECT_FALSE(effect.copySpeaker(nullptr, &speaker));
    EXPECT_FALSE(effect.copySpeaker(&speaker, nullptr));
}

TEST_F(SpeakerArrangements, CopySpeakerKeepsAnUnterminatedNameInsideTheField) {
    SpeakerProperties from = makeSpeaker("", 0, 0.0f);
    std::memset(from.name, 'x', sizeof from.name);
    SpeakerProperties to;
    std::memset(&to, 0, sizeof to);
    ASSERT_TRUE(effect.copySpeaker(&to, &from));
    EXPECT_EQ(std::string(to.name), std::string(63, 'x'));
}

TEST_F(SpeakerArrangements, MatchCopiesTypeCountAndSpeakers) {
    HostArrangement from(2);
    from.get()->type = 4;
    from.get()->speakers()[0] = makeSpeaker("L", 1, -30.0f);
    from.get()->speakers()[1] = makeSpeaker("R", 2, 30.0f);
    ASSERT_TRUE(effect.allocateArrangement(&place, 5));  // released by match

    ASSERT_TRUE(effect.matchArrangement(&place, from.get()));
    ASSERT_NE(place, nullptr);
    EXPECT_NE(place, from.get());
    EXPECT_EQ(place->type, 4);
    EXPECT_EQ(place->numChannels, 2);
    expectSameSpeaker(place->speakers()[0], from.get()->speakers()[0]);
    expectSameSpeaker(place->speakers()[1], from.get()->speakers()[1]);
}

TEST_F(SpeakerArrangements, MatchRefusesNullSource) {
    ASSERT_TRUE(effect.allocateArrangement(&place, 1));
    SpeakerArrangement* before = place;
    EXPECT_FALSE(effect.matchArrangement(&place, nullptr));
    EXPECT_EQ(place, before);  // nothing released
}

TEST_F(SpeakerArrangements, MatchCallsTheOtherOperationsVirtually) {
    class Counting : public BareEffect {
    public:
        Counting() : BareEffect(nullptr) {}
        bool allocateArrangement(SpeakerArrangement** a, int32_t channels) override {
            ++allocations;
            return BareEffect::allocateArrangement(a, channels);
        }
        bool deallocateArrangement(SpeakerArrangement** a) override {
            ++deallocations;
            return BareEffect::deallocateArrangement(a);
        }
        bool copySpeaker(SpeakerProperties* to, SpeakerProperties* from) override {
            ++copies;
            return copies < failAt && BareEffect::copySpeaker(to, from);
        }
        int allocations = 0;
        int deallocations = 0;
        int copies = 0;
        int failAt = 100;
    };
    Counting counting;
    HostArrangement from(3);
    SpeakerArrangement* mine = nullptr;
    ASSERT_TRUE(counting.matchArrangement(&mine, from.get()));
    EXPECT_EQ(counting.deallocations, 1);
    EXPECT_EQ(counting.allocations, 1);
    EXPECT_EQ(counting.copies, 3);

    counting.copies = 0;
    counting.failAt = 2;  // the second copy fails: stop there with false
    EXPECT_FALSE(counting.matchArrangement(&mine, from.get()));
    EXPECT_EQ(counting.copies, 2);
    counting.BareEffect::deallocateArrangement(&mine);
}

}  // namespace
