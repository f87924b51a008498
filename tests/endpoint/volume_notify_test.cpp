// The volume callback where the scenarios cannot look (what it stores and
// its popup rules are scenario steps): a foreign output, the mute-state
// report's wake-ups, and popups claimed or running elsewhere.
#include <algorithm>

#include "endpoint/audio_ids.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "notify_fixture.h"
#include "sim/sessions.h"

namespace koru {
namespace {

constexpr wchar_t LIMIT_POPUP[] = L"KoruPopupWindow.exe";
constexpr wchar_t SWITCH_POPUP[] = L"KoruAudioSwitchWindow.exe";
constexpr char SPEAKERS[] = "speakers";
constexpr char HEADPHONES[] = "headphones";

class VolumeNotifyTest : public NotifyTest {
 protected:
  // The laptop's speakers attached and mirrored; the connector has handled
  // its first jack type.
  void OnSpeakers(DWORD features = MIRRORING) {
    Laptop();
    ASSERT_EQ(Ready(features), S_OK);
    ASSERT_EQ(outputType->load(), 0);
    JackTypeHandled();
  }
  // The same with the headphones as the default output.
  void OnHeadphones(DWORD features) {
    Laptop();
    sim::audio::ChangeDefault(HEADPHONES, {eConsole, eMultimedia, eCommunications});
    ASSERT_EQ(Ready(features), S_OK);
    ASSERT_EQ(outputType->load(), 1);
    JackTypeHandled();
  }

  void UserSetsVolume(const char* endpoint, float scalar, const GUID& context = GUID_NULL) {
    sim::audio::ChangeVolume(endpoint, scalar, context);
    sim::Settle();
  }
  void UserSetsMute(const char* endpoint, bool muted, const GUID& context = GUID_NULL) {
    sim::audio::ChangeMute(endpoint, muted, context);
    sim::Settle();
  }

  // A popup of this kind running, as its launcher leaves it.
  void Running(int kind) {
    RunOnServiceThread([kind] {
      ASSERT_TRUE(popupSlots[kind]->Claim());
      LaunchPopup(kind);
    });
  }
  static std::vector<sim::sessions::Ending> EndingsOf(const wchar_t* exe) {
    std::vector<sim::sessions::Ending> endings;
    for (const auto& ending : sim::sessions::Endings()) {
      if (sim::sessions::NamesProgram(exe, ending.program)) endings.push_back(ending);
    }
    return endings;
  }
  static size_t LaunchesOf(const wchar_t* exe) {
    size_t count = 0;
    for (const auto& launch : sim::sessions::Launches()) {
      count += sim::sessions::NamesProgram(exe, launch.program) ? 1 : 0;
    }
    return count;
  }
};

// ---- ignored notifications ------------------------------------------------------------

TEST_F(VolumeNotifyTest, AForeignOutputOnlyKeepsTheValueAndEndsBothPopups) {
  OnHeadphones(MIRRORING | VolumeLimitPopupWindow | SwitchPopupWindow);
  Running(VOLUME_LIMIT_POPUP);
  Running(SWITCH_WINDOW);
  *foreignEndpoint = 1;
  NewTrace();
  UserSetsVolume(HEADPHONES, 0.9f);
  UserSetsMute(HEADPHONES, true);
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{L"Ignore Notify info", L"Ignore Notify info"}));
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().volumeLevel, 90);
  EXPECT_EQ(serviceEndpoint->getCurrentVolume().bMuted, 1);
  EXPECT_EQ(Stored("HeadphoneVolume"), 17u);
  for (const wchar_t* exe : {LIMIT_POPUP, SWITCH_POPUP}) {
    std::vector<sim::sessions::Ending> endings = EndingsOf(exe);
    ASSERT_EQ(endings.size(), 1u) << "each ended once";
    EXPECT_TRUE(endings[0].terminated);
    EXPECT_EQ(endings[0].exitCode, 4u);
  }
  EXPECT_TRUE(popupSlots[VOLUME_LIMIT_POPUP]->Running()) << "the flag is the watcher's";
  EXPECT_TRUE(popupSlots[SWITCH_WINDOW]->Running()) << "the flag is the watcher's";
  EXPECT_EQ(LaunchesOf(LIMIT_POPUP), 1u) << "no new popup for 90 above the limit";
}

// ---- the mute-state report -----------------------------------------------------------

TEST_F(VolumeNotifyTest, AnUnmuteAfterAMuteIsReportedOnce) {
  OnSpeakers(MIRRORING | MuteStaeReport);
  *muteSeen = 0;
  UserSetsMute(SPEAKERS, true);
  EXPECT_EQ(muteSeen->load(), 1);
  EXPECT_FALSE(TakeWakeUp(*hMuteStateSemaphore)) << "a mute is not reported";
  NewTrace();
  UserSetsMute(SPEAKERS, false);
  UserSetsVolume(SPEAKERS, 0.45f);
  std::vector<std::wstring> trace = NewTrace();
  EXPECT_EQ(
      std::count(trace.begin(), trace.end(), L"start to send IOCTL_CMD_MUTESTATE_NOTIFY(0x10b)"), 2)
      << "every unmuted notification while the mute is unreported";
  EXPECT_TRUE(TakeWakeUp(*hMuteStateSemaphore));
  EXPECT_FALSE(TakeWakeUp(*hMuteStateSemaphore)) << "the second release found the count at 1";
}

TEST_F(VolumeNotifyTest, TheConnectorsOwnUnmuteIsReportedToo) {
  OnSpeakers(MIRRORING | MuteStaeReport);
  UserSetsMute(SPEAKERS, true, ServiceEventContext);
  UserSetsMute(SPEAKERS, false, ServiceEventContext);
  EXPECT_TRUE(Traced(L"start to send IOCTL_CMD_MUTESTATE_NOTIFY(0x10b)"));
  EXPECT_TRUE(TakeWakeUp(*hMuteStateSemaphore));
  EXPECT_EQ(Stored("SpeakerMute"), 0u);
}

// ---- the volume-limit popup ----------------------------------------------------------

constexpr DWORD LIMIT_FEATURES = MIRRORING | VolumeLimitPopupWindow;

TEST_F(VolumeNotifyTest, APopupClaimedElsewhereIsNotLaunchedTwice) {
  OnHeadphones(LIMIT_FEATURES);
  ASSERT_TRUE(popupSlots[VOLUME_LIMIT_POPUP]->Claim()) << "as the connector claims it";
  UserSetsVolume(HEADPHONES, 0.9f);
  EXPECT_EQ(LaunchesOf(LIMIT_POPUP), 0u);
  EXPECT_FALSE(Traced(L"Start to popup"));
}

TEST_F(VolumeNotifyTest, OnTheSpeakersAnyChangeEndsTheVolumeLimitPopup) {
  OnSpeakers(LIMIT_FEATURES);
  Running(VOLUME_LIMIT_POPUP);
  UserSetsVolume(SPEAKERS, 0.9f);
  ASSERT_EQ(EndingsOf(LIMIT_POPUP).size(), 1u);
  EXPECT_EQ(EndingsOf(LIMIT_POPUP)[0].exitCode, 4u);
  EXPECT_EQ(LaunchesOf(LIMIT_POPUP), 1u) << "the speakers launch nothing";
}

TEST_F(VolumeNotifyTest, WithoutTheFeatureNoPopup) {
  OnHeadphones(MIRRORING);
  UserSetsVolume(HEADPHONES, 0.9f);
  EXPECT_EQ(LaunchesOf(LIMIT_POPUP), 0u);
  EXPECT_EQ(Stored("HeadphoneVolume"), 90u);
}

}  // namespace
}  // namespace koru
