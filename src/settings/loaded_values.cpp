// Storage of the loaded settings; StartProcessObjects gives them their
// built-in values before the settings object reads the registry.
#include "settings/loaded_values.h"

ProcessWide<int> volumeLimit;
ProcessWide<ServiceVersion> serviceVersion;
