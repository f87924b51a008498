// Notifications of the audio stack: the registered callbacks, and their
// delivery on two threads of the machine's own, one for device
// notifications and one for volume notifications, never inside the call
// that caused them. Everything here needs the machine lock held.
#pragma once

#include <optional>
#include <string>

#include "sim/win32/audio.h"

namespace sim::audio {

struct DeviceEvent {
  enum class Kind { StateChanged, Added, Removed, DefaultChanged, PropertyChanged };
  Kind kind = Kind::StateChanged;
  std::optional<std::wstring> id;  // no id: a default change to no endpoint
  DWORD state = 0;
  EDataFlow flow = eRender;
  ERole role = eConsole;
  PROPERTYKEY key{};
};

// Queues the event for every registered device notification client.
void NotifyDevices(const DeviceEvent& event);
// Queues a volume notification for every callback registered on the endpoint.
void NotifyVolume(const std::wstring& endpointId, const GUID& context, bool muted, float volume);

// Registrations belong to the process of the calling thread; those of a
// process that has ended are dropped and never called again. The callers
// take and give back the callbacks' references themselves, outside the lock.
void AddDeviceClient(IMMNotificationClient* client);
bool RemoveDeviceClient(IMMNotificationClient* client);
void AddVolumeCallback(uint64_t volumeObject, const std::wstring& endpointId,
                       IAudioEndpointVolumeCallback* callback);
bool RemoveVolumeCallback(uint64_t volumeObject, IAudioEndpointVolumeCallback* callback);
// The volume object has ended: its registrations go with it.
void DropVolumeCallbacks(uint64_t volumeObject);

int CountDeviceClients();
int CountVolumeCallbacks(const std::wstring& endpointId);

}  // namespace sim::audio
