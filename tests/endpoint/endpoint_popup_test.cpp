// The volume-limit popup and the attachment: once the default output is the
// speakers, a running volume-limit popup is ended with exit code 4.
#include "endpoint_fixture.h"
#include "launcher/launch_popup.h"
#include "launcher/popup_slots.h"
#include "service/shared_objects.h"
#include "sim/sessions.h"

namespace koru {
namespace {

constexpr wchar_t POPUP_EXE[] = L"KoruPopupWindow.exe";

class PopupEndTest : public EndpointTest {
 protected:
  // Attached to the headphones with the volume-limit popup running.
  void HeadphonesWithPopup() {
    Laptop();
    sim::audio::ChangeDefault("headphones", {eConsole, eMultimedia, eCommunications});
    StartWith(MIRRORING | VolumeLimitPopupWindow);
    RunOnServiceThread([] { CreateSharedObjects(); });
    ASSERT_EQ(Initialize(), S_OK);
    ASSERT_EQ(outputType->load(), 1);
    RunOnServiceThread([] {
      ASSERT_TRUE(popupSlots[VOLUME_LIMIT_POPUP]->Claim());
      LaunchPopup(VOLUME_LIMIT_POPUP);
    });
    ASSERT_TRUE(sim::sessions::Running(POPUP_EXE));
  }

  static std::vector<sim::sessions::Ending> PopupEndings() {
    std::vector<sim::sessions::Ending> endings;
    for (const auto& ending : sim::sessions::Endings()) {
      if (sim::sessions::NamesProgram(POPUP_EXE, ending.program)) endings.push_back(ending);
    }
    return endings;
  }
};

TEST_F(PopupEndTest, TheSpeakersAsNewDefaultEndThePopupWithFour) {
  HeadphonesWithPopup();
  sim::audio::ChangeDefault("speakers", {eMultimedia});
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  std::vector<sim::sessions::Ending> endings = PopupEndings();
  ASSERT_EQ(endings.size(), 1u);
  EXPECT_TRUE(endings[0].terminated);
  EXPECT_EQ(endings[0].exitCode, 4u);
  EXPECT_FALSE(popupSlots[VOLUME_LIMIT_POPUP]->Running());
  EXPECT_EQ(outputType->load(), 0);
}

TEST_F(PopupEndTest, TheHeadphonesAgainLeaveThePopupRunning) {
  HeadphonesWithPopup();
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  EXPECT_TRUE(PopupEndings().empty());
  EXPECT_TRUE(sim::sessions::Running(POPUP_EXE));
  EXPECT_TRUE(popupSlots[VOLUME_LIMIT_POPUP]->Running());
}

TEST_F(PopupEndTest, AForeignDefaultEndsThePopupOnlyAfterTheSpeakers) {
  HeadphonesWithPopup();
  sim::audio::EndpointSpec hdmi = RenderWith(DigitalAudioDisplayDevice);
  hdmi.makeDefault = true;
  sim::audio::Arrive("hdmi", hdmi);
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  EXPECT_EQ(foreignEndpoint->load(), 1);
  EXPECT_TRUE(PopupEndings().empty()) << "the output is still the headphones";

  *outputType = 0;
  OnComThread([] { serviceEndpoint->ChangeEndpoint(); });
  ASSERT_EQ(PopupEndings().size(), 1u);
  EXPECT_EQ(PopupEndings()[0].exitCode, 4u);
}

}  // namespace
}  // namespace koru
