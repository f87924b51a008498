// The endpoint volume of the simulated audio stack: refused and unmodelled
// calls, unchanged values, and how long a control-change registration lasts.
#include "audio_fixture.h"

namespace sim_test {
namespace {

class AudioVolumeTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    sim::audio::EndpointSpec speakers;
    speakers.volume = 0.25f;
    sim::audio::AddEndpoint("speakers", speakers);
    sim::audio::AddEndpoint("headphones", {});
  }
  void TearDown() override {
    if (volume_ != nullptr) volume_->Release();
    if (enumerator_ != nullptr) enumerator_->Release();
    AudioTest::TearDown();
  }

  // The endpoint's volume object, made on the controller.
  IAudioEndpointVolume* Volume(const std::string& name = "speakers") {
    JoinCom();
    enumerator_ = NewEnumerator();
    IMMDevice* device = DeviceOf(enumerator_, name);
    EXPECT_EQ(device->Activate(sim::com::InterfaceOf<IAudioEndpointVolume>::iid,
                               CLSCTX_INPROC_SERVER, nullptr, reinterpret_cast<void**>(&volume_)),
              S_OK);
    device->Release();
    return volume_;
  }

  IMMDeviceEnumerator* enumerator_ = nullptr;
  IAudioEndpointVolume* volume_ = nullptr;
};

TEST_F(AudioVolumeTest, SetMuteToTheSameStateAnswersSFalse) {
  IAudioEndpointVolume* volume = Volume();
  EXPECT_EQ(volume->SetMute(FALSE, nullptr), S_FALSE);
  EXPECT_EQ(volume->SetMute(TRUE, nullptr), S_OK);
  EXPECT_EQ(volume->SetMute(TRUE, nullptr), S_FALSE);
}

TEST_F(AudioVolumeTest, ScalarsOutsideZeroToOneAreRefused) {
  IAudioEndpointVolume* volume = Volume();
  EXPECT_EQ(volume->SetMasterVolumeLevelScalar(1.01f, nullptr), E_INVALIDARG);
  EXPECT_EQ(volume->SetMasterVolumeLevelScalar(-0.01f, nullptr), E_INVALIDARG);
  EXPECT_EQ(sim::audio::Endpoint("speakers")->volume, 0.25f);
}

TEST_F(AudioVolumeTest, MethodsNotModelledAnswerENotImpl) {
  IAudioEndpointVolume* volume = Volume();
  float db = 0.0f;
  EXPECT_EQ(volume->GetMasterVolumeLevel(&db), E_NOTIMPL);
  EXPECT_EQ(volume->VolumeStepUp(nullptr), E_NOTIMPL);
}

TEST_F(AudioVolumeTest, AnUnchangedValueNotifiesNothing) {
  IAudioEndpointVolume* volume = Volume();
  RecordingVolumeCallback callback;
  ASSERT_EQ(volume->RegisterControlChangeNotify(&callback), S_OK);
  EXPECT_EQ(volume->SetMasterVolumeLevelScalar(0.25f, nullptr), S_OK);
  EXPECT_EQ(volume->SetMute(FALSE, nullptr), S_FALSE);
  sim::audio::ChangeVolume("speakers", 0.25f);
  sim::Settle();
  EXPECT_TRUE(callback.seen.empty()) << callback.seen.size() << " notifications";
  volume->UnregisterControlChangeNotify(&callback);
}

TEST_F(AudioVolumeTest, AfterUnregisteringNothingMoreIsDelivered) {
  IAudioEndpointVolume* volume = Volume();
  RecordingVolumeCallback callback;
  ASSERT_EQ(volume->RegisterControlChangeNotify(&callback), S_OK);
  volume->SetMasterVolumeLevelScalar(0.3f, nullptr);
  ASSERT_EQ(volume->UnregisterControlChangeNotify(&callback), S_OK);
  sim::Settle();
  EXPECT_TRUE(callback.seen.empty()) << "a queued notification outlived its registration";
  EXPECT_EQ(volume->UnregisterControlChangeNotify(&callback), E_INVALIDARG);
  EXPECT_EQ(volume->RegisterControlChangeNotify(nullptr), E_POINTER);
}

TEST_F(AudioVolumeTest, ARegistrationEndsWithItsVolumeObject) {
  IAudioEndpointVolume* volume = Volume();
  RecordingVolumeCallback callback;
  ASSERT_EQ(volume->RegisterControlChangeNotify(&callback), S_OK);
  volume->Release();
  volume_ = nullptr;
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  sim::audio::ChangeVolume("speakers", 0.9f);
  sim::Settle();
  EXPECT_TRUE(callback.seen.empty());
}

TEST_F(AudioVolumeTest, NotificationsOfAProcessRunOnItsBehalfUntilItEnds) {
  StartProcess();
  DWORD pid = 0;
  RecordingVolumeCallback callback;
  IAudioEndpointVolume* volume = nullptr;
  sim::StartThread([&] {
    pid = GetCurrentProcessId();
    CoInitialize(nullptr);
    IMMDeviceEnumerator* enumerator = nullptr;
    CoCreateInstance(sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL,
                     sim::com::InterfaceOf<IMMDeviceEnumerator>::iid,
                     reinterpret_cast<void**>(&enumerator));
    IMMDevice* device = nullptr;
    enumerator->GetDevice(Id("speakers").c_str(), &device);
    device->Activate(sim::com::InterfaceOf<IAudioEndpointVolume>::iid, CLSCTX_ALL, nullptr,
                     reinterpret_cast<void**>(&volume));
    volume->RegisterControlChangeNotify(&callback);
    device->Release();
    enumerator->Release();
  });
  sim::Settle();
  sim::audio::ChangeVolume("speakers", 0.6f);
  sim::Settle();
  ASSERT_EQ(callback.seen.size(), 1u);
  EXPECT_EQ(callback.seen[0].process, pid);
  EXPECT_EQ(sim::com::LiveObjects(), 1);
  EXPECT_EQ(sim::LiveThreads(), 1) << "the delivering thread stayed in the process";

  sim::EndProgram();
  sim::audio::ChangeVolume("speakers", 0.7f);
  sim::Settle();
  EXPECT_EQ(callback.seen.size(), 1u) << "a notification reached an ended process";
  EXPECT_EQ(sim::audio::VolumeCallbacks("speakers"), 0);
  EXPECT_EQ(sim::com::LeftByEndedProcesses(),
            std::vector<std::string>{"IAudioEndpointVolume #3 (speakers)"});
}

}  // namespace
}  // namespace sim_test
