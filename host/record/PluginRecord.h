// The host's names for the record interface a plug-in exposes, declared
// once for plug-ins and hosts alike in EffectRecord.h, and what this host
// answers about itself. A real host knows the interface only by its binary
// layout: nothing here comes from the plug-in's sources.
#pragma once

#include "EffectRecord.h"

#include <cstdint>

namespace ondulaxis::host {

using PluginRecord = AEffect;
// Requests from the plug-in to the host. `value` and the result are
// pointer-sized, so negative answers arrive sign-extended.
using HostCallback = audioMasterCallback;
// The exported function a host calls once per instance.
using EntryFunction = PluginRecord* (*)(HostCallback callback);

constexpr int32_t kRecordMagic = kEffectMagic;

// The interface version this host reports.
constexpr intptr_t kHostInterfaceVersion = 2300;

// Who this host says it is, and the process levels it reports: "user" on
// the thread that sets up, "offline" while it renders a block.
constexpr const char* kHostVendor = "Ondulaxis";
constexpr const char* kHostProduct = "ondulaxis host";
constexpr intptr_t kHostVendorVersion = 1000;  // 1.0.0
constexpr intptr_t kProcessLevelUser = 1;
constexpr intptr_t kProcessLevelOffline = 4;

}  // namespace ondulaxis::host
