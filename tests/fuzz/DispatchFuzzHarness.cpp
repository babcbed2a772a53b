#include "DispatchFuzzHarness.h"

#include <cstring>
#include <limits>
#include <vector>

#include "EffectRecord.h"
#include "Ondulaxis.h"
#include "PluginEntry.h"

namespace {

// Reads the script; past its end every read answers zero, which decodes to
// harmless calls, so any byte string is a valid script.
class ScriptReader {
public:
    ScriptReader(const uint8_t* data, std::size_t size) : data(data), size(size) {}

    bool done() const { return position >= size; }

    uint8_t byte() { return position < size ? data[position++] : 0; }

    template <class T>
    T raw() {
        T value{};
        unsigned char bytes[sizeof(T)] = {};
        for (auto& b : bytes) b = byte();
        std::memcpy(&value, bytes, sizeof(T));
        return value;
    }

    // Mostly small numbers around the interesting range, now and then any.
    int32_t integer() {
        const uint8_t selector = byte();
        if (selector < 0xE0) return static_cast<int32_t>(selector % 12) - 2;  // -2 .. 9
        if (selector < 0xF0) return static_cast<int32_t>(byte()) - 64;
        return raw<int32_t>();
    }

    float real() {
        static const float specials[] = {0.0f,
                                         -0.0f,
                                         0.5f,
                                         1.0f,
                                         -1.0f,
                                         2.0f,
                                         std::numeric_limits<float>::quiet_NaN(),
                                         -std::numeric_limits<float>::quiet_NaN(),
                                         std::numeric_limits<float>::infinity(),
                                         -std::numeric_limits<float>::infinity(),
                                         std::numeric_limits<float>::max(),
                                         std::numeric_limits<float>::denorm_min(),
                                         44100.0f,
                                         1e-30f};
        const uint8_t selector = byte();
        if (selector < 0x80) return static_cast<float>(selector) / 127.0f;  // 0 .. 1
        if (selector < 0xC0) return specials[selector % (sizeof specials / sizeof specials[0])];
        return raw<float>();
    }

private:
    const uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// What the host answers, decided by the script.
struct FuzzHost {
    static inline uint8_t pinMask = 0x0F;  // bit 0, 1: inputs; bit 2, 3: outputs
    static inline bool usable = true;

    static intptr_t callback(AEffect*, int32_t opcode, int32_t index, intptr_t value, void*, float) {
        switch (opcode) {
            case audioMasterVersion:
                return usable ? 2400 : 0;
            case audioMasterPinConnected: {
                if (index < 0 || index > 1 || value < 0 || value > 1) return 1;
                const int bit = static_cast<int>(value) * 2 + index;
                return (pinMask >> bit) & 1 ? 0 : 1;
            }
            default:
                return 0;
        }
    }
};

// Longer than one of the vector kernels' chunks, so their seams are reached.
constexpr int32_t maxFrames = 600;
constexpr std::size_t textBytes = 1024;

// A buffer of text for opcodes that read or write one: zeroed, or holding a
// string from the script, always terminated inside the buffer.
void fillText(ScriptReader& script, char* text) {
    std::memset(text, 0, textBytes);
    if (script.byte() % 4 != 0) return;
    const std::size_t length = script.byte() * 4u % textBytes;
    for (std::size_t i = 0; i < length && i + 1 < textBytes; ++i) text[i] = static_cast<char>(script.byte());
}

// Every channel is a heap block of exactly the block's length, so that a
// kernel reading or writing one sample too far is caught by the sanitizer.
void runBlock(ScriptReader& script, AEffect* record, bool replacing) {
    const int low = script.byte();
    const int high = script.byte();
    const int32_t frames = static_cast<int32_t>((low | high << 8) % (maxFrames + 8)) - 4;
    const std::size_t length = frames > 0 ? static_cast<std::size_t>(frames) : 0;
    std::vector<float> channels[4];
    for (auto& channel : channels) {
        float pattern[4] = {0.5f, -0.25f, 0.0f, 1.0f};
        if (script.byte() % 2 == 0) {
            for (float& value : pattern) value = script.real();
        }
        channel.resize(length);
        for (std::size_t i = 0; i < length; ++i) channel[i] = pattern[i % 4] * static_cast<float>(i % 7);
    }
    float* inputs[2] = {channels[0].data(), channels[1].data()};
    float* outputs[2] = {channels[2].data(), channels[3].data()};
    // A host may process in place.
    if (script.byte() % 4 == 0) outputs[0] = inputs[0];
    if (replacing) {
        record->processReplacing(record, inputs, outputs, frames);
    } else {
        record->process(record, inputs, outputs, frames);
    }
}

}  // namespace

void runDispatchFuzzInput(const uint8_t* data, std::size_t size) {
    ScriptReader script(data, size);
    const uint8_t setup = script.byte();
    FuzzHost::usable = (setup & 0x80) == 0;
    FuzzHost::pinMask = setup & 0x0F;

    AEffect* record = createEffectRecord<Ondulaxis>(&FuzzHost::callback);
    if (record == nullptr) return;

    alignas(16) static char text[textBytes];
    alignas(16) static char place[textBytes];  // where a pointer-valued `value` points
    for (int step = 0; step < 4096 && !script.done(); ++step) {
        switch (script.byte() % 8) {
            case 0:
            case 1:
            case 2:
            case 3: {
                int32_t opcode = script.integer();
                if (script.byte() % 2 == 0) opcode = static_cast<int32_t>(script.byte() % 80);
                const int32_t index = script.integer();
                intptr_t value = script.integer();
                const float opt = script.real();
                fillText(script, text);
                void* ptr = script.byte() % 3 == 0 ? nullptr : text;
                // For these two opcodes `value` is a pointer by the interface's
                // definition; a host passes null or a real place, never a number.
                if (opcode == 42 || opcode == 69) {
                    std::memset(place, 0, sizeof place);
                    value = script.byte() % 2 == 0 ? 0 : reinterpret_cast<intptr_t>(place);
                }
                if (opcode == effMainsChanged) FuzzHost::pinMask = script.byte() & 0x0F;
                record->dispatcher(record, opcode, index, value, ptr, opt);
                if (opcode == effClose) {
                    // The record is gone; a host would open a new instance.
                    record = createEffectRecord<Ondulaxis>(&FuzzHost::callback);
                    if (record == nullptr) return;
                }
                break;
            }
            case 4: {
                // Read one after the other: argument order would differ between compilers.
                const int32_t index = script.integer();
                const float value = script.real();
                record->setParameter(record, index, value);
                break;
            }
            case 5:
                (void)record->getParameter(record, script.integer());
                break;
            case 6:
                runBlock(script, record, true);
                break;
            default:
                runBlock(script, record, false);
                break;
        }
    }
    record->dispatcher(record, effClose, 0, 0, nullptr, 0.0f);
}
