// Attaching to the default render endpoint: which output it is, what is
// applied to it, and what is traced.
#include "endpoint_fixture.h"
#include "service/shared_objects.h"

namespace koru {
namespace {

using AttachTest = EndpointTest;

TEST_F(AttachTest, TheSpeakersGetTheStoredSpeakerValues) {
  Laptop();
  Store("SpeakerVolume", 50);
  Store("SpeakerMute", 1);
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_TRUE(Contains(trace, L"RegisterControlChangeNotify OK"));
  EXPECT_TRUE(Contains(trace, L"EndpointChange: type: 0, volumeScalar: 50, muteState: 1"));
  EXPECT_TRUE(Contains(trace, L"Device name: Speakers"));
  EXPECT_EQ(outputType->load(), 0);
  EXPECT_EQ(foreignEndpoint->load(), 0);
  EXPECT_EQ(VolumeOf("speakers"), 0.5f);
  EXPECT_TRUE(MutedOf("speakers"));
  EXPECT_EQ(VolumeOf("headphones"), 1.0f);
  EXPECT_EQ(serviceEndpoint->controlChangeRegistered.load(), 1);
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 1);
  CurrentVolume current = serviceEndpoint->getCurrentVolume();
  EXPECT_EQ(current.volumeLevel, 50);
  EXPECT_EQ(current.bMuted, 1);
}

TEST_F(AttachTest, AnotherFormFactorOnA35MillimetreJackGetsTheHeadphoneValues) {
  Laptop();
  sim::audio::ChangeDefault("headphones", {eConsole, eMultimedia, eCommunications});
  Store("HeadphoneVolume", 17);
  Store("HeadphoneMute", 0);
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_TRUE(Contains(trace, L"EndpointChange: type: 1, volumeScalar: 17, muteState: 0"));
  EXPECT_TRUE(Contains(trace, L"Device name: Headphone"));
  EXPECT_EQ(outputType->load(), 1);
  EXPECT_EQ(foreignEndpoint->load(), 0);
  EXPECT_FLOAT_EQ(VolumeOf("headphones"), 0.17f);
  EXPECT_FALSE(MutedOf("headphones"));
  EXPECT_EQ(VolumeOf("speakers"), 1.0f);
}

struct ForeignCase {
  const char* name;
  sim::audio::EndpointSpec desc;
};

sim::audio::EndpointSpec Foreign(uint32_t formFactor, std::vector<sim::audio::Jack> jacks,
                                 bool topology = true) {
  sim::audio::EndpointSpec desc = RenderWith(formFactor, std::move(jacks));
  desc.topology = topology;
  desc.makeDefault = true;
  desc.volume = 0.8f;
  return desc;
}

class ForeignEndpointTest : public EndpointTest,
                            public ::testing::WithParamInterface<ForeignCase> {};

TEST_P(ForeignEndpointTest, IsLeftAloneAndMarkedForeign) {
  Laptop();
  sim::audio::AddEndpoint("other", GetParam().desc);
  StartWith(MIRRORING);
  *outputType = 1;
  ASSERT_EQ(Initialize(), S_OK);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(foreignEndpoint->load(), 1);
  EXPECT_EQ(outputType->load(), 1) << "the output type stays as it was";
  EXPECT_EQ(VolumeOf("other"), 0.8f);
  EXPECT_FALSE(MutedOf("other"));
  for (const std::wstring& message : trace) {
    EXPECT_EQ(message.find(L"Device name"), std::wstring::npos) << message;
    EXPECT_EQ(message.find(L"EndpointChange"), std::wstring::npos) << message;
  }
  EXPECT_TRUE(Contains(trace, L"RegisterControlChangeNotify OK"));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, ForeignEndpointTest,
    ::testing::Values(ForeignCase{"Hdmi", Foreign(DigitalAudioDisplayDevice, {})},
                      ForeignCase{"UsbWithoutTopology", Foreign(Headphones, {}, false)},
                      ForeignCase{"OpticalJack", Foreign(SPDIF, {{eConnTypeOptical, true}})},
                      ForeignCase{"OtherAnalogJack",
                                  Foreign(Headphones, {{eConnTypeOtherAnalog, true}})}),
    [](const ::testing::TestParamInfo<ForeignCase>& tested) {
      return std::string(tested.param.name);
    });

TEST_F(AttachTest, WithoutMirroringNothingIsReadOrApplied) {
  Laptop();
  Store("SpeakerVolume", 50);
  StartWith(0);
  ASSERT_EQ(Initialize(), S_OK);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_TRUE(Contains(trace, L"RegisterControlChangeNotify OK"));
  EXPECT_TRUE(Contains(trace, L"Device name: Speakers"));
  for (const std::wstring& message : trace) {
    EXPECT_EQ(message.find(L"Get Registry value"), std::wstring::npos) << message;
    EXPECT_EQ(message.find(L"EndpointChange"), std::wstring::npos) << message;
  }
  EXPECT_EQ(serviceEndpoint->controlChangeRegistered.load(), 0);
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  EXPECT_EQ(VolumeOf("speakers"), 1.0f);

  OnComThread([] {
    serviceEndpoint->setVolume(30, &GUID_NULL);
    serviceEndpoint->setMute(1, &GUID_NULL);
  });
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{L"setVolume entry", L"setMute entry"}));
  CurrentVolume current = serviceEndpoint->getCurrentVolume();
  EXPECT_EQ(current.volumeLevel, 30);
  EXPECT_EQ(current.bMuted, 1);
  EXPECT_EQ(VolumeOf("speakers"), 1.0f);
  EXPECT_FALSE(MutedOf("speakers"));
}

class StoredVolumeTest : public EndpointTest,
                         public ::testing::WithParamInterface<std::pair<DWORD, float>> {};

TEST_P(StoredVolumeTest, IsAppliedAsItsScalar) {
  Laptop();
  Store("SpeakerVolume", GetParam().first);
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(VolumeOf("speakers"), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Percent, StoredVolumeTest,
                         ::testing::Values(std::pair{DWORD{50}, 0.5f}, std::pair{DWORD{0}, 0.0f},
                                           std::pair{DWORD{100}, 1.0f}));

TEST_F(AttachTest, NoRenderEndpointAtStartUpStopsInitialize) {
  sim::audio::EndpointSpec mic;
  mic.flow = eCapture;
  sim::audio::AddEndpoint("mic", mic);
  StartWith(MIRRORING);
  EXPECT_EQ(Initialize(), HRESULT_FROM_WIN32(ERROR_NOT_FOUND));
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace,
            (std::vector<std::wstring>{L"Initialize entry", L"AttachToDefaultEndpoint entry",
                                       L"AttachToDefaultEndpoint: 0",
                                       L"AttachToDefaultEndpoint exit", L"Initialize exit"}));
  EXPECT_FALSE(serviceEndpoint->defaultSwitcher()) << "the Vista policy-config object was made";
  EXPECT_TRUE(serviceEndpoint->enumerator());
  EXPECT_TRUE(serviceEndpoint->propertyWriter());
  EXPECT_EQ(serviceEndpoint->notifyRegistered.load(), 1);
  EXPECT_EQ(sim::audio::DeviceCallbacks(), 1);
}

TEST_F(AttachTest, AnAttachedEndpointIsTracedByItsReference) {
  Laptop();
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  std::vector<std::wstring> trace = NewTrace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace[0], L"Initialize entry");
  EXPECT_EQ(trace[1], L"AttachToDefaultEndpoint entry");
  EXPECT_EQ(trace[2].rfind(L"AttachToDefaultEndpoint: ", 0), 0u) << trace[2];
  EXPECT_NE(trace[2], L"AttachToDefaultEndpoint: 0");
  EXPECT_TRUE(serviceEndpoint->device());
  EXPECT_TRUE(serviceEndpoint->volume());
  EXPECT_TRUE(serviceEndpoint->defaultSwitcher());
  EXPECT_TRUE(Contains(trace, L"Initialize exit"));
}

TEST_F(AttachTest, ChangeEndpointWhileDetachedOnlyTracesTheDetach) {
  Laptop();
  StartWith(MIRRORING);
  OnComThread([] {
    serviceEndpoint->Initialize();
    serviceEndpoint->DetachFromEndpoint();
  });
  NewTrace();
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  std::vector<std::wstring> trace = NewTrace();
  ASSERT_GE(trace.size(), 5u);
  EXPECT_EQ(std::vector<std::wstring>(trace.begin(), trace.begin() + 5),
            (std::vector<std::wstring>{L"ChangeEndpoint entry", L"DetachFromEndpoint entry",
                                       L"Detach from endpoint: 0", L"DetachFromEndpoint exit",
                                       L"AttachToDefaultEndpoint entry"}));
  EXPECT_TRUE(Contains(trace, L"Device name: Speakers"));
  EXPECT_EQ(trace.back(), L"ChangeEndpoint exit");
  EXPECT_TRUE(serviceEndpoint->volume());
}

TEST_F(AttachTest, ChangeEndpointFollowsTheNewDefault) {
  Laptop();
  Store("HeadphoneVolume", 20);
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  sim::audio::ChangeDefault("headphones", {eMultimedia});
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  EXPECT_EQ(outputType->load(), 1);
  EXPECT_EQ(VolumeOf("headphones"), 0.2f);
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  EXPECT_EQ(sim::audio::VolumeCallbacks("headphones"), 1);
}

TEST_F(AttachTest, AFailingActivationKeepsTheDeviceForTheDetach) {
  Laptop();
  StartWith(MIRRORING);
  sim::Fail("IMMDevice::Activate", {});
  EXPECT_EQ(Initialize(), E_FAIL);
  EXPECT_TRUE(serviceEndpoint->device());
  EXPECT_FALSE(serviceEndpoint->volume());
  EXPECT_FALSE(serviceEndpoint->defaultSwitcher());
  OnComThread([] { serviceEndpoint->Dispose(); });
  EXPECT_FALSE(serviceEndpoint->device());
  EXPECT_FALSE(serviceEndpoint->enumerator());
  EXPECT_EQ(sim::audio::DeviceCallbacks(), 0);
}

TEST_F(AttachTest, AFailingRegistrationIsTheAttachmentsResult) {
  Laptop();
  StartWith(MIRRORING);
  sim::FaultSpec refused;
  refused.error = static_cast<uint32_t>(E_OUTOFMEMORY);
  sim::Fail("IAudioEndpointVolume::RegisterControlChangeNotify", refused);
  EXPECT_EQ(Initialize(), E_OUTOFMEMORY);
  EXPECT_EQ(serviceEndpoint->controlChangeRegistered.load(), 0);
  EXPECT_TRUE(serviceEndpoint->volume());
  EXPECT_FALSE(Contains(NewTrace(), L"RegisterControlChangeNotify OK"));
}

TEST_F(AttachTest, AnUnreadableSettingKeepsAndAppliesTheKnownValue) {
  Laptop();
  Store("SpeakerVolume", 40);
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  OnComThread([] { serviceEndpoint->DetachFromEndpoint(); });
  sim::audio::ChangeVolume("speakers", 0.9f);
  sim::FaultSpec denied;
  denied.times = 2;
  denied.error = ERROR_ACCESS_DENIED;
  sim::Fail("RegQueryValueExA", denied);
  Store("SpeakerVolume", 70);
  OnComThread([] { serviceEndpoint->AttachToDefaultEndpoint(); });
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 40);
  EXPECT_EQ(VolumeOf("speakers"), 0.4f);
}

TEST_F(AttachTest, AThreadWithoutComCannotInitialize) {
  Laptop();
  StartWith(MIRRORING);
  HRESULT status = S_OK;
  RunOnServiceThread([&] { status = serviceEndpoint->Initialize(); });
  EXPECT_EQ(status, CO_E_NOTINITIALIZED);
  EXPECT_FALSE(serviceEndpoint->enumerator());
}

TEST_F(AttachTest, AnEnumeratorThatCannotBeMadeEndsInitialize) {
  Laptop();
  StartWith(MIRRORING);
  sim::Fail("CoCreateInstance", {});
  EXPECT_EQ(Initialize(), E_FAIL);
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{L"Initialize entry", L"Initialize exit"}));
  EXPECT_EQ(serviceEndpoint->notifyRegistered.load(), 0);
}

}  // namespace
}  // namespace koru
