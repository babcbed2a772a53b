#include "ClapParameters.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "ClapState.h"
#include "HQParameters.h"
#include "ParameterRecords.h"

namespace clapParameters {
namespace {

// Every value of either plug-in has its place in an instance and in a saved state.
static_assert(ondulaxisHQParameters.count() <= static_cast<int32_t>(clapState::maxValues) &&
              ondulaxisParameters.count() <= static_cast<int32_t>(clapState::maxValues));

bool stepped(const ParameterRecord& record) noexcept { return record.steps > 0; }

double minimumOf(const ParameterRecord& record) noexcept {
    return stepped(record) ? 0.0 : static_cast<double>(record.displayMinimum);
}

double maximumOf(const ParameterRecord& record) noexcept {
    return stepped(record) ? static_cast<double>(record.steps) : static_cast<double>(record.displayMaximum);
}

// Copies `text` whole or not at all.
bool copyText(std::string_view text, char* out, uint32_t capacity) noexcept {
    if (out == nullptr || capacity == 0) {
        return false;
    }
    if (text.size() >= capacity) {
        out[0] = '\0';
        return false;
    }
    // An empty view may have no data at all.
    if (!text.empty()) std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

}  // namespace

const ParameterRecord* find(const ParameterTable& table, ClapId id) noexcept {
    return id < static_cast<ClapId>(table.count()) ? table.find(static_cast<int32_t>(id)) : nullptr;
}

uint32_t count(const ParameterTable& table) noexcept { return static_cast<uint32_t>(table.count()); }

bool describe(const ParameterTable& table, uint32_t index, ClapParamInfo* info) noexcept {
    const ParameterRecord* record = find(table, index);
    if (record == nullptr || info == nullptr) {
        return false;
    }
    std::memset(info, 0, sizeof *info);
    info->id = index;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (stepped(*record) ? uint32_t{CLAP_PARAM_IS_STEPPED} : 0u);
    info->cookie = nullptr;
    copyText(record->name, info->name, sizeof info->name);
    info->min_value = minimumOf(*record);
    info->max_value = maximumOf(*record);
    info->default_value = static_cast<double>(defaultValue(*record));
    return true;
}

bool settle(const ParameterRecord& record, double value, double& display) noexcept {
    if (std::isnan(value)) {
        return false;
    }
    const double clamped = std::clamp(value, minimumOf(record), maximumOf(record));
    display = stepped(record) ? std::trunc(clamped) : clamped;
    return true;
}

float normalised(const ParameterRecord& record, double display) noexcept {
    if (stepped(record)) {
        return static_cast<float>(display) / static_cast<float>(record.steps);
    }
    return parameterValues::toNormalised(record, display);
}

double fromNormalised(const ParameterRecord& record, float normalised) noexcept {
    return stepped(record) ? parameterValues::stepOf(record, normalised)
                           : parameterValues::displayOf(record, normalised);
}

double defaultValue(const ParameterRecord& record) noexcept {
    if (stepped(record)) {
        return parameterValues::stepOf(record, record.defaultValue);
    }
    return parameterValues::displayDefault(record);
}

bool toText(const ParameterRecord& record, double value, char* text, uint32_t capacity) noexcept {
    double display = 0.0;
    if (!settle(record, value, display)) {
        copyText({}, text, capacity);
        return false;
    }
    // The formatter's at most 7 characters, then a space and the label
    // after a number ("4.42 %", but "Off").
    char shown[8 + 1 + 64] = {};
    record.format(normalised(record, display), shown);
    const std::string_view label = record.label != nullptr ? record.label : "";
    const bool number = (shown[0] >= '0' && shown[0] <= '9') || shown[0] == '-';
    if (number && !label.empty() && label.size() < sizeof shown - std::strlen(shown) - 1) {
        std::strcat(shown, " ");
        std::strncat(shown, label.data(), label.size());
    }
    return copyText(shown, text, capacity);
}

bool fromText(const ParameterRecord& record, const char* text, double& value) noexcept {
    float normalisedValue = 0.0f;
    if (text == nullptr) {
        return false;
    }
    // The shared reading takes a display with or without its label, so
    // "Off %" as well as "4.42 %".
    if (!parameterValues::normalisedFromText(record, text, normalisedValue)) {
        return false;
    }
    // A value that maps back to exactly this normalised one, so the text
    // read shows again as it was typed.
    value = fromNormalised(record, normalisedValue);
    return true;
}

}  // namespace clapParameters
