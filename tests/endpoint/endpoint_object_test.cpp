// The endpoint object's life and COM identity: construction, the reset,
// snapshot copies, Dispose, and QueryInterface, AddRef and Release.
#include "endpoint/audio_ids.h"
#include "endpoint_fixture.h"

namespace koru {
namespace {

using ObjectTest = EndpointTest;

TEST_F(ObjectTest, ConstructionLeavesNothingButTheLock) {
  StartWith(MIRRORING);
  EndpointCallback& endpoint = *serviceEndpoint;
  EXPECT_EQ(endpoint.constructionStatus(), S_OK);
  EXPECT_EQ(endpoint.notifyRegistered.load(), 0);
  EXPECT_EQ(endpoint.controlChangeRegistered.load(), 0);
  EXPECT_FALSE(endpoint.enumerator());
  EXPECT_FALSE(endpoint.device());
  EXPECT_FALSE(endpoint.deviceIds.Known(RecordedId::Hdmi));
  CurrentVolume current = endpoint.getCurrentVolume();
  EXPECT_EQ(current.bMuted, 0);
  EXPECT_EQ(current.volumeLevel, 0);
  EXPECT_EQ(endpoint.AddRef(), 2u);
  EXPECT_EQ(endpoint.Release(), 1u);
}

TEST_F(ObjectTest, WithoutItsLockTheObjectNeitherAttachesNorDetaches) {
  Laptop();
  sim::Fail("InitializeCriticalSectionEx", {});
  StartWith(MIRRORING);
  EXPECT_EQ(serviceEndpoint->constructionStatus(), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(Initialize(), HRESULT_FROM_WIN32(ERROR_NOT_ENOUGH_MEMORY));
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  EXPECT_FALSE(serviceEndpoint->device());
  EXPECT_FALSE(serviceEndpoint->enumerator());
}

TEST_F(ObjectTest, TheResetReturnsToTheStateOfConstruction) {
  Laptop();
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  OnComThread([] { serviceEndpoint->Dispose(); });
  serviceEndpoint->currentVolume.volumeLevel = 40;
  serviceEndpoint->AddRef();
  OnComThread([] { serviceEndpoint->Reset(); });
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 0);
  EXPECT_EQ(serviceEndpoint->AddRef(), 2u);
  serviceEndpoint->Release();
  EXPECT_EQ(sim::com::LiveObjects(), 0);
  ASSERT_EQ(Initialize(), S_OK) << "the lock still works";
  EXPECT_TRUE(serviceEndpoint->volume());
}

TEST_F(ObjectTest, DisposeReleasesEverythingButKeepsTheValues) {
  Laptop();
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  NewTrace();
  OnComThread([] { serviceEndpoint->Dispose(); });
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(trace.front(), L"Dispose entry");
  EXPECT_EQ(trace.back(), L"Dispose exit");
  EXPECT_EQ(serviceEndpoint->notifyRegistered.load(), 0);
  EXPECT_EQ(serviceEndpoint->controlChangeRegistered.load(), 0);
  EXPECT_EQ(sim::audio::DeviceCallbacks(), 0);
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  EXPECT_EQ(sim::com::LiveObjects(), 0);
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 60) << "the stored default";
  EXPECT_EQ(serviceEndpoint->AddRef(), 2u) << "every registration gave its reference back";
  serviceEndpoint->Release();

  OnComThread([] { serviceEndpoint->Dispose(); });
  EXPECT_EQ(sim::com::LiveObjects(), 0);
  ASSERT_EQ(Initialize(), S_OK) << "a disposed object initialises again";
}

TEST_F(ObjectTest, ASnapshotHoldsItsOwnReferencesAndNeverTheLock) {
  Laptop();
  StartWith(MIRRORING);
  ASSERT_EQ(Initialize(), S_OK);
  int before = sim::com::LiveObjects();
  OnComThread([&] {
    EndpointCallback copy = *serviceEndpoint;
    EXPECT_EQ(sim::com::LiveObjects(), before) << "a copy adds references, not objects";
    serviceEndpoint->DetachFromEndpoint();
    copy.setVolume(25, &ServiceEventContext);
    EXPECT_EQ(copy.getCurrentVolume().volumeLevel, 25);
    EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 60);
  });
  EXPECT_EQ(VolumeOf("speakers"), 0.25f) << "the copy still reached the old endpoint";
  EXPECT_EQ(sim::com::LiveObjects(), before - 2) << "the copy let go of device and volume";
  OnComThread([] { serviceEndpoint->AttachToDefaultEndpoint(); });
  EXPECT_TRUE(serviceEndpoint->volume()) << "the lock survived the copy";
}

TEST_F(ObjectTest, QueryInterfaceAnswersBothInterfacesOfOneObject) {
  StartWith(MIRRORING);
  EndpointCallback& endpoint = *serviceEndpoint;
  void* unknown = nullptr;
  void* client = nullptr;
  void* callback = nullptr;
  ASSERT_EQ(endpoint.QueryInterface(ids::IID_IUnknown, &unknown), S_OK);
  ASSERT_EQ(endpoint.QueryInterface(ids::IID_IMMNotificationClient, &client), S_OK);
  ASSERT_EQ(endpoint.QueryInterface(ids::IID_IAudioEndpointVolumeCallback, &callback), S_OK);
  EXPECT_EQ(unknown, static_cast<void*>(endpoint.notificationClient()));
  EXPECT_EQ(client, static_cast<void*>(endpoint.notificationClient()));
  EXPECT_EQ(callback, static_cast<void*>(endpoint.volumeCallback()));
  EXPECT_NE(client, callback);
  EXPECT_EQ(static_cast<IAudioEndpointVolumeCallback*>(callback)->Release(), 3u);
  EXPECT_EQ(static_cast<IMMNotificationClient*>(client)->Release(), 2u);
  EXPECT_EQ(static_cast<IUnknown*>(unknown)->Release(), 1u);
  EXPECT_EQ(NewTrace(),
            (std::vector<std::wstring>{L"QueryInterface entry", L"QueryInterface exit",
                                       L"QueryInterface entry", L"QueryInterface exit",
                                       L"QueryInterface entry", L"QueryInterface exit"}));
}

TEST_F(ObjectTest, QueryInterfaceForAnythingElseNullsAndRefuses) {
  StartWith(MIRRORING);
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(serviceEndpoint->QueryInterface(ids::IID_IMMDeviceEnumerator, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"QueryInterface entry"});
  EXPECT_EQ(serviceEndpoint->AddRef(), 2u) << "no reference was taken";
  serviceEndpoint->Release();
}

}  // namespace
}  // namespace koru
