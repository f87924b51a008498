// The one endpoint object of the process.
#include "endpoint/endpoint_callback.h"

ProcessWide<EndpointCallback> serviceEndpoint;
