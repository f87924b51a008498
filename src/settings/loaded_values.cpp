// Storage of the loaded settings; StartProcessObjects gives them their
// built-in values before the settings object reads the registry.
#include "settings/loaded_values.h"

constinit ProcessWide<int> volumeLimit;
constinit ProcessWide<ServiceVersion> serviceVersion;
