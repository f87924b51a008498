// The start-up scans of the default-device priority policy, run by
// Initialize: the HDMI endpoint and the endpoints on the jack of the
// priority connection type, what they record, which defaults they switch,
// and the status Initialize returns.
#include <algorithm>

#include "notify_fixture.h"

namespace koru {
namespace {

constexpr DWORD RCA_PRIORITY = PriorityBits(eConnTypeRCA);

class PriorityScanTest : public NotifyTest {
 protected:
  // How often Initialize traced the message.
  size_t TraceCount(const std::wstring& message) const {
    return static_cast<size_t>(std::count(startTrace.begin(), startTrace.end(), message));
  }

  // The dock's output and input found on their connected priority jacks.
  void ExpectDockRecordedAndMadeTheDefaults() const {
    EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out"));
    EXPECT_EQ(Recorded(RecordedId::PriorityCapture), Id("dock-in"));
    EXPECT_EQ(startSwitches, (Switches{"dock-out multimedia", "dock-out communications",
                                       "dock-in multimedia", "dock-in communications"}));
  }

  // A capture endpoint on the priority jack whose connector answers
  // GetConnectedTo with `failure`.
  static void CaptureLeadingNowhere(HRESULT failure) {
    sim::audio::EndpointSpec usbMic = OnJacks(eCapture, {{eConnTypeRCA, true}});
    usbMic.connectedToFailure = failure;
    sim::audio::AddEndpoint("usb-mic", usbMic);
  }
};

// ---- HDMI ------------------------------------------------------------------------------

TEST_F(PriorityScanTest, WithoutAnHdmiEndpointNothingIsRecorded) {
  Laptop();
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  EXPECT_FALSE(Recorded(RecordedId::Hdmi));
  EXPECT_EQ(TraceCount(L"GetPropertyValue entry"), 2u) << "each render endpoint is read";
  EXPECT_EQ(TraceCount(L"GetPropertyValue exit"), 2u);
  EXPECT_EQ(TraceCount(L"HDMI device presented"), 0u);
  EXPECT_EQ(startSwitches, Switches{});
}

TEST_F(PriorityScanTest, AnHdmiEndpointUnpluggedAtStartUpIsStillRecordedAndSwitchedTo) {
  Laptop();
  sim::audio::AddEndpoint("hdmi", Hdmi(DEVICE_STATE_UNPLUGGED));
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), E_NOTFOUND)
      << "the scan carries the refused switch of the last endpoint";
  EXPECT_EQ(Recorded(RecordedId::Hdmi), Id("hdmi"));
  EXPECT_EQ(startSwitches, (Switches{"hdmi multimedia refused", "hdmi communications refused"}));
  EXPECT_EQ(TraceCount(L"HDMI device presented"), 1u);
  EXPECT_EQ(TraceCount(L"Set HDMI as default output device"), 1u);
}

TEST_F(PriorityScanTest, OfSeveralHdmiEndpointsEachIsSwitchedToAndTheLastRecorded) {
  Laptop();
  sim::audio::AddEndpoint("hdmi-1", Hdmi());
  sim::audio::AddEndpoint("hdmi-2", Hdmi());
  ASSERT_EQ(Ready(MIRRORING | HDMIPriority), S_OK);
  EXPECT_EQ(startSwitches, (Switches{"hdmi-1 multimedia", "hdmi-1 communications",
                                     "hdmi-2 multimedia", "hdmi-2 communications"}));
  EXPECT_EQ(Recorded(RecordedId::Hdmi), Id("hdmi-2"));
}

TEST_F(PriorityScanTest, AFailedReadOfTheLastRenderEndpointFailsTheScanAndSkipsThePriorityScan) {
  Laptop();
  sim::audio::AddEndpoint("dock-out", OnJacks(eRender, {{eConnTypeRCA, true}}));
  sim::FaultSpec refused;
  refused.skip = 3;  // the attach's own read, then the speakers and the headphones
  refused.error = static_cast<uint32_t>(E_ACCESSDENIED);
  sim::Fail("IMMDevice::OpenPropertyStore", refused);
  EXPECT_EQ(Ready(MIRRORING | RCA_PRIORITY), E_ACCESSDENIED);
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender));
  EXPECT_EQ(TraceCount(L"PriorityConnectionType:4 device presented"), 0u);
  EXPECT_EQ(startSwitches, Switches{});
}

TEST_F(PriorityScanTest, AFailedReadBeforeTheLastEndpointDoesNotFailTheScan) {
  Laptop();
  sim::audio::AddEndpoint("hdmi", Hdmi());
  sim::FaultSpec refused;
  refused.skip = 1;  // the attach's own read; then the speakers'
  refused.error = static_cast<uint32_t>(E_ACCESSDENIED);
  sim::Fail("IMMDevice::OpenPropertyStore", refused);
  EXPECT_EQ(Ready(MIRRORING), S_OK);
  EXPECT_EQ(startSwitches, (Switches{"hdmi multimedia", "hdmi communications"}));
}

TEST_F(PriorityScanTest, AFailedHdmiEnumerationIsWhatInitializeReturns) {
  Laptop();
  sim::audio::AddEndpoint("dock-out", OnJacks(eRender, {{eConnTypeRCA, true}}));
  sim::FaultSpec refused;
  refused.error = static_cast<uint32_t>(E_OUTOFMEMORY);
  sim::Fail("IMMDeviceEnumerator::EnumAudioEndpoints", refused);
  EXPECT_EQ(Ready(MIRRORING | RCA_PRIORITY), E_OUTOFMEMORY);
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender)) << "no priority scan after a failed one";
}

// ---- the priority connection type -----------------------------------------------------

TEST_F(PriorityScanTest, TypeZeroRecordsNothingAndSwitchesNothing) {
  sim::audio::AddEndpoint("speakers", OnJacks(eRender, {{eConnTypeUnknown, true}}));
  sim::audio::AddEndpoint("internal-out", OnJacks(eRender, {{eConnTypeUnknown, true}}));
  sim::audio::AddEndpoint("internal-mic", OnJacks(eCapture, {{eConnTypeUnknown, true}}));
  ASSERT_EQ(Ready(MIRRORING), S_OK);
  EXPECT_FALSE(Recorded(RecordedId::PriorityRender));
  EXPECT_FALSE(Recorded(RecordedId::PriorityCapture));
  EXPECT_EQ(startSwitches, Switches{}) << "the user's default stays";
  EXPECT_EQ(sim::audio::DefaultEndpoint(eRender, eMultimedia), "speakers");
  for (const std::wstring& message : startTrace) {
    EXPECT_EQ(message.find(L"PriorityConnectionType"), std::wstring::npos) << message;
  }
}

TEST_F(PriorityScanTest, APriorityJackNotConnectedIsRecordedWithoutASwitch) {
  Laptop();
  sim::audio::AddEndpoint("dock-out", OnJacks(eRender, {{eConnTypeRCA, false}}));
  sim::audio::AddEndpoint("dock-in",
                          OnJacks(eCapture, {{eConnTypeRCA, false}}, DEVICE_STATE_UNPLUGGED));
  ASSERT_EQ(Ready(MIRRORING | RCA_PRIORITY), S_OK);
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("dock-out"));
  EXPECT_EQ(Recorded(RecordedId::PriorityCapture), Id("dock-in"));
  EXPECT_EQ(startSwitches, Switches{});
  EXPECT_EQ(TraceCount(L"Set PriorityConnectionType:4 as default output device"), 0u);

  sim::audio::ChangeState("dock-in", DEVICE_STATE_ACTIVE);
  sim::Settle();
  EXPECT_EQ(NewSwitches(),
            (Switches{"dock-out multimedia", "dock-out console", "dock-out communications"}))
      << "activity later makes the render endpoint the default";
}

TEST_F(PriorityScanTest, TheRenderHalfStopsAfterItsMatchTheCaptureHalfSearchesOn) {
  Laptop();
  sim::audio::AddEndpoint("dock-out", OnJacks(eRender, {{eConnTypeRCA, true}}));
  sim::audio::AddEndpoint("amp-out", OnJacks(eRender, {{eConnTypeRCA, true}}));
  sim::audio::AddEndpoint("mic", OnJacks(eCapture, {{eConnType3Point5mm, true}}));
  sim::audio::AddEndpoint("dock-in", OnJacks(eCapture, {{eConnTypeRCA, true}}));
  ASSERT_EQ(Ready(MIRRORING | RCA_PRIORITY), S_OK);
  ExpectDockRecordedAndMadeTheDefaults();
}

TEST_F(PriorityScanTest, TwoMatchingJacksOnOneEndpointActTwice) {
  Laptop();
  sim::audio::AddEndpoint(
      "dock-out",
      OnJacks(eRender, {{eConnTypeRCA, true}, {eConnTypeOptical, true}, {eConnTypeRCA, true}}));
  ASSERT_EQ(Ready(MIRRORING | RCA_PRIORITY), S_OK);
  EXPECT_EQ(TraceCount(L"PriorityConnectionType:4 device presented"), 2u);
  EXPECT_EQ(TraceCount(L"Set PriorityConnectionType:4 as default output device"), 2u);
  EXPECT_EQ(startSwitches, (Switches{"dock-out multimedia", "dock-out communications",
                                     "dock-out multimedia", "dock-out communications"}));
}

TEST_F(PriorityScanTest, ACaptureConnectorLeadingNowhereIsReportedAsNoInterface) {
  Laptop();
  CaptureLeadingNowhere(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(Ready(MIRRORING | RCA_PRIORITY), E_NOINTERFACE);
  EXPECT_FALSE(Recorded(RecordedId::PriorityCapture));
}

TEST_F(PriorityScanTest, AnyOtherFailureOfTheCaptureWalkIsReportedAsItIs) {
  Laptop();
  CaptureLeadingNowhere(E_ACCESSDENIED);
  EXPECT_EQ(Ready(MIRRORING | RCA_PRIORITY), E_ACCESSDENIED);
}

TEST_F(PriorityScanTest, ARenderConnectorLeadingNowhereOnlySkipsThatEndpoint) {
  Laptop();
  sim::audio::EndpointSpec dock = OnJacks(eRender, {{eConnTypeRCA, true}});
  dock.connectedToFailure = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  sim::audio::AddEndpoint("dock-out", dock);
  sim::audio::AddEndpoint("amp-out", OnJacks(eRender, {{eConnTypeRCA, true}}));
  ASSERT_EQ(Ready(MIRRORING | RCA_PRIORITY), S_OK) << "the capture half's own calls succeeded";
  EXPECT_EQ(Recorded(RecordedId::PriorityRender), Id("amp-out"));
}

TEST_F(PriorityScanTest, WithoutADefaultRenderEndpointNoScanRuns) {
  sim::audio::AddEndpoint("dock-in", OnJacks(eCapture, {{eConnTypeRCA, true}}));
  EXPECT_EQ(Ready(MIRRORING | RCA_PRIORITY), E_NOTFOUND);
  EXPECT_FALSE(Recorded(RecordedId::PriorityCapture));
  EXPECT_EQ(startSwitches, Switches{});
}

TEST_F(PriorityScanTest, AnotherInitializeReplacesTheRecordedIds) {
  Laptop();
  sim::audio::AddEndpoint("hdmi", Hdmi());
  ASSERT_EQ(Ready(MIRRORING), S_OK);
  OnComThread([] { serviceEndpoint->Dispose(); });
  EXPECT_EQ(Recorded(RecordedId::Hdmi), Id("hdmi")) << "Dispose keeps the ids";
  sim::audio::AddEndpoint("hdmi-2", Hdmi());
  ASSERT_EQ(Initialize(), S_OK);
  EXPECT_EQ(Recorded(RecordedId::Hdmi), Id("hdmi-2"));
}

}  // namespace
}  // namespace koru
