// The audio stack's COM objects, as the other objects and CoCreateInstance
// create them. Each function makes a new object with one reference for
// the caller, owned by the calling thread's process (lock held).
#pragma once

#include <string>
#include <vector>

#include "audio_state.h"
#include "com_ids.h"

namespace sim::audio {

IMMDeviceEnumerator* NewEnumerator();
IMMDeviceCollection* NewCollection(std::vector<const EndpointRecord*> endpoints);
IMMDevice* NewDevice(const EndpointRecord& endpoint);
IPropertyStore* NewPropertyStore(const EndpointRecord& endpoint);
IAudioEndpointVolume* NewEndpointVolume(const EndpointRecord& endpoint);
IDeviceTopology* NewTopology(const EndpointRecord& endpoint);
IPolicyConfig* NewPolicyConfig();
IPolicyConfigVista* NewPolicyConfigVista();

}  // namespace sim::audio
