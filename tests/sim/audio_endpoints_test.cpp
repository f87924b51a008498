// Endpoints of the simulated audio stack: ids, enumeration by flow and
// state, the default when there is none, devices and missing properties.
#include <regex>

#include "audio_fixture.h"

namespace sim_test {
namespace {

using AudioEndpointsTest = AudioTest;

sim::audio::EndpointSpec Render(DWORD state = DEVICE_STATE_ACTIVE) {
  sim::audio::EndpointSpec desc;
  desc.state = state;
  return desc;
}

sim::audio::EndpointSpec Capture(DWORD state = DEVICE_STATE_ACTIVE) {
  sim::audio::EndpointSpec desc;
  desc.flow = eCapture;
  desc.state = state;
  return desc;
}

// The ids of a collection, in its order; releases it.
std::vector<std::wstring> IdsOf(IMMDeviceCollection* collection) {
  std::vector<std::wstring> ids;
  UINT count = 0;
  EXPECT_EQ(collection->GetCount(&count), S_OK);
  for (UINT i = 0; i < count; ++i) {
    IMMDevice* device = nullptr;
    EXPECT_EQ(collection->Item(i, &device), S_OK);
    LPWSTR id = nullptr;
    EXPECT_EQ(device->GetId(&id), S_OK);
    ids.push_back(id);
    CoTaskMemFree(id);
    device->Release();
  }
  collection->Release();
  return ids;
}

TEST_F(AudioEndpointsTest, IdsHaveWindowsFormAndFollowFromTheName) {
  sim::audio::AddEndpoint("speakers", Render());
  sim::audio::AddEndpoint("mic", Capture());
  std::wstring render = Id("speakers");
  std::wstring capture = Id("mic");
  std::wregex form(
      LR"(\{0\.0\.[01]\.00000000\}\.\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\})");
  EXPECT_TRUE(std::regex_match(render, form)) << std::string(render.begin(), render.end());
  EXPECT_EQ(render.substr(0, 17), L"{0.0.0.00000000}.");
  EXPECT_EQ(capture.substr(0, 17), L"{0.0.1.00000000}.");
  EXPECT_EQ(sim::audio::EndpointName(render), "speakers");
  sim::Reset();
  sim::audio::AddEndpoint("speakers", Render());
  EXPECT_EQ(Id("speakers"), render);
}

TEST_F(AudioEndpointsTest, UnknownAndDuplicateNamesAreRefused) {
  sim::audio::AddEndpoint("speakers", Render());
  EXPECT_THROW(sim::audio::AddEndpoint("speakers", Render()), std::invalid_argument);
  EXPECT_THROW(Id("nothing"), std::invalid_argument);
  EXPECT_FALSE(sim::audio::Endpoint("nothing").has_value());
  EXPECT_FALSE(sim::audio::EndpointName(L"{0.0.0.00000000}.{none}").has_value());
}

TEST_F(AudioEndpointsTest, EnumerationFollowsFlowStateMaskAndOrder) {
  sim::audio::AddEndpoint("speakers", Render());
  sim::audio::AddEndpoint("hdmi", Render(DEVICE_STATE_UNPLUGGED));
  sim::audio::AddEndpoint("mic", Capture());
  sim::audio::AddEndpoint("headphones", Render());
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDeviceCollection* collection = nullptr;
  ASSERT_EQ(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &collection), S_OK);
  EXPECT_EQ(IdsOf(collection), (std::vector<std::wstring>{Id("speakers"), Id("headphones")}));
  ASSERT_EQ(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATEMASK_ALL, &collection), S_OK);
  EXPECT_EQ(IdsOf(collection),
            (std::vector<std::wstring>{Id("speakers"), Id("hdmi"), Id("headphones")}));
  ASSERT_EQ(enumerator->EnumAudioEndpoints(eAll, DEVICE_STATE_ACTIVE, &collection), S_OK);
  EXPECT_EQ(IdsOf(collection),
            (std::vector<std::wstring>{Id("speakers"), Id("mic"), Id("headphones")}));
  ASSERT_EQ(enumerator->EnumAudioEndpoints(eCapture, DEVICE_STATE_DISABLED, &collection), S_OK);
  EXPECT_EQ(IdsOf(collection), std::vector<std::wstring>{});

  collection = reinterpret_cast<IMMDeviceCollection*>(0x1);
  EXPECT_EQ(enumerator->EnumAudioEndpoints(eRender, 0x10, &collection), E_INVALIDARG);
  EXPECT_EQ(collection, nullptr);
  enumerator->Release();
}

TEST_F(AudioEndpointsTest, CollectionItemsOutOfRangeAreRefused) {
  sim::audio::AddEndpoint("speakers", Render());
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDeviceCollection* collection = nullptr;
  ASSERT_EQ(enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &collection), S_OK);
  IMMDevice* device = reinterpret_cast<IMMDevice*>(0x1);
  EXPECT_EQ(collection->Item(1, &device), E_INVALIDARG);
  EXPECT_EQ(device, nullptr);
  collection->Release();
  enumerator->Release();
}

TEST_F(AudioEndpointsTest, GetDefaultAudioEndpointWithoutOneIsNotFound) {
  sim::audio::AddEndpoint("mic", Capture());
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = reinterpret_cast<IMMDevice*>(0x1);
  EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, &device),
            HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(eAll, eMultimedia, &device), E_INVALIDARG);
  EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(eCapture, ERole_enum_count, &device), E_INVALIDARG);
  ASSERT_EQ(enumerator->GetDefaultAudioEndpoint(eCapture, eCommunications, &device), S_OK);
  LPWSTR id = nullptr;
  ASSERT_EQ(device->GetId(&id), S_OK);
  EXPECT_EQ(std::wstring(id), Id("mic"));
  CoTaskMemFree(id);
  device->Release();
  enumerator->Release();
}

TEST_F(AudioEndpointsTest, GetDeviceFindsEndpointsInEveryState) {
  sim::audio::AddEndpoint("hdmi", Render(DEVICE_STATE_NOTPRESENT));
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = DeviceOf(enumerator, "hdmi");
  DWORD state = 0;
  EXPECT_EQ(device->GetState(&state), S_OK);
  EXPECT_EQ(state, DEVICE_STATE_NOTPRESENT);
  device->Release();
  device = reinterpret_cast<IMMDevice*>(0x1);
  EXPECT_EQ(enumerator->GetDevice(L"{0.0.0.00000000}.{none}", &device), E_NOTFOUND);
  EXPECT_EQ(device, nullptr);
  EXPECT_EQ(enumerator->GetDevice(nullptr, &device), E_POINTER);
  enumerator->Release();
}

TEST_F(AudioEndpointsTest, AMissingPropertyIsEmpty) {
  sim::audio::AddEndpoint("speakers", Render());
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = DeviceOf(enumerator, "speakers");
  IPropertyStore* store = nullptr;
  ASSERT_EQ(device->OpenPropertyStore(STGM_READ, &store), S_OK);
  PROPVARIANT value{};
  value.vt = VT_UI4;
  PROPERTYKEY other = sim::com::kFormFactorKey;
  other.pid = 7;
  EXPECT_EQ(store->GetValue(other, &value), S_OK);
  EXPECT_EQ(value.vt, VT_EMPTY);
  EXPECT_EQ(store->SetValue(other, value), E_NOTIMPL);
  EXPECT_EQ(device->OpenPropertyStore(0x7, &store), E_INVALIDARG);
  EXPECT_EQ(store, nullptr);
  device->Release();
  enumerator->Release();
}

TEST_F(AudioEndpointsTest, ARemovedEndpointsDeviceKeepsItsIdOnly) {
  sim::audio::AddEndpoint("usb", Render());
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = DeviceOf(enumerator, "usb");
  sim::audio::Remove("usb");
  LPWSTR id = nullptr;
  ASSERT_EQ(device->GetId(&id), S_OK);
  CoTaskMemFree(id);
  DWORD state = 0;
  EXPECT_EQ(device->GetState(&state), S_OK);
  EXPECT_EQ(state, DEVICE_STATE_NOTPRESENT);
  void* volume = nullptr;
  EXPECT_EQ(device->Activate(sim::com::InterfaceOf<IAudioEndpointVolume>::iid, CLSCTX_ALL, nullptr,
                             &volume),
            E_NOTFOUND);
  device->Release();
  enumerator->Release();
}

}  // namespace
}  // namespace sim_test
