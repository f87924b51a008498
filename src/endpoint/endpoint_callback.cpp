// The one endpoint object of the process.
#include "endpoint/endpoint_callback.h"

constinit ProcessWide<EndpointCallback> serviceEndpoint;
