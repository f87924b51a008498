// Endpoints of the simulated audio stack: the names and items it refuses,
// the default when there is none, missing properties and removed devices.
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

TEST_F(AudioEndpointsTest, UnknownAndDuplicateNamesAreRefused) {
  sim::audio::AddEndpoint("speakers", Render());
  EXPECT_THROW(sim::audio::AddEndpoint("speakers", Render()), std::invalid_argument);
  EXPECT_THROW(Id("nothing"), std::invalid_argument);
  EXPECT_FALSE(sim::audio::Endpoint("nothing").has_value());
  EXPECT_FALSE(sim::audio::EndpointName(L"{0.0.0.00000000}.{none}").has_value());
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
