// The audio tests' fixture and recording callbacks.
#include "audio_fixture.h"

#include <cstring>

namespace sim_test {
namespace {

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "  " + line + "\n";
  return text;
}

const wchar_t* FlowName(EDataFlow flow) { return flow == eRender ? L"render" : L"capture"; }

const wchar_t* RoleName(ERole role) {
  switch (role) {
    case eConsole:
      return L"console";
    case eMultimedia:
      return L"multimedia";
    default:
      return L"communications";
  }
}

}  // namespace

void AudioTest::TearDown() {
  EXPECT_TRUE(sim::com::Faults().empty()) << "COM faults:\n" << Lines(sim::com::Faults());
  MachineTest::TearDown();
}

void AudioTest::JoinCom() { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }

IMMDeviceEnumerator* AudioTest::NewEnumerator() {
  IMMDeviceEnumerator* enumerator = nullptr;
  HRESULT hr = CoCreateInstance(sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL,
                                sim::com::InterfaceOf<IMMDeviceEnumerator>::iid,
                                reinterpret_cast<void**>(&enumerator));
  EXPECT_EQ(hr, S_OK);
  return enumerator;
}

IMMDevice* AudioTest::DeviceOf(IMMDeviceEnumerator* enumerator, const std::string& name) {
  IMMDevice* device = nullptr;
  EXPECT_EQ(enumerator->GetDevice(Id(name).c_str(), &device), S_OK) << name;
  return device;
}

HRESULT STDMETHODCALLTYPE RecordingClient::QueryInterface(REFIID, void** ppvObject) {
  *ppvObject = nullptr;
  ADD_FAILURE() << "the machine asked the notification client for an interface";
  return E_NOINTERFACE;
}

void RecordingClient::Record(std::wstring event) {
  events.push_back(std::move(event));
  lastThread = GetCurrentThreadId();
}

HRESULT STDMETHODCALLTYPE RecordingClient::OnDeviceStateChanged(LPCWSTR id, DWORD state) {
  Record(L"state " + std::wstring(id) + L" " + std::to_wstring(state));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingClient::OnDeviceAdded(LPCWSTR id) {
  Record(L"added " + std::wstring(id));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingClient::OnDeviceRemoved(LPCWSTR id) {
  Record(L"removed " + std::wstring(id));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingClient::OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                                  LPCWSTR id) {
  Record(std::wstring(L"default ") + FlowName(flow) + L" " + RoleName(role) + L" " +
         (id != nullptr ? id : L""));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingClient::OnPropertyValueChanged(LPCWSTR id,
                                                                  const PROPERTYKEY key) {
  Record(L"property " + std::wstring(id) + L" " + std::to_wstring(key.pid));
  return S_OK;
}

HRESULT STDMETHODCALLTYPE RecordingVolumeCallback::QueryInterface(REFIID, void** ppvObject) {
  *ppvObject = nullptr;
  ADD_FAILURE() << "the machine asked the volume callback for an interface";
  return E_NOINTERFACE;
}

HRESULT STDMETHODCALLTYPE RecordingVolumeCallback::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA data) {
  float last = 0.0f;
  const auto* channels = reinterpret_cast<const unsigned char*>(data) +
                         offsetof(AUDIO_VOLUME_NOTIFICATION_DATA, afChannelVolumes);
  std::memcpy(&last, channels + (data->nChannels - 1) * sizeof(float), sizeof last);
  seen.push_back({data->guidEventContext, data->bMuted, data->fMasterVolume, data->nChannels, last,
                  GetCurrentThreadId(), GetCurrentProcessId()});
  return S_OK;
}

}  // namespace sim_test
