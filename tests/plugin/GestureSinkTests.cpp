// The interface's gesture sink, driven as an editor drives it: the host
// hears begin, the automated value and end, in order, and the effect takes
// the value.
#include "GestureSink.h"
#include "PluginTestSupport.h"

namespace {

class ValueEffect : public BareEffect {
public:
    using BareEffect::BareEffect;
    void setParameter(int32_t index, float value) override {
        taken.push_back({index, value});
    }
    std::vector<std::pair<int32_t, float>> taken;
};

TEST(GestureSink, EffectSinkSendsBeginAutomateEndInOrder) {
    MockHost host;
    ValueEffect effect(MockHost::callback);  // eight parameters
    host.calls.clear();
    EffectGestureSink sink(effect);
    GestureSink& editor = sink;
    editor.begin(3);
    editor.change(3, 0.25f);
    editor.end(3);
    // No such parameters: nothing reaches the host or the effect.
    editor.begin(8);
    editor.change(-1, 0.5f);
    editor.end(8);

    ASSERT_EQ(host.calls.size(), 3u);
    const int32_t opcodes[] = {audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit};
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(host.calls[k].effect, effect.getRecord());
        EXPECT_EQ(host.calls[k].opcode, opcodes[k]);
        EXPECT_EQ(host.calls[k].index, 3);
    }
    EXPECT_EQ(host.calls[1].opt, 0.25f);
    EXPECT_EQ(effect.taken, (std::vector<std::pair<int32_t, float>>{{3, 0.25f}}));
}

}  // namespace
