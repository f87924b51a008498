// The COM audit: references, zombies, the owner process, calls without
// COM, and task memory.
#include "audio_fixture.h"

namespace sim_test {
namespace {

class ComAuditTest : public AudioTest {
 protected:
  void SetUp() override {
    AudioTest::SetUp();
    sim::audio::AddEndpoint("speakers", {});
  }
  // The faults the test provoked, taken out so the fixture's check of the
  // audit sees only the unexpected ones.
  std::vector<std::string> ProvokedFaults() {
    std::vector<std::string> faults = sim::com::Faults();
    sim::Reset();
    return faults;
  }
};

bool Mentions(const std::vector<std::string>& lines, const std::string& text) {
  for (const std::string& line : lines) {
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

TEST_F(ComAuditTest, AReleasePastZeroIsRecordedNotACrash) {
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  ASSERT_EQ(enumerator->Release(), 0u);
  EXPECT_EQ(enumerator->Release(), 0u);
  EXPECT_EQ(enumerator->AddRef(), 0u);
  std::vector<std::string> faults = ProvokedFaults();
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_EQ(faults[0], "Release of IMMDeviceEnumerator #1 once more than it was referenced");
  EXPECT_EQ(faults[1], "AddRef of IMMDeviceEnumerator #1 after its last Release");
}

TEST_F(ComAuditTest, ACallOnAReleasedObjectIsRecordedAndRefused) {
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = DeviceOf(enumerator, "speakers");
  enumerator->Release();
  device->Release();
  LPWSTR id = reinterpret_cast<LPWSTR>(0x1);
  EXPECT_EQ(device->GetId(&id), RPC_E_DISCONNECTED);
  EXPECT_EQ(id, nullptr);
  std::vector<std::string> faults = ProvokedFaults();
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0], "IMMDevice::GetId on IMMDevice #2 (speakers) after its last Release");
}

TEST_F(ComAuditTest, ACallFromAThreadWithoutComIsRecorded) {
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  StartProcess();
  UINT count = 0;
  sim::StartThread([&] {
    IMMDeviceCollection* endpoints = nullptr;
    enumerator->EnumAudioEndpoints(eRender, DEVICE_STATE_ACTIVE, &endpoints);
    endpoints->GetCount(&count);
    endpoints->Release();
  });
  sim::Settle();
  enumerator->Release();
  EXPECT_EQ(count, 1u);
  std::vector<std::string> faults = ProvokedFaults();
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_TRUE(Mentions(faults,
                       "IMMDeviceEnumerator::EnumAudioEndpoints on IMMDeviceEnumerator #1 "
                       "from thread "))
      << faults[0];
  EXPECT_TRUE(Mentions(faults, "which has not initialised COM")) << faults[1];
}

TEST_F(ComAuditTest, ObjectsBelongToTheProcessThatObtainedThem) {
  StartProcess();
  IMMDeviceEnumerator* enumerator = nullptr;
  IMMDevice* device = nullptr;
  sim::StartThread([&] {
    CoInitialize(nullptr);
    CoCreateInstance(sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL,
                     sim::com::InterfaceOf<IMMDeviceEnumerator>::iid,
                     reinterpret_cast<void**>(&enumerator));
    enumerator->GetDefaultAudioEndpoint(eRender, eConsole, &device);
  });
  sim::Settle();
  EXPECT_EQ(sim::com::LiveObjects(), 2);
  sim::StartThread([&] { device->Release(); });
  sim::Settle();
  EXPECT_EQ(sim::com::LiveObjects(), 1);
  EXPECT_TRUE(sim::com::LeftByEndedProcesses().empty());

  sim::EndProgram();
  EXPECT_EQ(sim::com::LeftByEndedProcesses(), std::vector<std::string>{"IMMDeviceEnumerator #1"});
  EXPECT_EQ(sim::com::LiveObjects(), 1) << "the last process's objects are still counted";
}

TEST_F(ComAuditTest, QueryInterfaceKeepsOneIdentityAndNullsOnFailure) {
  JoinCom();
  IMMDeviceEnumerator* enumerator = NewEnumerator();
  IMMDevice* device = DeviceOf(enumerator, "speakers");
  IDeviceTopology* topology = nullptr;
  ASSERT_EQ(device->Activate(sim::com::InterfaceOf<IDeviceTopology>::iid, CLSCTX_ALL, nullptr,
                             reinterpret_cast<void**>(&topology)),
            S_OK);
  IConnector* connector = nullptr;
  ASSERT_EQ(topology->GetConnector(0, &connector), S_OK);
  IPart* part = nullptr;
  ASSERT_EQ(
      connector->QueryInterface(sim::com::InterfaceOf<IPart>::iid, reinterpret_cast<void**>(&part)),
      S_OK);
  IUnknown* viaConnector = nullptr;
  IUnknown* viaPart = nullptr;
  connector->QueryInterface(sim::com::InterfaceOf<IUnknown>::iid,
                            reinterpret_cast<void**>(&viaConnector));
  part->QueryInterface(sim::com::InterfaceOf<IUnknown>::iid, reinterpret_cast<void**>(&viaPart));
  EXPECT_EQ(viaConnector, viaPart);
  void* none = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(part->QueryInterface(sim::com::InterfaceOf<IMMDevice>::iid, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  // One object: five references, released through any of its interfaces.
  EXPECT_EQ(viaPart->Release(), 3u);
  EXPECT_EQ(viaConnector->Release(), 2u);
  EXPECT_EQ(part->Release(), 1u);
  EXPECT_EQ(connector->Release(), 0u);
  topology->Release();
  device->Release();
  enumerator->Release();
}

TEST_F(ComAuditTest, TaskMemoryFreedTwiceOrForeignIsRecorded) {
  void* block = CoTaskMemAlloc(16);
  ASSERT_NE(block, nullptr);
  CoTaskMemFree(block);
  CoTaskMemFree(block);
  int local = 0;
  CoTaskMemFree(&local);
  CoTaskMemFree(nullptr);
  std::vector<std::string> faults = ProvokedFaults();
  ASSERT_EQ(faults.size(), 2u);
  EXPECT_TRUE(Mentions(faults, "or was freed already")) << faults[0];
}

}  // namespace
}  // namespace sim_test
