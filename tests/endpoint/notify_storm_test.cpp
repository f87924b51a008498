// Endpoints arriving, going, changing state and volume while both of the
// machine's notification threads deliver to the endpoint object and two
// threads of the service scan for the priority endpoints and re-attach to
// the default: in many seeded interleavings, and with the threads running
// truly in parallel, no recorded id is freed twice or read after it was
// freed, no COM object is called after its release, and nothing leaks.
#include <string>

#include "notify_fixture.h"

namespace koru {
namespace {

constexpr int BATCHES = 2;
constexpr int ROUNDS = 2;
constexpr int SEEDS = 50;
constexpr int FREE_RUNS = 10;

constexpr DWORD STORM_FEATURES = MIRRORING | MuteStaeReport | VolumeLimitPopupWindow |
                                 HDMIPriority | HDMIFallback | PriorityBits(eConnTypeRCA);

sim::audio::EndpointSpec DockOut() { return OnJacks(eRender, {{eConnTypeRCA, true}}); }
sim::audio::EndpointSpec DockIn() { return OnJacks(eCapture, {{eConnTypeRCA, true}}); }

// What the user does in one batch; every endpoint that goes comes back.
void UserBatch(int batch) {
  sim::audio::Remove("hdmi");
  sim::audio::ChangeState("dock-out", DEVICE_STATE_UNPLUGGED);
  sim::audio::Arrive("hdmi", Hdmi());
  sim::audio::ChangeState("dock-in", DEVICE_STATE_UNPLUGGED);
  sim::audio::Remove("dock-in");
  sim::audio::ChangeState("dock-out", DEVICE_STATE_ACTIVE);
  sim::audio::Arrive("dock-in", DockIn());
  for (const char* name : {"speakers", "headphones", "hdmi", "dock-out"}) {
    sim::audio::ChangeVolume(name, 0.2f + 0.3f * static_cast<float>(batch));
    sim::audio::ChangeMute(name, batch % 2 == 0);
    sim::audio::ChangeMute(name, batch % 2 != 0);
  }
}

// The scans as Initialize runs them, and the re-attachment that the
// endpoint-change thread makes after a new default.
void StartServiceThreads() {
  sim::StartThread([] {
    JoinComApartment();
    for (int round = 0; round < ROUNDS; ++round) {
      serviceEndpoint->ScanHdmiDevices();
      serviceEndpoint->ScanPriorityConnectionTypeDevices();
    }
  });
  sim::StartThread([] {
    JoinComApartment();
    for (int round = 0; round < ROUNDS; ++round) serviceEndpoint->ChangeEndpoint();
  });
}

class NotifyStormTest : public NotifyTest {
 protected:
  // One storm in a new machine with these options; failures name `run`.
  void Storm(const sim::Options& options, const std::string& run) {
    sim::Reset(options);
    Laptop();
    sim::audio::AddEndpoint("hdmi", Hdmi());
    sim::audio::AddEndpoint("dock-out", DockOut());
    sim::audio::AddEndpoint("dock-in", DockIn());
    ASSERT_EQ(Ready(STORM_FEATURES), S_OK) << run;
    JackTypeHandled();
    for (int batch = 0; batch < BATCHES; ++batch) {
      StartServiceThreads();
      UserBatch(batch);
      sim::Settle();
    }
    ExpectRecordedOnly(RecordedId::Hdmi, {"hdmi"}, run);
    // An arrival on the priority jack is recorded as the render endpoint
    // whatever its flow.
    ExpectRecordedOnly(RecordedId::PriorityRender, {"dock-out", "dock-in"}, run);
    ExpectRecordedOnly(RecordedId::PriorityCapture, {"dock-in"}, run);
    EXPECT_EQ(sim::audio::DeviceCallbacks(), 1) << run;
    // The storm reached every kind of callback (when free-running, the
    // volume changes may all fall between a detach and the next attach).
    for (const wchar_t* message : {L"OnDeviceAdded", L"OnDeviceStateChanged",
                                   L"OnDefaultDeviceChanged enter", L"HDMI device added"}) {
      EXPECT_TRUE(Traced(message)) << run;
    }
    if (options.scheduling != sim::Scheduling::FreeRunning) {
      EXPECT_TRUE(VolumeNotified()) << run;
    }
    EndServiceProcess();
    EXPECT_TRUE(sim::com::Faults().empty()) << run << ": " << Joined(sim::com::Faults());
    EXPECT_TRUE(sim::com::LeftByEndedProcesses().empty())
        << run << ": " << Joined(sim::com::LeftByEndedProcesses());
    EXPECT_TRUE(sim::HandleFaults().empty()) << run << ": " << Joined(sim::HandleFaults());
    EXPECT_TRUE(sim::Problems().empty()) << run << ": " << Joined(sim::Problems());
  }

  // Whether the volume callback ran, storing or ignoring the change.
  bool VolumeNotified() const {
    for (const std::wstring& message : TraceMessages()) {
      if (message.rfind(L"EndpointCallback: type: ", 0) == 0) return true;
      if (message == L"Ignore Notify info") return true;
    }
    return false;
  }

  // A recorded id is whole: one of these endpoints', or none.
  static void ExpectRecordedOnly(RecordedId which, std::initializer_list<const char*> names,
                                 const std::string& run) {
    std::optional<std::wstring> id = Recorded(which);
    if (!id) return;
    std::optional<std::string> name = sim::audio::EndpointName(*id);
    ASSERT_TRUE(name) << run << ": an id of no endpoint";
    bool expected = false;
    for (const char* candidate : names) expected = expected || *name == candidate;
    EXPECT_TRUE(expected) << run << ": " << *name;
  }
};

TEST_F(NotifyStormTest, NotificationsScansAndAttachesInSeededInterleavings) {
  for (int seed = 1; seed <= SEEDS; ++seed) {
    sim::Options options;
    options.scheduling = sim::Scheduling::Seeded;
    options.seed = static_cast<uint64_t>(seed);
    Storm(options, "seed " + std::to_string(seed));
    if (HasFailure()) return;
  }
}

TEST_F(NotifyStormTest, NotificationsScansAndAttachesFreeRunning) {
  for (int run = 0; run < FREE_RUNS; ++run) {
    sim::Options options;
    options.scheduling = sim::Scheduling::FreeRunning;
    Storm(options, "free run " + std::to_string(run));
    if (HasFailure()) return;
  }
}

}  // namespace
}  // namespace koru
