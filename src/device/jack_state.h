// What the connector makes of a jack-state reply. Every failure becomes
// the end type, so that the connector's loop has a single way out; the
// start-up query is the exception for a wrong byte count, whose byte is
// used all the same.
#pragma once

#include "device/driver_requests.h"

// The type an IOCTL_CMD_JACKSTATE_INITIAL reply yields.
BYTE InitialJackType(const JackStateReply& reply);
// The type an IOCTL_CMD_JACKSTATE_NOTIFY reply yields; a new type (one that
// differs from `outputType`) is traced.
BYTE NotifiedJackType(const JackStateReply& reply, BYTE outputType);
