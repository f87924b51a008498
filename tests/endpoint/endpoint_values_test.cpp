// Pushing values to the attached endpoint: volume, mute and the custom
// property, with their traces and failures.
#include "endpoint/audio_ids.h"
#include "endpoint_fixture.h"

namespace koru {
namespace {

class ValuesTest : public EndpointTest {
 protected:
  void Attached(DWORD features = MIRRORING) {
    Laptop();
    StartWith(features);
    ASSERT_EQ(Initialize(), S_OK);
    NewTrace();
  }
};

TEST_F(ValuesTest, SetVolumeAndSetMuteReachTheEndpointWithTheirContext) {
  Attached();
  OnComThread([] {
    serviceEndpoint->setVolume(53, &ServiceEventContext);
    serviceEndpoint->setMute(1, &ServiceEventContext);
  });
  // The volume callback hears of both changes after the calls; before the
  // connector has handled a jack type it ignores them.
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{L"setVolume entry", L"setVolume exit",
                                                   L"setMute entry", L"setMute exit",
                                                   L"Ignore Notify info", L"Ignore Notify info"}));
  EXPECT_EQ(VolumeOf("speakers"), 0.53f);
  EXPECT_TRUE(MutedOf("speakers"));
  CurrentVolume current = serviceEndpoint->getCurrentVolume();
  EXPECT_EQ(current.volumeLevel, 53);
  EXPECT_EQ(current.bMuted, 1);
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"getCurrentVolume entry"});
}

TEST_F(ValuesTest, AFailingEndpointCallIsTracedAndTheValueKept) {
  Attached();
  sim::Fail("IAudioEndpointVolume::SetMasterVolumeLevelScalar", {});
  sim::Fail("IAudioEndpointVolume::SetMute", {});
  OnComThread([] {
    serviceEndpoint->setVolume(20, &GUID_NULL);
    serviceEndpoint->setMute(1, &GUID_NULL);
  });
  EXPECT_EQ(NewTrace(),
            (std::vector<std::wstring>{L"setVolume entry", L"Set volume failed", L"setVolume exit",
                                       L"setMute entry", L"Set mute failed", L"setMute exit"}));
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 20);
  EXPECT_EQ(VolumeOf("speakers"), 0.6f) << "the stored default, applied at the attachment";
}

TEST_F(ValuesTest, AfterADetachTheValueIsOnlyRecorded) {
  Attached();
  OnComThread([] {
    serviceEndpoint->DetachFromEndpoint();
    serviceEndpoint->setVolume(20, &GUID_NULL);
  });
  EXPECT_EQ(NewTrace().back(), L"setVolume entry") << "a detached object is not registered";
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 20);
  EXPECT_EQ(VolumeOf("speakers"), 0.6f) << "the stored default, applied at the attachment";
}

constexpr PROPERTYKEY CUSTOM_KEY = {
    {0xBE8DB2AA, 0x0E62, 0x4E79, {0x82, 0x79, 0x99, 0x20, 0x34, 0xE0, 0x30, 0x8B}}, 0};

TEST_F(ValuesTest, TheCustomValueGoesToTheEffectsStoreWithFxProperty) {
  Attached(MIRRORING | FxProperty);
  HRESULT status = E_UNEXPECTED;
  OnComThread([&] { status = serviceEndpoint->SetCustomAValue(1); });
  EXPECT_EQ(status, S_OK);
  EXPECT_EQ(NewTrace(),
            (std::vector<std::wstring>{L"SetCustomAValue entry", L"SetPropertyValue entry",
                                       L"SetPropertyValue exit"}));
  std::optional<sim::audio::PropertyWrite> write =
      sim::audio::LastPropertyWrite("speakers", CUSTOM_KEY);
  ASSERT_TRUE(write.has_value());
  EXPECT_TRUE(write->fxStore);
  EXPECT_EQ(write->vt, VT_UI4);
  EXPECT_EQ(write->value, 1u);
}

TEST_F(ValuesTest, TheCustomValueFailsWithoutATraceOfItsOwn) {
  Attached();
  sim::Fail("IMMDevice::GetId", {});
  HRESULT status = S_OK;
  OnComThread([&] { status = serviceEndpoint->SetCustomAValue(1); });
  EXPECT_EQ(status, E_FAIL);
  EXPECT_EQ(NewTrace(),
            (std::vector<std::wstring>{L"SetCustomAValue entry", L"SetPropertyValue entry"}));

  sim::Fail("IPolicyConfig::SetPropertyValue", {});
  OnComThread([&] { status = serviceEndpoint->SetCustomAValue(1); });
  EXPECT_EQ(status, E_FAIL);
  EXPECT_EQ(NewTrace(),
            (std::vector<std::wstring>{L"SetCustomAValue entry", L"SetPropertyValue entry"}));

  OnComThread([&] {
    serviceEndpoint->DetachFromEndpoint();
    status = serviceEndpoint->SetCustomAValue(1);
  });
  EXPECT_TRUE(FAILED(status));
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace.back(), L"SetCustomAValue entry");
  EXPECT_FALSE(sim::audio::LastPropertyWrite("speakers", CUSTOM_KEY).has_value());
}

}  // namespace
}  // namespace koru
