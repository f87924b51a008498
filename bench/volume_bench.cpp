// A volume change by the user against the running service: the time from
// the change to the service's first registry write for it, next to the
// time the audio stack takes to deliver the notification to a callback
// that does nothing.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>

#include "call_watch.h"
#include "com_ids.h"
#include "platform/win32.h"
#include "running_service.h"
#include "sim/audio.h"
#include "sim/machine.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ROUND_CHANGES = 500;

// Two levels by turns, so that every change notifies.
float LevelOf(int change) { return change % 2 == 0 ? 0.41f : 0.42f; }

// A volume callback that only notes when it was called.
class NotedCallback : public IAudioEndpointVolumeCallback {
 public:
  virtual ~NotedCallback() = default;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
    *object = this;
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA) override {
    calledAt.store(Clock::now());
    return S_OK;
  }
  std::atomic<Clock::time_point> calledAt{};
};

// Registers the callback on the speakers from a thread of the process; the
// volume object stays registered until the process ends.
void Register(NotedCallback* callback) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IMMDeviceEnumerator* enumerator = nullptr;
  CoCreateInstance(sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL,
                   sim::com::InterfaceOf<IMMDeviceEnumerator>::iid,
                   reinterpret_cast<void**>(&enumerator));
  IMMDevice* device = nullptr;
  enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, &device);
  IAudioEndpointVolume* volume = nullptr;
  device->Activate(sim::com::InterfaceOf<IAudioEndpointVolume>::iid, CLSCTX_ALL, nullptr,
                   reinterpret_cast<void**>(&volume));
  volume->RegisterControlChangeNotify(callback);
  device->Release();
  enumerator->Release();
}

void FloorRound(Latencies& floor) {
  NotedCallback callback;
  StartFloorProcess([&callback] { Register(&callback); });
  for (int change = 0; change < ROUND_CHANGES; ++change) {
    const Clock::time_point start = Clock::now();
    sim::audio::ChangeVolume("speakers", LevelOf(change));
    sim::Settle();
    floor.Add(NanosecondsBetween(start, callback.calledAt.load()));
  }
  EndFloorProcess();
}

// The time until the service's first registry write, or -1 when it wrote
// nothing.
double ServiceSample(int change) {
  sim::WatchCall("RegSetValueExA");
  const Clock::time_point start = Clock::now();
  sim::audio::ChangeVolume("speakers", LevelOf(change));
  sim::Settle();
  const sim::WatchedCalls calls = sim::Watched();
  return calls.count == 0 ? -1 : NanosecondsBetween(start, calls.first);
}

void BM_VolumeChangeToRegistry(benchmark::State& state) {
  MeasureAgainstFloor(
      state, {&FloorRound, &ServiceSample, ROUND_CHANGES, "a volume change was not stored"});
}
BENCHMARK(BM_VolumeChangeToRegistry)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
