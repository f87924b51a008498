// LaunchPopup where the scenarios cannot look: kinds switched off, the
// console user's own token and environment, the start-up record, the
// handles kept, the results and traces of each failure, and the wake-up
// after a successful launch only.
#include "launcher/launch_popup.h"

#include "launcher_fixture.h"

namespace koru {
namespace {

using LaunchPopupTest = LauncherTest;

const std::wstring SWITCH_PATH = std::wstring(INSTALL_DIR) + L"KoruAudioSwitchWindow.exe";

TEST_F(LaunchPopupTest, ASwitchedOffOrUnknownKindDoesNothing) {
  StartWith(0x0004);
  for (int kind : {VOLUME_LIMIT_POPUP, CHIME_WINDOW, 3, -1}) {
    EXPECT_EQ(Launch(kind), 1) << "kind " << kind;
  }
  EXPECT_TRUE(NewTrace().empty()) << ::testing::PrintToString(NewTrace());
  EXPECT_TRUE(Launches().empty());
  EXPECT_EQ(sim::CallCounts().count("WTSGetActiveConsoleSessionId"), 0u);
}

TEST_F(LaunchPopupTest, ThePopupRunsAsTheConsoleUserInTheConsoleSession) {
  sim::sessions::SetConsole(3, true);
  StartWith(0x0001);
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  ASSERT_EQ(Launches().size(), 1u);
  const sim::sessions::Launch& launch = Launches()[0];
  EXPECT_EQ(launch.user, sim::sessions::TokenUser::ConsoleUser);
  EXPECT_EQ(launch.session, 3u);
  EXPECT_EQ(launch.environment, sim::sessions::Environment::ConsoleUser);
  EXPECT_EQ(sim::CallCounts().count("OpenProcessToken"), 0u);
  EXPECT_EQ(sim::CallCounts().count("SetTokenInformation"), 0u);
}

TEST_F(LaunchPopupTest, TheStartUpRecordShowsNoWindowOnTheInteractiveDesktop) {
  StartWith(0x0001);
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  ASSERT_EQ(Launches().size(), 1u);
  const sim::sessions::Launch& launch = Launches()[0];
  EXPECT_FALSE(launch.applicationName.has_value());
  EXPECT_EQ(launch.desktop.value_or(L"(none)"), L"WinSta0\\Default");
  EXPECT_EQ(launch.creationFlags, 0x430u);
  EXPECT_EQ(launch.startupSize, 104u);
  EXPECT_EQ(launch.startupFlags, static_cast<DWORD>(STARTF_USESHOWWINDOW));
  EXPECT_EQ(launch.showWindow, SW_HIDE);
  EXPECT_FALSE(launch.inheritHandles);
}

TEST_F(LaunchPopupTest, ASuccessfulLaunchWakesTheWatcherAndKeepsOnlyThePopupsHandles) {
  StartWith(0x0001);
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  EXPECT_TRUE(TakeWakeUp(VOLUME_LIMIT_POPUP));
  EXPECT_FALSE(TakeWakeUp(VOLUME_LIMIT_POPUP)) << "one wake-up per launch";
  EXPECT_EQ(OpenOfKind("Process"), 1);
  EXPECT_EQ(OpenOfKind("Thread"), 1) << "the popup's primary thread";
  EXPECT_EQ(OpenOfKind("Token"), 0) << "both tokens closed";
  EXPECT_EQ(sim::sessions::LiveEnvironmentBlocks(), 0);
  PopupWatch watch;
  RunOnServiceThread([&] { watch = popupSlots[VOLUME_LIMIT_POPUP]->TakeLaunch(); });
  EXPECT_TRUE(watch) << "the slot offers the launch to the watcher";
  watch = PopupWatch();
}

TEST_F(LaunchPopupTest, NobodyLoggedOnStartsNothingAndNeedsNoRetry) {
  sim::sessions::SetConsole(1, false);
  StartWith(0x0200);
  EXPECT_EQ(Launch(CHIME_WINDOW), 1);
  EXPECT_TRUE(Launches().empty());
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{
                            std::wstring(INSTALL_DIR) + L"ChimeWindow.exe",
                            L"No user logged on at the console, WTSQueryUserToken ERROR 1008"}));
  EXPECT_FALSE(TakeWakeUp(CHIME_WINDOW));
  EXPECT_FALSE(popupSlots[CHIME_WINDOW]->Running());
}

TEST_F(LaunchPopupTest, AFailedDuplicateStartsNothing) {
  StartWith(0x0001);
  sim::Fail("DuplicateTokenEx", {});
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  EXPECT_TRUE(Launches().empty());
  EXPECT_EQ(NewTrace().size(), 1u) << "the path only";
  EXPECT_EQ(OpenOfKind("Token"), 0);
}

TEST_F(LaunchPopupTest, AFailedEnvironmentIsTracedAndTheLaunchGoesOn) {
  StartWith(0x0001);
  sim::Fail("CreateEnvironmentBlock", {});
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  EXPECT_EQ(NewTrace().back(), L"CreateEnvironmentBlock ERROR 8");
  ASSERT_EQ(Launches().size(), 1u);
  EXPECT_EQ(Launches()[0].environment, sim::sessions::Environment::None);
  EXPECT_TRUE(TakeWakeUp(VOLUME_LIMIT_POPUP));
}

TEST_F(LaunchPopupTest, AFailedCreationIsTracedAndWakesNobody) {
  StartWith(0x0004);
  sim::Fail("CreateProcessAsUserW", {.error = ERROR_FILE_NOT_FOUND});
  EXPECT_EQ(Launch(SWITCH_WINDOW), 0);
  EXPECT_EQ(NewTrace(), (std::vector<std::wstring>{SWITCH_PATH, L"CreateProcessAsUser ERROR 2"}));
  EXPECT_FALSE(TakeWakeUp(SWITCH_WINDOW));
  EXPECT_TRUE(Launches().empty());
  EXPECT_EQ(OpenOfKind("Token"), 0);
  EXPECT_EQ(sim::sessions::LiveEnvironmentBlocks(), 0);
  PopupWatch watch;
  RunOnServiceThread([&] { watch = popupSlots[SWITCH_WINDOW]->TakeLaunch(); });
  EXPECT_FALSE(watch) << "nothing offered to the watcher";
}

TEST_F(LaunchPopupTest, TheDirectoryIsCutAtTheLastBackslash) {
  sim::SetModulePath(L"D:\\A B\\C\\KoruAudioService.exe");
  StartWith(0x0001);
  EXPECT_EQ(Launch(VOLUME_LIMIT_POPUP), 1);
  ASSERT_EQ(Launches().size(), 1u);
  EXPECT_EQ(Launches()[0].program, L"D:\\A B\\C\\KoruPopupWindow.exe");
  EXPECT_EQ(NewTrace(), std::vector<std::wstring>{L"D:\\A B\\C\\KoruPopupWindow.exe"});
}

}  // namespace
}  // namespace koru
