// The audio stack with threads running truly in parallel: threads of a
// process change the volume and the defaults while the machine's two
// notification threads deliver to the process's callbacks. Every change
// is delivered once, and nothing races (ThreadSanitizer runs this).
#include "audio_fixture.h"

namespace sim_test {
namespace {

constexpr int CHANGES = 20;

using AudioFreeRunningTest = FreeRunning<AudioTest>;

template <typename T>
T* Create(const CLSID& clsid, const IID& iid) {
  T* object = nullptr;
  CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, reinterpret_cast<void**>(&object));
  return object;
}

TEST_F(AudioFreeRunningTest, ChangesOnSeveralThreadsAreEachDeliveredOnce) {
  sim::audio::AddEndpoint("speakers", {});
  sim::audio::AddEndpoint("headphones", {});
  StartProcess();
  RecordingVolumeCallback volumeCallback;
  RecordingClient client;
  IAudioEndpointVolume* volume = nullptr;
  IMMDeviceEnumerator* enumerator = nullptr;
  sim::StartThread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    enumerator = Create<IMMDeviceEnumerator>(sim::com::kMMDeviceEnumeratorClass,
                                             sim::com::InterfaceOf<IMMDeviceEnumerator>::iid);
    enumerator->RegisterEndpointNotificationCallback(&client);
    IMMDevice* device = nullptr;
    enumerator->GetDevice(sim::audio::EndpointId("speakers").c_str(), &device);
    device->Activate(sim::com::InterfaceOf<IAudioEndpointVolume>::iid, CLSCTX_ALL, nullptr,
                     reinterpret_cast<void**>(&volume));
    volume->RegisterControlChangeNotify(&volumeCallback);
    device->Release();
  });
  sim::Settle();
  std::wstring speakers = sim::audio::EndpointId("speakers");
  std::wstring headphones = sim::audio::EndpointId("headphones");
  sim::StartThread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    for (int i = 1; i <= CHANGES; ++i) volume->SetMasterVolumeLevelScalar(i / 100.0f, nullptr);
  });
  sim::StartThread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    auto* switcher =
        Create<IPolicyConfigVista>(CLSID_PolicyConfigVistaClient, IID_IPolicyConfigVista);
    for (int i = 0; i < CHANGES; ++i) {
      switcher->SetDefaultEndpoint((i % 2 == 0 ? headphones : speakers).c_str(), eMultimedia);
    }
    switcher->Release();
  });
  sim::Settle();
  EXPECT_EQ(volumeCallback.seen.size(), static_cast<size_t>(CHANGES));
  EXPECT_EQ(volumeCallback.seen.back().volume, CHANGES / 100.0f);
  EXPECT_EQ(client.events.size(), static_cast<size_t>(CHANGES));
  sim::StartThread([&] {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    volume->UnregisterControlChangeNotify(&volumeCallback);
    volume->Release();
    enumerator->UnregisterEndpointNotificationCallback(&client);
    enumerator->Release();
  });
  sim::Settle();
  EXPECT_EQ(volumeCallback.references(), 1);
  EXPECT_EQ(client.references(), 1);
  sim::EndProgram();
  EXPECT_TRUE(sim::com::LeftByEndedProcesses().empty());
}

}  // namespace
}  // namespace sim_test
