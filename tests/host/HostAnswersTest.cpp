// What a plug-in learns by asking the host, and what the host trusts of its
// answers, with a stub that reports back what it was told.
#include "EffectSession.h"
#include "PluginTestSupport.h"

namespace ondulaxis::host::test {
namespace {

std::shared_ptr<const PluginLibrary> asker() { return std::make_shared<const PluginLibrary>(stubPath("AsksTheHost")); }

TEST(HostAnswersTest, TellsTheSessionsValuesAndItsOwnName) {
    SessionSettings settings;
    settings.sampleRate = 44100.0;
    settings.blockSize = 256;
    EffectSession session(asker(), settings);
    // Rate, block size, process level while setting up, host version, vendor/product.
    EXPECT_EQ(session.instance().effectName(), "44100 256 1 1000 Ondulaxis/ondulaxis host");
    // Asked in its entry function and at open, before it is told: the
    // session's values already.
    EXPECT_EQ(session.instance().productString(), "44100 256 / 44100 256");
    std::vector<float> audio(2 * 256, 0.25f);
    session.processBlock(audio.data(), audio.data(), 256);
    EXPECT_EQ(session.instance().parameterDisplay(0), "4") << "the process level while rendering";
}

// The empty block after the settings is what hands them to a plug-in that
// shows only applied values; and a plug-in that says it cannot bypass is
// bypassed by the host even when it accepts the request.
TEST(HostAnswersTest, HandsOverSettingsAndTrustsOnlyAYesToBypass) {
    SessionSettings settings;
    settings.parameters = {{"Oversample", 0.25f}};
    settings.bypass = true;
    EffectSession session(asker(), settings);
    EXPECT_EQ(session.instance().getParameter(0), 0.25f);
    EXPECT_EQ(session.bypassMode(), BypassMode::host);
}

}  // namespace
}  // namespace ondulaxis::host::test
