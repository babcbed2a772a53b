#include "ClapSession.h"

#include "HostError.h"
#include "UntouchedOutput.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace ondulaxis::host {

namespace {

std::optional<double> bareNumber(const std::string& text) {
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || end != text.data() + text.size() || error != std::errc()) return std::nullopt;
    return value;
}

std::string numberText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

// Prefers a configuration whose main input and output both carry the
// file's channels; keeps the plug-in's current one otherwise.
void choosePortsConfig(ClapInstance& instance, int channels) {
    for (const ClapPortsConfig& config : instance.portsConfigs()) {
        if (config.hasMainInput && config.hasMainOutput && config.mainInputChannels == uint32_t(channels) &&
            config.mainOutputChannels == uint32_t(channels)) {
            if (instance.selectPortsConfig(config.id)) return;
        }
    }
}

int32_t mainChannels(const std::vector<ClapPort>& ports) {
    return ports.empty() ? 0 : static_cast<int32_t>(std::min<uint32_t>(ports.front().channels, 64));
}

}  // namespace

ChannelLayout planClapLayout(ClapInstance& instance, int channels) {
    choosePortsConfig(instance, channels);
    return planChannelLayout(mainChannels(instance.ports(true)), mainChannels(instance.ports(false)), channels);
}

ChannelLayout ClapSource::planLayout(int channels) const {
    ClapInstance probe(library_, pluginId_);
    return planClapLayout(probe, channels);
}

std::vector<ClapParameterAssignment> resolveClapSettings(const ClapInstance& instance,
                                                         const std::vector<ParameterSetting>& settings) {
    const std::vector<ClapParameter>& parameters = instance.parameters();
    std::vector<std::string> names;
    for (const ClapParameter& parameter : parameters) names.push_back(parameter.name);
    std::vector<ClapParameterAssignment> assignments;
    for (const ParameterSetting& setting : settings) {
        const std::size_t index = parameterIndex(names, setting.name);
        const ClapParameter* found = &parameters[index];
        std::optional<double> value = setting.display.empty() ? std::optional<double>(setting.value)
                                                              : bareNumber(setting.display);
        if (!value) value = instance.textToValue(index, setting.display);
        if (!value) {
            throw SettingError(setting.name + "=" + setting.display + ": the plug-in reads no value of " + found->name +
                            " from '" + setting.display + "' (it shows e.g. " +
                            instance.valueText(index, found->defaultValue) + ", or give a value from " +
                            numberText(found->minimum) + " to " + numberText(found->maximum) + ")");
        }
        if (!std::isfinite(*value) || *value < found->minimum || *value > found->maximum) {
            throw SettingError(setting.name + "=" + (setting.display.empty() ? numberText(*value) : setting.display) +
                            " is out of range: " + found->name + " takes values from " + numberText(found->minimum) +
                            " to " + numberText(found->maximum));
        }
        assignments.push_back({index, *value});
    }
    return assignments;
}

ClapSession::ClapSession(std::shared_ptr<const ClapLibrary> library, const std::string& pluginId,
                         const SessionSettings& settings)
    : blockSize_(settings.blockSize), sampleRate_(settings.sampleRate), blockCounter_(settings.blockCounter) {
    if (blockSize_ < 1) throw HostError("block size must be at least 1");
    events_.in.ctx = &events_;
    events_.in.size = [](const ClapInputEvents* list) { return static_cast<const EventList*>(list->ctx)->count; };
    events_.in.get = [](const ClapInputEvents* list, uint32_t index) -> const ClapEventHeader* {
        const auto* events = static_cast<const EventList*>(list->ctx);
        return index < events->count ? &events->events[index].header : nullptr;
    };
    // What the plug-in says back (gestures, its own value changes) does not
    // concern an offline render.
    events_.out.ctx = nullptr;
    events_.out.try_push = [](const ClapOutputEvents*, const ClapEventHeader*) { return true; };

    Group first;
    first.instance = std::make_unique<ClapInstance>(library, pluginId);
    layout_ = planClapLayout(*first.instance, settings.channels);
    if (!layout_.usable()) {
        throw HostError("cannot render through " + first.instance->displayName() + ": " + layout_.refusal);
    }
    std::vector<ClapParameterAssignment> assignments = resolveClapSettings(*first.instance, settings.parameters);
    if (settings.bypass) {
        // A plug-in with a bypass parameter bypasses itself, delayed alike;
        // any other is bypassed by the host, which copies the input.
        const std::vector<ClapParameter>& parameters = first.instance->parameters();
        const auto bypass = std::find_if(parameters.begin(), parameters.end(), [](const ClapParameter& parameter) {
            return (parameter.flags & CLAP_PARAM_IS_BYPASS) != 0;
        });
        if (bypass != parameters.end()) {
            assignments.push_back({static_cast<std::size_t>(bypass - parameters.begin()), bypass->maximum});
            bypassMode_ = BypassMode::plugin;
        } else {
            bypassMode_ = BypassMode::host;
        }
    }
    for (const ClapParameterAssignment& assignment : assignments) {
        const ClapParameter& parameter = first.instance->parameters()[assignment.index];
        ClapParamValueEvent event{};
        event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
        event.param_id = parameter.id;
        event.cookie = parameter.cookie;
        event.note_id = event.port_index = event.channel = event.key = -1;
        event.value = assignment.value;
        events_.events.push_back(event);
    }
    groups_.push_back(std::move(first));
    while (static_cast<int>(groups_.size()) < layout_.instances) {
        Group group;
        group.instance = std::make_unique<ClapInstance>(library, pluginId);
        choosePortsConfig(*group.instance, layout_.groupChannels);
        groups_.push_back(std::move(group));
    }
    for (std::size_t index = 0; index < groups_.size(); ++index) {
        groups_[index].firstChannel = index * static_cast<std::size_t>(layout_.groupChannels);
        prepare(groups_[index]);
    }
    for (Group& group : groups_) latency_ = std::max(latency_, group.instance->latency());
}

ClapSession::~ClapSession() = default;

void ClapSession::prepare(Group& group) {
    ClapInstance& instance = *group.instance;
    const std::size_t length = static_cast<std::size_t>(blockSize_);
    const auto allocate = [&](const std::vector<ClapPort>& ports, std::vector<std::vector<float>>& channels,
                              std::vector<float*>& pointers, std::vector<ClapAudioBuffer>& buffers) {
        std::size_t total = 0;
        for (const ClapPort& port : ports) total += port.channels;
        channels.assign(total, std::vector<float>(length, 0.0f));
        pointers.clear();
        for (auto& channel : channels) pointers.push_back(channel.data());
        buffers.clear();
        std::size_t next = 0;
        for (const ClapPort& port : ports) {
            buffers.push_back({port.channels > 0 ? pointers.data() + next : nullptr, nullptr, port.channels, 0, 0});
            next += port.channels;
        }
    };
    allocate(instance.ports(true), group.inputs, group.inputPointers, group.inputPorts);
    allocate(instance.ports(false), group.outputs, group.outputPointers, group.outputPorts);

    instance.setOfflineRendering();
    // Handed over while inactive, so that the activation below already
    // knows them (the latency may depend on them).
    if (instance.hasParameterFlush() && !events_.events.empty()) {
        events_.count = static_cast<uint32_t>(events_.events.size());
        instance.flushParameters(events_.in, events_.out);
        events_.count = 0;
    }
    activate(group);
    // The first process call carries the values too (for a plug-in without
    // flush), on one silent frame that shows whether it writes its outputs.
    prepareOutputCheck(group.inputs, group.outputs);
    run(group, 1, true);
    if (anyOutputUntouched(group.outputs, static_cast<std::size_t>(layout_.groupChannels))) {
        throw HostError("plug-in " + instance.displayName() + " produced no output after it was activated");
    }
    handleRequests(group);
}

void ClapSession::activate(Group& group) {
    ClapInstance& instance = *group.instance;
    if (!instance.activate(sampleRate_, static_cast<uint32_t>(blockSize_))) {
        throw HostError("plug-in " + instance.displayName() + " refused to activate at " + numberText(sampleRate_) +
                        " Hz with blocks of up to " + std::to_string(blockSize_) + " frames");
    }
    if (!instance.startProcessing()) {
        throw HostError("plug-in " + instance.displayName() + " refused to start processing");
    }
    const uint32_t latency = instance.latency();
    // A delay of more than a minute at the rate is no delay a render can take.
    if (static_cast<double>(latency) > 60.0 * sampleRate_) {
        throw HostError("plug-in " + instance.displayName() + " reports a latency of " + std::to_string(latency) +
                        " frames, more than a minute at " + numberText(sampleRate_) + " Hz");
    }
}

void ClapSession::run(Group& group, uint32_t frames, bool withEvents) {
    ClapProcessBlock process{};
    process.steady_time = steadyTime_;
    process.frames_count = frames;
    process.transport = nullptr;
    process.audio_inputs = group.inputPorts.empty() ? nullptr : group.inputPorts.data();
    process.audio_outputs = group.outputPorts.empty() ? nullptr : group.outputPorts.data();
    process.audio_inputs_count = static_cast<uint32_t>(group.inputPorts.size());
    process.audio_outputs_count = static_cast<uint32_t>(group.outputPorts.size());
    process.in_events = &events_.in;
    process.out_events = &events_.out;
    for (ClapAudioBuffer& port : group.outputPorts) port.constant_mask = 0;
    events_.count = withEvents ? static_cast<uint32_t>(events_.events.size()) : 0;
    const ClapProcessStatus status = group.instance->process(process);
    events_.count = 0;
    if (status == CLAP_PROCESS_ERROR) {
        throw HostError("plug-in " + group.instance->displayName() + " reported an error while processing");
    }
    // A channel marked constant need only hold its first sample.
    if (!group.outputPorts.empty() && group.outputPorts.front().constant_mask != 0) {
        const ClapAudioBuffer& main = group.outputPorts.front();
        for (uint32_t channel = 0; channel < main.channel_count && channel < 64; ++channel) {
            if ((main.constant_mask >> channel) & 1) std::fill_n(main.data32[channel] + 1, frames - 1, main.data32[channel][0]);
        }
    }
}

bool ClapSession::handleRequests(Group& group) {
    ClapInstance& instance = *group.instance;
    instance.runMainThreadCallback();
    // A latency change announced while activating is read after activate
    // anyway; any later one comes with a restart request.
    if (!instance.takeRestartRequest()) return false;
    instance.deactivate();
    activate(group);
    return true;
}

void ClapSession::processBlock(const float* interleavedIn, float* interleavedOut, int32_t frames) {
    if (frames < 0 || frames > blockSize_) throw HostError("block longer than the announced block size");
    if (blockCounter_ != nullptr) {
        blockCounter_->store(blockCounter_->load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    }
    const std::size_t count = static_cast<std::size_t>(frames);
    const std::size_t stride = static_cast<std::size_t>(layout_.fileChannels);
    if (bypassMode_ == BypassMode::host) {
        std::copy_n(interleavedIn, count * stride, interleavedOut);
        return;
    }
    if (frames == 0) return;
    const std::size_t own = static_cast<std::size_t>(layout_.groupChannels);
    for (Group& group : groups_) {
        const uint32_t latency = handleRequests(group) ? group.instance->latency() : latency_;
        if (latency != latency_) {
            throw HostError("plug-in " + group.instance->displayName() + " changed its latency from " +
                            std::to_string(latency_) + " to " + std::to_string(latency) +
                            " frames during the render; the output could no longer be aligned");
        }
        for (std::size_t channel = 0; channel < own; ++channel) {
            float* __restrict input = group.inputs[channel].data();
            const float* source = interleavedIn + group.firstChannel + channel;
            for (std::size_t frame = 0; frame < count; ++frame) input[frame] = source[frame * stride];
        }
        run(group, static_cast<uint32_t>(frames), false);
        for (std::size_t channel = 0; channel < own; ++channel) {
            const float* __restrict output = group.outputs[channel].data();
            float* target = interleavedOut + group.firstChannel + channel;
            for (std::size_t frame = 0; frame < count; ++frame) target[frame * stride] = output[frame];
        }
    }
    steadyTime_ += frames;
}

void ClapSession::finish() {
    for (Group& group : groups_) group.instance->deactivate();
}

std::string ClapSession::parameterName(int32_t index) {
    const auto& parameters = instance().parameters();
    return index >= 0 && static_cast<std::size_t>(index) < parameters.size() ? parameters[std::size_t(index)].name
                                                                              : std::string();
}

double ClapSession::parameterValue(int32_t index) {
    return index >= 0 ? instance().value(static_cast<std::size_t>(index)) : 0.0;
}

std::string ClapSession::parameterDisplay(int32_t index) {
    if (index < 0) return {};
    const std::size_t at = static_cast<std::size_t>(index);
    return instance().valueText(at, instance().value(at));
}

}  // namespace ondulaxis::host
