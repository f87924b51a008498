// Device notifications of the simulated audio stack: what a registration
// holds, the defaults refused or left empty, property writes and their
// notification, and the slots that are not modelled.
#include "audio_fixture.h"

namespace sim_test {
namespace {

class AudioNotificationsTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    sim::audio::AddEndpoint("speakers", {});
    sim::audio::AddEndpoint("headphones", {});
    sim::audio::EndpointSpec mic;
    mic.flow = eCapture;
    sim::audio::AddEndpoint("mic", mic);
    JoinCom();
    enumerator_ = NewEnumerator();
    ASSERT_EQ(enumerator_->RegisterEndpointNotificationCallback(&client_), S_OK);
  }
  void TearDown() override {
    EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(&client_), S_OK);
    EXPECT_EQ(client_.references(), 1);
    enumerator_->Release();
    AudioTest::TearDown();
  }

  // The events since the last call.
  std::vector<std::wstring> Delivered() {
    sim::Settle();
    return std::exchange(client_.events, {});
  }

  IPolicyConfigVista* NewSwitcher() {
    IPolicyConfigVista* switcher = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_PolicyConfigVistaClient, nullptr, CLSCTX_ALL,
                               IID_IPolicyConfigVista, reinterpret_cast<void**>(&switcher)),
              S_OK);
    return switcher;
  }

  IMMDeviceEnumerator* enumerator_ = nullptr;
  RecordingClient client_;
};

using EventList = std::vector<std::wstring>;

TEST_F(AudioNotificationsTest, ARegistrationHoldsAReference) {
  EXPECT_EQ(client_.references(), 2);
  EXPECT_EQ(sim::audio::DeviceCallbacks(), 1);
  RecordingClient stranger;
  EXPECT_EQ(enumerator_->UnregisterEndpointNotificationCallback(&stranger), E_NOTFOUND);
  EXPECT_EQ(enumerator_->RegisterEndpointNotificationCallback(nullptr), E_POINTER);
}

TEST_F(AudioNotificationsTest, SetDefaultEndpointRefusesAnEndpointThatIsNotActive) {
  sim::audio::ChangeState("headphones", DEVICE_STATE_UNPLUGGED);
  Delivered();
  IPolicyConfigVista* switcher = NewSwitcher();
  EXPECT_EQ(switcher->SetDefaultEndpoint(Id("headphones").c_str(), eConsole), E_NOTFOUND);
  EXPECT_EQ(switcher->SetDefaultEndpoint(L"{0.0.0.00000000}.{none}", eConsole), E_NOTFOUND);
  EXPECT_EQ(switcher->SetDefaultEndpoint(Id("speakers").c_str(), ERole_enum_count), E_INVALIDARG);
  EXPECT_FALSE(sim::audio::ChangeDefault("headphones", {eConsole}));
  EXPECT_EQ(sim::audio::DefaultEndpoint(eRender, eConsole), "speakers");
  EXPECT_EQ(Delivered(), EventList{});
  switcher->Release();
}

TEST_F(AudioNotificationsTest, WithoutAnotherActiveEndpointTheDefaultIsNone) {
  std::wstring mic = Id("mic");
  sim::audio::Remove("mic");
  EXPECT_EQ(Delivered(),
            (EventList{L"removed " + mic, L"default capture console ",
                       L"default capture multimedia ", L"default capture communications "}));
  EXPECT_FALSE(sim::audio::DefaultEndpoint(eCapture, eConsole).has_value());
}

TEST_F(AudioNotificationsTest, APropertyWriteGoesToTheStoreItNamesAndIsNotified) {
  IPolicyConfig* writer = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_PolicyConfigClient, nullptr, CLSCTX_ALL, IID_IPolicyConfig,
                             reinterpret_cast<void**>(&writer)),
            S_OK);
  constexpr PROPERTYKEY kKey = {
      {0xBE8DB2AA, 0x0E62, 0x4E79, {0x82, 0x79, 0x99, 0x20, 0x34, 0xE0, 0x30, 0x8B}}, 0};
  PROPVARIANT value{};
  value.vt = VT_UI4;
  value.ulVal = 7;
  ASSERT_EQ(writer->SetPropertyValue(Id("speakers").c_str(), TRUE, &kKey, &value), S_OK);
  std::optional<sim::audio::PropertyWrite> write = sim::audio::LastPropertyWrite("speakers", kKey);
  ASSERT_TRUE(write.has_value());
  EXPECT_TRUE(write->fxStore);
  EXPECT_EQ(write->vt, VT_UI4);
  EXPECT_EQ(write->value, 7u);
  value.ulVal = 0;
  ASSERT_EQ(writer->SetPropertyValue(Id("speakers").c_str(), FALSE, &kKey, &value), S_OK);
  EXPECT_FALSE(sim::audio::LastPropertyWrite("speakers", kKey)->fxStore);
  EXPECT_FALSE(sim::audio::LastPropertyWrite("headphones", kKey).has_value());
  EXPECT_EQ(Delivered(), (EventList{L"property " + Id("speakers") + L" 0",
                                    L"property " + Id("speakers") + L" 0"}));
  EXPECT_EQ(writer->SetPropertyValue(L"{0.0.0.00000000}.{none}", FALSE, &kKey, &value), E_NOTFOUND);
  EXPECT_EQ(writer->SetPropertyValue(Id("speakers").c_str(), FALSE, nullptr, &value), E_POINTER);
  writer->Release();
}

TEST_F(AudioNotificationsTest, TheUnusedSlotsAnswerENotImpl) {
  IPolicyConfigVista* switcher = NewSwitcher();
  EXPECT_EQ(switcher->UnusedSlot3(), E_NOTIMPL);
  EXPECT_EQ(switcher->UnusedSlot11(), E_NOTIMPL);
  switcher->Release();
}

}  // namespace
}  // namespace sim_test
