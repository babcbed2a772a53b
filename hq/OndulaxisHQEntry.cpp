#include "OndulaxisHQ.h"
#include "PluginEntry.h"

DEFINE_PLUGIN_ENTRY(OndulaxisHQ)
