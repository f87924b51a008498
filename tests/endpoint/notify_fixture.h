// The fixture of the notification and priority tests: a service process
// whose endpoint object is initialised and registered, with the shared
// semaphores made, so that the simulated audio stack delivers its
// notifications to the object on the machine's two notification threads;
// and what the tests read back: the default switches the service asked
// for, the stored settings, pending wake-ups.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "endpoint_fixture.h"
#include "service/shared_objects.h"

namespace koru {

using Messages = std::vector<std::wstring>;
using Switches = std::vector<std::string>;

// The feature word's field for the jack connection type with priority.
constexpr DWORD PriorityBits(DWORD connectionType) {
  return connectionType << PRIORITY_CONNECTION_TYPE_SHIFT;
}

inline sim::audio::EndpointSpec Hdmi(DWORD state = DEVICE_STATE_ACTIVE) {
  sim::audio::EndpointSpec desc = RenderWith(DigitalAudioDisplayDevice);
  desc.topology = false;
  desc.state = state;
  return desc;
}

// An endpoint of either flow with these jacks.
inline sim::audio::EndpointSpec OnJacks(EDataFlow flow, std::vector<sim::audio::Jack> jacks,
                                        DWORD state = DEVICE_STATE_ACTIVE) {
  sim::audio::EndpointSpec desc;
  desc.flow = flow;
  desc.formFactor = flow == eRender ? LineLevel : Microphone;
  desc.jacks = std::move(jacks);
  desc.state = state;
  return desc;
}

class NotifyTest : public EndpointTest {
 protected:
  // Starts the service process with these features, makes the shared
  // semaphores and initialises the endpoint object; returns what
  // Initialize returned. Its trace and switches are kept apart.
  HRESULT Ready(DWORD features) {
    StartWith(features);
    RunOnServiceThread([] { CreateSharedObjects(); });
    HRESULT status = Initialize();
    startTrace = NewTrace();
    startSwitches = NewSwitches();
    return status;
  }
  // As the device connector does once it has handled a speaker or
  // headphone jack type: volume notifications count from now on.
  static void JackTypeHandled() { *jackTypePending = 0; }

  // Whether a wake-up of the semaphore is pending; a pending one is taken.
  bool TakeWakeUp(HANDLE semaphore) {
    bool taken = false;
    RunOnServiceThread([&] { taken = WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0; });
    return taken;
  }

  static std::optional<uint32_t> Stored(const char* name) {
    return sim::registry::GetDword(SETTINGS_KEY_PATH, name);
  }

  // The SetDefaultEndpoint calls since the last call (or Ready), each as
  // "endpoint role", with " refused" when the call failed.
  std::vector<std::string> NewSwitches() {
    std::vector<sim::audio::DefaultRequest> all = sim::audio::DefaultRequests();
    std::vector<std::string> switches;
    for (size_t i = switchMark_; i < all.size(); ++i) switches.push_back(Describe(all[i]));
    switchMark_ = all.size();
    return switches;
  }

  static std::wstring Id(const char* endpoint) { return sim::audio::EndpointId(endpoint); }
  static std::optional<std::wstring> Recorded(RecordedId which) {
    return serviceEndpoint->deviceIds.Copy(which);
  }

  // Delivers one device notification straight to the object, on a thread
  // of the service that has joined COM.
  void DeliverStateChange(const std::wstring& id, DWORD state) {
    OnComThread([&] { serviceEndpoint->OnDeviceStateChanged(id.c_str(), state); });
  }

  // What Initialize traced and switched in Ready.
  Messages startTrace;
  Switches startSwitches;

 private:
  static std::string Describe(const sim::audio::DefaultRequest& request) {
    static constexpr const char* ROLES[] = {"console", "multimedia", "communications"};
    std::string text = request.name.value_or("?") + " " + ROLES[request.role];
    if (FAILED(request.result)) text += " refused";
    return text;
  }

  size_t switchMark_ = 0;
};

}  // namespace koru
