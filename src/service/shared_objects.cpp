// Storage of the shared thread flags; StartProcessObjects gives them their
// initial values in every process life.
#include "service/shared_objects.h"

constinit ProcessWide<std::atomic<std::uint8_t>> outputType;
