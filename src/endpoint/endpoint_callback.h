// The service's side of the Windows audio stack: the endpoint objects and
// the notification callbacks.
#pragma once

#include "service/process_wide.h"

// Holds the Core Audio objects and binds to the default render endpoint.
// Its members and methods arrive with the endpoint attachment.
class EndpointCallback {};

extern ProcessWide<EndpointCallback> serviceEndpoint;
