#include "Ondulaxis.h"
#include "PluginEntry.h"

DEFINE_PLUGIN_ENTRY(Ondulaxis)
