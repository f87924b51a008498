// A volume change by the user against the running service: the time from
// the change to the service's first registry write for it, next to the
// time the audio stack takes to deliver the notification to a callback
// that does nothing.
#include <benchmark/benchmark.h>

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
// The feature that registers the service's volume callback.
constexpr DWORD VOLUME_CALLBACK = 0x0002;

// Two levels by turns, so that every change notifies.
float LevelOf(int change) { return change % 2 == 0 ? 0.41f : 0.42f; }

// A volume callback that makes one simulated call, so that its time is
// taken where the service's is: at the entry of a watched call.
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
    GetTickCount();
    return S_OK;
  }
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

// The time from a change of the speakers' volume to the first call of
// `api` after it, or -1 when none followed.
double ChangeToCall(int change, const char* api) {
  sim::WatchCall(api);
  const Clock::time_point start = Clock::now();
  sim::audio::ChangeVolume("speakers", LevelOf(change));
  sim::Settle();
  const sim::WatchedCalls calls = sim::Watched();
  return calls.count == 0 ? -1 : NanosecondsBetween(start, calls.first);
}

// The floor runs beside the service with its volume callback switched
// off, so that the notification is delivered into the same kind of process.
void FloorRound(Latencies& floor) {
  NotedCallback callback;
  NewMeasuredMachine(MEASURED_FEATURES & ~VOLUME_CALLBACK);
  StartMeasuredService();
  sim::StartThread([&callback] { Register(&callback); });
  sim::Settle();
  sim::SetRecording(false);
  for (int change = 0; change < ROUND_CHANGES; ++change) {
    floor.Add(ChangeToCall(change, "GetTickCount"));
  }
  EndMeasuredMachine();
}

// The time until the service's first registry write, or -1 when it wrote
// nothing.
double ServiceSample(int change) { return ChangeToCall(change, "RegSetValueExA"); }

void BM_VolumeChangeToRegistry(benchmark::State& state) {
  MeasureAgainstFloor(
      state, {&FloorRound, &ServiceSample, ROUND_CHANGES, "a volume change was not stored"});
}
BENCHMARK(BM_VolumeChangeToRegistry)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
