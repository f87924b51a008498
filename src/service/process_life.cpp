// Start-up and shut-down of the service's process-wide objects.
//
// Every process-wide object and value of the service lives in a
// ProcessWide<T> (service/process_wide.h): storage that is constant-
// initialised and holds no object until StartProcessObjects builds one.
// The objects are therefore built in exactly the order below, which no
// order of static initialisation between files could promise, and torn
// down in exactly the reverse order by EndProcessObjects.
//
// Who calls the two routines:
//  - On Windows, service/windows_startup.cpp holds one static object whose
//    constructor calls StartProcessObjects before wmain runs and whose
//    destructor calls EndProcessObjects at process exit. That file is only
//    compiled into the Windows executable.
//  - On the simulated machine, each process life (sim::RunProgram, or
//    sim::StartProgram in test fixtures) calls StartProcessObjects as the
//    program's start-up routine and EndProcessObjects after its threads
//    have been unwound, so every flag, counter and object starts afresh in
//    every life, however many lives a test binary runs.
//
// The order matters: the settings object reads the registry into the
// loaded values and prints the output type in its traces, so those exist
// before it; the endpoint and device objects read the settings.
#include "service/process_life.h"

#include "device/device_connector.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/jack_probe.h"
#include "launcher/popup_exe_names.h"
#include "service/connection.h"
#include "service/service_status.h"
#include "service/shared_objects.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"

void StartProcessObjects() {
  volumeLimit.Create(BUILT_IN_VOLUME_LIMIT);
  serviceVersion.Create(ServiceVersion{BUILT_IN_SERVICE_VERSION});
  StartSharedObjects();
  StartServiceStatus();
  StartConnectionObjects();
  registryEntry.Create();
  serviceEndpoint.Create();
  StartJackProbe();
  codecDevice.Create();
  popupExeNames.Create();
}

void EndProcessObjects() {
  popupExeNames.Destroy();
  codecDevice.Destroy();
  EndJackProbe();
  serviceEndpoint.Destroy();
  registryEntry.Destroy();
  EndConnectionObjects();
  EndServiceStatus();
  EndSharedObjects();
  serviceVersion.Destroy();
  volumeLimit.Destroy();
}
