// What Ondulaxis HQ's record interface tells a host about it, byte for byte
// (the plain effect's: tests/effect/InstanceTest.cpp).
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "OndulaxisHQ.h"

namespace {

intptr_t silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

TEST(HQIdentityTest, GettersAnswerItsOwnStrings) {
    const auto effect = std::make_unique<OndulaxisHQ>(&silentHost);
    char text[64];
    EXPECT_TRUE(effect->getEffectName(text));
    EXPECT_STREQ(text, "Ondulaxis HQ");
    EXPECT_TRUE(effect->getProductString(text));
    EXPECT_STREQ(text, "Ondulaxis HQ - Sinusoidal distortion unit, oversampled");
    EXPECT_TRUE(effect->getVendorString(text));
    EXPECT_STREQ(text, "Brakkenholtmark");
    EXPECT_EQ(effect->getVendorVersion(), 502);
    EXPECT_EQ(effect->getRecord()->uniqueID, 0x4f644851);  // 'OdHQ'
}

}  // namespace
