// A fresh simulated machine for each test of COM and the audio stack, the
// COM audit checked at the end of every test, and strict recording
// callbacks: each notification they get is written down, with the thread
// and process it came on.
#pragma once

#include <string>
#include <vector>

#include "com_ids.h"
#include "kernel_fixture.h"
#include "sim/audio.h"

namespace sim_test {

class AudioTest : public MachineTest {
 protected:
  void TearDown() override;

  // The controller joins COM for the calls the test makes itself.
  static void JoinCom();
  // A new device enumerator; the test releases it.
  static IMMDeviceEnumerator* NewEnumerator();
  // The endpoint's device object, found by its id; the test releases it.
  static IMMDevice* DeviceOf(IMMDeviceEnumerator* enumerator, const std::string& name);
  static std::wstring Id(const std::string& name) { return sim::audio::EndpointId(name); }
};

// Counts its references like a COM object, without ever freeing itself.
class CountedFake {
 protected:
  ULONG AddReference() { return static_cast<ULONG>(++references_); }
  ULONG DropReference() { return static_cast<ULONG>(--references_); }

 public:
  LONG references() const { return references_; }

 private:
  LONG references_ = 1;
};

// Device notifications as "added ID", "removed ID", "state ID N",
// "default FLOW ROLE ID" (ID empty for none), "property ID PID".
class RecordingClient final : public IMMNotificationClient, public CountedFake {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR id, DWORD state) override;
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR id) override;
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR id, const PROPERTYKEY key) override;

  std::vector<std::wstring> events;
  DWORD lastThread = 0;

 private:
  void Record(std::wstring event);
};

class RecordingVolumeCallback final : public IAudioEndpointVolumeCallback, public CountedFake {
 public:
  struct Seen {
    GUID context;
    BOOL muted;
    float volume;
    UINT channels;
    float lastChannel;
    DWORD thread;
    DWORD process;
  };

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }
  HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) override;

  std::vector<Seen> seen;
};

inline constexpr GUID kContext = {
    0x12345678, 0x1234, 0x5678, {0x9A, 0xBC, 0xDE, 0xF0, 0x12, 0x34, 0x56, 0x78}};

}  // namespace sim_test
