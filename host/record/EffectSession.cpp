#include "EffectSession.h"

#include "HostError.h"
#include "UntouchedOutput.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

namespace ondulaxis::host {

namespace {

std::string normalisedText(std::string text) {
    std::string kept;
    for (const char c : text) {
        if (c != ' ') kept += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return kept;
}

// A text read as a number and what follows it ("37.000%" is 37 and "%",
// with 3 decimals).
struct NumberText {
    double number = 0.0;
    int decimals = 0;
    std::string unit;
};

std::optional<NumberText> numberText(const std::string& text) {
    const std::string kept = normalisedText(text);
    const char* begin = kept.data();
    const char* end = kept.data() + kept.size();
    if (begin != end && *begin == '+') ++begin;
    NumberText result;
    const auto [stop, error] = std::from_chars(begin, end, result.number, std::chars_format::fixed);
    if (stop == begin || error != std::errc() || !std::isfinite(result.number)) return std::nullopt;
    const char* point = std::find(begin, stop, '.');
    result.decimals = point == stop ? 0 : static_cast<int>(stop - point - 1);
    result.unit.assign(stop, end);
    return result;
}

// Whether a display (with its label) shows what the user typed: the same
// text ignoring case and spaces, or the same number at the display's
// precision ("37%" for "37.000" "%"), with the same unit or none.
bool displayShows(const std::string& display, const std::string& label, const std::string& typed) {
    const std::string wanted = normalisedText(typed);
    if (normalisedText(display) == wanted || normalisedText(display + label) == wanted) return true;
    const std::optional<NumberText> shown = numberText(display + label);
    const std::optional<NumberText> given = numberText(typed);
    if (!shown || !given || (!given->unit.empty() && given->unit != shown->unit)) return false;
    const double halfStep = 0.5 * std::pow(10.0, -shown->decimals);
    return std::fabs(given->number - shown->number) <= halfStep * (1.0 + 1e-9);
}

// The value of a parameter whose display (with or without its label) reads
// `text`. The plug-in's own reading of the text comes first, when it has
// one (it knows its words and curves). Otherwise a stepped parameter shows
// few distinct texts: its canonical values are then i/(steps - 1), tried
// first; otherwise the middle of the range of values that show the text.
// The parameter is left as it was.
float valueWithDisplay(PluginInstance& instance, int32_t index, const std::string& name, const std::string& text) {
    constexpr int kProbes = 1000;
    const float original = instance.getParameter(index);
    const std::string label = instance.parameterLabel(index);
    const auto shows = [&](float value) {
        instance.setParameter(index, value);
        return displayShows(instance.parameterDisplay(index), label, text);
    };
    if (instance.setParameterFromText(index, text)) {
        const float value = instance.getParameter(index);
        instance.setParameter(index, original);
        if (value >= 0.0f && value <= 1.0f) return value;
    }
    std::vector<std::string> distinct;
    int first = -1;
    int last = -1;
    for (int probe = 0; probe <= kProbes; ++probe) {
        const float value = static_cast<float>(probe) / kProbes;
        if (shows(value)) {
            if (first < 0) first = probe;
            last = probe;
        }
        const std::string display = instance.parameterDisplay(index);
        if (distinct.empty() || distinct.back() != display) distinct.push_back(display);
    }
    float found = -1.0f;
    const std::size_t steps = distinct.size();
    if (steps >= 2 && steps <= 32) {
        for (std::size_t step = 0; step < steps && found < 0.0f; ++step) {
            const float value = static_cast<float>(step) / static_cast<float>(steps - 1);
            if (shows(value)) found = value;
        }
    }
    if (found < 0.0f && first >= 0) found = static_cast<float>(first + last) / (2.0f * kProbes);
    instance.setParameter(index, original);
    if (found >= 0.0f) return found;
    std::string message = name + "=" + text + ": no value of " + name + " shows " + text;
    const std::string unit = label.empty() ? "" : " " + label;
    if (steps <= 32) {
        std::string shown;
        for (const std::string& display : distinct) shown += (shown.empty() ? "" : ", ") + display;
        message += "; it shows " + shown;
    } else {
        message += "; it shows " + distinct.front() + unit + " to " + distinct.back() + unit;
    }
    throw SettingError(message + " (or give a normalised value from 0 to 1)");
}

}  // namespace

std::vector<ParameterAssignment> resolveParameterSettings(PluginInstance& instance,
                                                          const std::vector<ParameterSetting>& settings) {
    std::vector<std::string> names;
    for (int32_t index = 0; index < instance.record().numParams; ++index) {
        names.push_back(instance.parameterName(index));
    }
    std::vector<ParameterAssignment> assignments;
    for (const ParameterSetting& setting : settings) {
        const auto found = static_cast<int32_t>(parameterIndex(names, setting.name));
        const float value =
            setting.display.empty() ? setting.value : valueWithDisplay(instance, found, setting.name, setting.display);
        assignments.push_back({found, value});
    }
    return assignments;
}


EffectSession::EffectSession(std::shared_ptr<const PluginLibrary> library, const SessionSettings& settings)
    : EffectSession(std::make_unique<PluginInstance>(std::move(library), static_cast<float>(settings.sampleRate),
                                                      settings.blockSize),
                    settings) {}

EffectSession::EffectSession(std::unique_ptr<PluginInstance> instance, const SessionSettings& settings)
    : instance_(std::move(instance)), channels_(settings.channels), blockSize_(settings.blockSize) {
    if (channels_ < 1 || channels_ > 2) {
        throw HostError("cannot process " + std::to_string(channels_) +
                        " channels: only mono and stereo are supported");
    }
    if (blockSize_ < 1) throw HostError("block size must be at least 1");
    const PluginRecord& record = instance_->record();
    if (record.numInputs < channels_ || record.numOutputs < channels_) {
        throw HostError("the plug-in has " + std::to_string(record.numInputs) + " input(s) and " +
                        std::to_string(record.numOutputs) + " output(s); " + std::to_string(channels_) +
                        " of each are needed");
    }
    replacing_ = !settings.accumulate && (record.flags & effFlagsCanReplacing) != 0;

    // The plug-in may index any channel it announces, connected or not.
    const std::size_t inputCount = static_cast<std::size_t>(std::max(record.numInputs, 2));
    const std::size_t outputCount = static_cast<std::size_t>(std::max(record.numOutputs, 2));
    const std::size_t length = static_cast<std::size_t>(blockSize_);
    inputs_.assign(inputCount, std::vector<float>(length, 0.0f));
    outputs_.assign(outputCount, std::vector<float>(length, 0.0f));
    for (auto& buffer : inputs_) inputPointers_.push_back(buffer.data());
    for (auto& buffer : outputs_) outputPointers_.push_back(buffer.data());

    try {
        instance_->open();
        instance_->setSampleRate(static_cast<float>(settings.sampleRate));
        instance_->setBlockSize(blockSize_);
        const std::vector<ParameterAssignment> assignments =
            resolveParameterSettings(*instance_, settings.parameters);
        instance_->setConnections(PinConnections::forChannels(channels_));
        instance_->mainsChanged(true);
        switchedOn_ = true;
        checkProcessing();
        for (const ParameterAssignment& assignment : assignments) {
            instance_->setParameter(assignment.index, assignment.value);
        }
        if (settings.bypass) {
            // A plug-in that does not say it can bypass may ignore the
            // request and go on processing; the host then bypasses it.
            const bool ownBypass = instance_->canDo("bypass") == 1 && instance_->setBypass(true) != 0;
            bypassMode_ = ownBypass ? BypassMode::plugin : BypassMode::host;
        }
        // Some plug-ins take values only at a block, and show and save the
        // older ones until then; an empty block hands them over without
        // touching audio.
        runBlock(0);
    } catch (...) {
        if (switchedOn_) instance_->mainsChanged(false);
        switchedOn_ = false;
        throw;
    }
}

EffectSession::~EffectSession() {
    if (instance_ != nullptr && instance_->isOpen()) {
        if (switchedOn_) instance_->mainsChanged(false);
        instance_->close();
    }
}

void EffectSession::checkProcessing() {
    // Only a replacing plug-in shows whether it wrote its outputs; the
    // interface gives a host no other sign that resume was refused.
    if ((instance_->record().flags & effFlagsCanReplacing) == 0) return;
    prepareOutputCheck(inputs_, outputs_);
    instance_->processReplacing(inputPointers_.data(), outputPointers_.data(), 1);
    if (anyOutputUntouched(outputs_, static_cast<std::size_t>(channels_))) {
        throw HostError("the plug-in did not switch on for " + std::string(channels_ == 1 ? "mono" : "stereo") +
                        " audio: it produced no output after resume");
    }
}

void EffectSession::runBlock(int32_t frames) {
    if (replacing_) {
        instance_->processReplacing(inputPointers_.data(), outputPointers_.data(), frames);
    } else {
        for (auto& buffer : outputs_) std::fill_n(buffer.begin(), frames, 0.0f);
        instance_->process(inputPointers_.data(), outputPointers_.data(), frames);
    }
}

void EffectSession::processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames, int stride) {
    if (frames < 0 || frames > blockSize_) throw HostError("block longer than the announced block size");
    const std::size_t count = static_cast<std::size_t>(frames);
    const std::size_t step = static_cast<std::size_t>(std::max(stride, channels_));
    const std::size_t own = static_cast<std::size_t>(channels_);
    if (bypassMode_ == BypassMode::host) {
        for (std::size_t frame = 0; frame < count; ++frame) {
            std::copy_n(interleavedIn + frame * step, own, interleavedOut + frame * step);
        }
        return;
    }
    for (std::size_t channel = 0; channel < own; ++channel) {
        float* __restrict input = inputs_[channel].data();
        for (std::size_t frame = 0; frame < count; ++frame) input[frame] = interleavedIn[frame * step + channel];
    }
    runBlock(frames);
    for (std::size_t channel = 0; channel < own; ++channel) {
        const float* __restrict output = outputs_[channel].data();
        for (std::size_t frame = 0; frame < count; ++frame) interleavedOut[frame * step + channel] = output[frame];
    }
}

void EffectSession::finish() {
    if (switchedOn_) instance_->mainsChanged(false);
    switchedOn_ = false;
    instance_->close();
}

}  // namespace ondulaxis::host
