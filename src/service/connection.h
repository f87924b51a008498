// A device connection as the service host drives it: starting its
// connector thread, stopping that thread from outside, and the wind-down
// steps that every end of a connection shares.
//
// `connectorActive` is 1 exactly while a connection is owned by someone:
// it is set before the connector thread starts, and whoever clears it (the
// connector thread at its end, the control handler on a removal or at
// pre-shutdown) by exchanging it for 0 owns that connection's wind-down,
// so the wind-down runs once. The connector lock serialises the starts of
// connections and their ends from outside, so that one connector thread
// works on `codecDevice` at a time.
#pragma once

#include "service/process_wide.h"

// Holds the connector lock for one start or end of a connection.
class ConnectorLockGuard {
 public:
  ConnectorLockGuard();
  ConnectorLockGuard(const ConnectorLockGuard&) = delete;
  ConnectorLockGuard& operator=(const ConnectorLockGuard&) = delete;
  ~ConnectorLockGuard();
};

// ---- connector lock held --------------------------------------------------------

// Sets `connectorActive` and starts the connector thread, whose handle is
// kept in `hConnectorThread`. Without a thread the flag is cleared again.
void StartConnectorThread();
// Ends the connector thread of a connection that the caller has taken over
// (`connectorActive` already 0) and closes its handle: the request it waits
// in is cancelled, again and again while it has not ended, since it may be
// between two requests or in a pause.
void StopConnectorThread();
// Waits for a connector thread that is winding its own connection down,
// then closes its handle. Only while `connectorActive` is 0.
void WaitForEndedConnector();

// ---- any thread -------------------------------------------------------------------

// The wind-down that every end of a connection shares, once its connector
// thread no longer runs (or from that thread itself): every worker of the
// connection is woken, sees `connectorActive` 0 and ends; the volume-limit
// popup and the switch window, on which a watcher may wait, are ended; the
// device (handle, device-information set, interface records) and the
// endpoint side are let go. The calling thread joins COM for the latter.
void WindDownConnection();

// Part of the process start-up and shut-down (service/process_life.cpp).
void StartConnectionObjects();
void EndConnectionObjects();
