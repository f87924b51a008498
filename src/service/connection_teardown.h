// The control handler's ends of a device connection: after a removal of
// the codec's interface, and before the system shuts down.
#pragma once

// Nothing when no connection is active, but a connector thread that is
// still winding its own connection down is waited for. Otherwise the
// connector thread is stopped, every worker of the connection woken and
// the volume-limit popup and switch window ended, the device let go and
// the endpoint side disposed of. A chime window stays.
void TearDownAfterRemoval();
// Nothing when no connection is active. Otherwise the stored headphone
// volume is capped at the limit, and the connection torn down as after a
// removal, with the output set to the speaker.
void TearDownForPreShutdown();
