// What each plug-in's record interface tells a host about it, byte for byte.
#include <cstring>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "OndulaxisHQ.h"

namespace {

struct IdentityCase {
    const char* name;
    const char* product;
    int32_t uniqueId;
    std::unique_ptr<Ondulaxis> (*create)();
};

void PrintTo(const IdentityCase& row, std::ostream* os) { *os << row.name; }

intptr_t silentHost(AEffect*, int32_t, int32_t, intptr_t, void*, float) { return 0; }

template <class Effect>
std::unique_ptr<Ondulaxis> create() {
    return std::make_unique<Effect>(&silentHost);
}

class IdentityTest : public testing::TestWithParam<IdentityCase> {};

// Each buffer is filled first, so a write past the terminator shows.
std::string written(bool (Ondulaxis::*getter)(char*), Ondulaxis& effect) {
    char text[64];
    std::memset(text, 'x', sizeof text);
    EXPECT_TRUE((effect.*getter)(text));
    return std::string(text, strnlen(text, sizeof text)) + "|" + std::string(text + std::strlen(text) + 1, 2);
}

TEST_P(IdentityTest, GettersAnswerTheSameStrings) {
    const IdentityCase& row = GetParam();
    const std::unique_ptr<Ondulaxis> effect = row.create();
    EXPECT_EQ(written(&Ondulaxis::getEffectName, *effect), std::string(row.name) + "|xx");
    EXPECT_EQ(written(&Ondulaxis::getProductString, *effect), std::string(row.product) + "|xx");
    EXPECT_EQ(written(&Ondulaxis::getVendorString, *effect), "Brakkenholtmark|xx");
    EXPECT_EQ(effect->getVendorVersion(), 502);
    EXPECT_EQ(effect->getRecord()->uniqueID, row.uniqueId);
}

INSTANTIATE_TEST_SUITE_P(
    Plugins, IdentityTest,
    testing::Values(IdentityCase{"Ondulaxis", "Ondulaxis - Sinusoidal distortion unit", 0x4f646c78, create<Ondulaxis>},
                    IdentityCase{"Ondulaxis HQ", "Ondulaxis HQ - Sinusoidal distortion unit, oversampled",
                                 0x4f644851, create<OndulaxisHQ>}),
    [](const testing::TestParamInfo<IdentityCase>& info) { return std::to_string(info.index); });

}  // namespace
