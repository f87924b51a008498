// Attaching to the default render endpoint where the scenarios cannot look
// (which output it is and what is applied to it are scenario steps): the
// attachment without mirroring, without a render endpoint, without COM,
// and with each of its calls failing.
#include "endpoint_fixture.h"
#include "service/shared_objects.h"

namespace koru {
namespace {

using AttachTest = EndpointTest;

TEST_F(AttachTest, WithoutMirroringValuesAreOnlyRecorded) {
  Laptop();
  StartWith(0);
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(serviceEndpoint->controlChangeRegistered.load(), 0);
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  NewTrace();
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
