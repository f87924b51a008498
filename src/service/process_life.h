// The life of the service process: the start-up routine that builds every
// process-wide object in its documented order, the wide entry point, and the
// shut-down routine that destroys the objects in reverse order.
#pragma once

// Builds, in this order: the loaded settings values, the shared thread
// objects' flags, `registryEntry`, `serviceEndpoint`, `codecDevice`,
// `popupExeNames`.
void StartProcessObjects();
// Destroys them in reverse order; the settings key is closed last.
void EndProcessObjects();
// The wide entry point: "install" registers the service, anything else hands
// the main thread to the service control dispatcher. Always returns 0.
int ServiceEntry(int argc, wchar_t** argv);
