// Delivery of the audio stack's notifications. Two threads of the machine,
// one for device notifications and one for volume notifications, call the
// registered callbacks in the order the changes happened. While a thread
// calls into a process's callback it counts as a thread of that process, as
// Windows' notification threads live in the process they call: the callback
// sees the process's id and handles, and when the process ends the thread
// is unwound out of the callback like the process's own threads.
#include "audio_notify.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <new>
#include <vector>

#include "com_apartments.h"
#include "process.h"
#include "scheduler.h"
#include "threads.h"

namespace sim::audio {
namespace {

// Whose callback a registration is: a process, or, for callbacks that the
// controller registers itself, nobody.
struct Owner {
  std::weak_ptr<Process> weak;
  bool owned = false;

  static Owner OfCaller() {
    Owner owner;
    if (std::shared_ptr<Process> caller = CurrentProcessObject()) {
      owner.weak = caller;
      owner.owned = true;
    }
    return owner;
  }
  // False once the owning process ends or begins to exit; `process`
  // receives it.
  bool Alive(std::shared_ptr<Process>* process) const {
    if (!owned) return true;
    *process = weak.lock();
    return *process && !(*process)->ended && !(*process)->exiting && !(*process)->terminated;
  }
  bool IsCaller() const {
    std::shared_ptr<Process> caller = CurrentProcessObject();
    return owned ? caller && weak.lock() == caller : !caller;
  }
};

struct DeviceClient {
  uint64_t serial;
  IMMNotificationClient* client;
  Owner owner;
};

struct VolumeCallback {
  uint64_t serial;
  uint64_t volumeObject;
  std::wstring endpointId;
  IAudioEndpointVolumeCallback* callback;
  Owner owner;
};

struct VolumeEvent {
  GUID context;
  bool muted;
  float volume;
};

// One delivery: the registration it is for, and the call to make.
struct Delivery {
  uint64_t registration;
  std::function<void()> call;
};

struct Channel {
  std::deque<Delivery> queue;
  bool started = false;
};

struct Notifications {
  std::vector<DeviceClient> deviceClients;
  std::vector<VolumeCallback> volumeCallbacks;
  uint64_t nextSerial = 1;
  Channel devices;
  Channel volumes;
};

Notifications& N() {
  static auto* notifications = new Notifications;
  return *notifications;
}

// The delivery threads have been unwound by then; their queues go too.
void ResetNotifications() { N() = Notifications{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetNotifications), true);

// The registration a delivery is for, with its owner, if it is still there
// and its process lives; registrations of an ended process are dropped.
template <typename Registration>
const Owner* LiveOwner(std::vector<Registration>& registrations, uint64_t serial,
                       std::shared_ptr<Process>* process) {
  for (auto it = registrations.begin(); it != registrations.end(); ++it) {
    if (it->serial != serial) continue;
    if (it->owner.Alive(process)) return &it->owner;
    registrations.erase(it);
    return nullptr;
  }
  return nullptr;
}

// ---- the delivering thread's membership in the process it calls -------------------

void JoinProcess(ThreadRecord& self, const std::shared_ptr<Process>& process) {
  self.process = process;
  process->threads.push_back(&self);
}

// Lock held. Leaving may end a process whose other threads have all gone.
void LeaveProcess(ThreadRecord& self) {
  if (!self.process) return;
  ThreadLeftProcess(self);
  self.process.reset();
  WakeWaiters();
}

bool ProcessEnding(const Process& process) {
  return process.exiting || process.terminated || process.ended;
}

// Runs one delivery as a member of `process` (null: of no process). When the
// process ends meanwhile, the thread is unwound out of the callback like the
// process's own threads (or only marked, when the callback makes no further
// simulated call); it then leaves the process and goes on delivering. Any
// other unwinding is the machine's Reset, which ends the thread.
void Deliver(const Delivery& delivery, const std::shared_ptr<Process>& process) {
  ThreadRecord& self = *Self();
  try {
    delivery.call();
  } catch (const ThreadUnwind&) {
  }
  auto lock = Lock();
  LeaveProcess(self);
  if (!self.unwinding) return;
  if (!process || !ProcessEnding(*process)) throw ThreadUnwind{};
  self.unwinding = false;
}

// Waits for the next delivery whose registration still lives, and joins its
// process (lock held). Reset unwinds the thread out of this wait.
std::pair<Delivery, std::shared_ptr<Process>> NextDelivery(std::unique_lock<std::mutex>& lock,
                                                           Channel& channel, bool devices) {
  WaitFor ready{[&channel] { return !channel.queue.empty(); }, nullptr,
                "the audio stack's notification queue"};
  for (;;) {
    if (Block(lock, ready, std::nullopt) != WaitResult::Done) throw ThreadUnwind{};
    Delivery delivery = std::move(channel.queue.front());
    channel.queue.pop_front();
    std::shared_ptr<Process> process;
    const Owner* owner = devices ? LiveOwner(N().deviceClients, delivery.registration, &process)
                                 : LiveOwner(N().volumeCallbacks, delivery.registration, &process);
    if (owner == nullptr) continue;
    if (process) JoinProcess(*Self(), process);
    return {std::move(delivery), process};
  }
}

void DeliveryLoop(Channel& channel, bool devices) {
  {
    auto lock = Lock();
    com::JoinMultiThreaded(CurrentThreadId());
  }
  for (;;) {
    std::pair<Delivery, std::shared_ptr<Process>> next;
    {
      auto lock = Lock();
      next = NextDelivery(lock, channel, devices);
    }
    Deliver(next.first, next.second);
  }
}

// Lock held.
void Queue(Channel& channel, bool devices, Delivery delivery) {
  if (!channel.started) {
    channel.started = true;
    SpawnThread(nullptr, [&channel, devices]() -> DWORD {
      DeliveryLoop(channel, devices);
      return 0;
    });
  }
  channel.queue.push_back(std::move(delivery));
  WakeWaiters();
}

std::function<void()> DeviceCall(IMMNotificationClient* client, const DeviceEvent& event) {
  return [client, event] {
    const wchar_t* id = event.id ? event.id->c_str() : nullptr;
    switch (event.kind) {
      case DeviceEvent::Kind::StateChanged:
        client->OnDeviceStateChanged(id, event.state);
        return;
      case DeviceEvent::Kind::Added:
        client->OnDeviceAdded(id);
        return;
      case DeviceEvent::Kind::Removed:
        client->OnDeviceRemoved(id);
        return;
      case DeviceEvent::Kind::DefaultChanged:
        client->OnDefaultDeviceChanged(event.flow, event.role, id);
        return;
      case DeviceEvent::Kind::PropertyChanged:
        client->OnPropertyValueChanged(id, event.key);
        return;
    }
  };
}

// The notification data of a stereo endpoint: both channels at the master
// volume. The structure ends in an array of nChannels floats, of which it
// declares one.
std::function<void()> VolumeCall(IAudioEndpointVolumeCallback* callback, const VolumeEvent& event) {
  return [callback, event] {
    constexpr UINT kChannels = 2;
    constexpr size_t kChannelsAt = offsetof(AUDIO_VOLUME_NOTIFICATION_DATA, afChannelVolumes);
    constexpr size_t kBytes = kChannelsAt + kChannels * sizeof(float);
    alignas(AUDIO_VOLUME_NOTIFICATION_DATA) unsigned char
        buffer[std::max(kBytes, sizeof(AUDIO_VOLUME_NOTIFICATION_DATA))] = {};
    auto* data = new (buffer) AUDIO_VOLUME_NOTIFICATION_DATA{};
    data->guidEventContext = event.context;
    data->bMuted = event.muted ? TRUE : FALSE;
    data->fMasterVolume = event.volume;
    data->nChannels = kChannels;
    for (UINT channel = 0; channel < kChannels; ++channel) {
      std::memcpy(buffer + kChannelsAt + channel * sizeof(float), &event.volume, sizeof(float));
    }
    callback->OnNotify(data);
  };
}

}  // namespace

void NotifyDevices(const DeviceEvent& event) {
  for (const DeviceClient& client : N().deviceClients) {
    Queue(N().devices, true, {client.serial, DeviceCall(client.client, event)});
  }
}

void NotifyVolume(const std::wstring& endpointId, const GUID& context, bool muted, float volume) {
  for (const VolumeCallback& callback : N().volumeCallbacks) {
    if (callback.endpointId != endpointId) continue;
    Queue(N().volumes, false,
          {callback.serial, VolumeCall(callback.callback, {context, muted, volume})});
  }
}

void AddDeviceClient(IMMNotificationClient* client) {
  N().deviceClients.push_back({N().nextSerial++, client, Owner::OfCaller()});
}

bool RemoveDeviceClient(IMMNotificationClient* client) {
  auto& clients = N().deviceClients;
  for (auto it = clients.begin(); it != clients.end(); ++it) {
    if (it->client != client || !it->owner.IsCaller()) continue;
    clients.erase(it);
    return true;
  }
  return false;
}

void AddVolumeCallback(uint64_t volumeObject, const std::wstring& endpointId,
                       IAudioEndpointVolumeCallback* callback) {
  N().volumeCallbacks.push_back(
      {N().nextSerial++, volumeObject, endpointId, callback, Owner::OfCaller()});
}

bool RemoveVolumeCallback(uint64_t volumeObject, IAudioEndpointVolumeCallback* callback) {
  auto& callbacks = N().volumeCallbacks;
  for (auto it = callbacks.begin(); it != callbacks.end(); ++it) {
    if (it->volumeObject != volumeObject || it->callback != callback) continue;
    callbacks.erase(it);
    return true;
  }
  return false;
}

void DropVolumeCallbacks(uint64_t volumeObject) {
  std::erase_if(N().volumeCallbacks,
                [volumeObject](const VolumeCallback& c) { return c.volumeObject == volumeObject; });
}

int CountDeviceClients() {
  std::shared_ptr<Process> process;
  int count = 0;
  for (const DeviceClient& client : N().deviceClients) count += client.owner.Alive(&process);
  return count;
}

int CountVolumeCallbacks(const std::wstring& endpointId) {
  std::shared_ptr<Process> process;
  int count = 0;
  for (const VolumeCallback& callback : N().volumeCallbacks) {
    count += callback.endpointId == endpointId && callback.owner.Alive(&process);
  }
  return count;
}

}  // namespace sim::audio
