// The entry point: which argument selects install mode, and what install
// mode registers with the service control manager.
#include "service/process_life.h"

#include <string>
#include <vector>

#include "platform/win32.h"
#include "service/service_main.h"
#include "sim/services.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

constexpr wchar_t kDefaultPath[] = L"C:\\Program Files\\Koru Audio\\KoruAudioService.exe";

class ServiceEntryTest : public ServiceTest {
 protected:
  static bool Registered() { return sim::services::Find(L"KoruAudioService").has_value(); }

  static std::vector<std::wstring> EventMessages() {
    std::vector<std::wstring> messages;
    for (const sim::eventlog::Record& record : sim::eventlog::Records()) {
      messages.push_back(record.strings.size() > 1 ? record.strings[1] : L"");
    }
    return messages;
  }
};

// ---- mode selection ------------------------------------------------------------

class InstallWordTest : public ServiceEntryTest,
                        public ::testing::WithParamInterface<std::vector<std::wstring>> {};

TEST_P(InstallWordTest, SelectsInstallMode) {
  EXPECT_EQ(RunService(GetParam()), 0u);
  EXPECT_TRUE(Registered());
  EXPECT_TRUE(Traced(L"Service installed successfully"));
  EXPECT_EQ(EventMessages(), std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(
    AnyCase, InstallWordTest,
    ::testing::Values(std::vector<std::wstring>{L"install"}, std::vector<std::wstring>{L"INSTALL"},
                      std::vector<std::wstring>{L"Install"}, std::vector<std::wstring>{L"iNSTALL"},
                      std::vector<std::wstring>{L"install", L"--quiet", L"more"}));

class ServiceWordTest : public ServiceEntryTest,
                        public ::testing::WithParamInterface<std::vector<std::wstring>> {};

TEST_P(ServiceWordTest, SelectsServiceMode) {
  EXPECT_EQ(RunService(GetParam()), 0u);
  EXPECT_FALSE(Registered());
  // From a console the dispatcher cannot connect; that is the one report.
  EXPECT_EQ(EventMessages(),
            std::vector<std::wstring>{L"StartServiceCtrlDispatcher failed with 1063"});
}

INSTANTIATE_TEST_SUITE_P(WholeArgumentCompared, ServiceWordTest,
                         ::testing::Values(std::vector<std::wstring>{},
                                           std::vector<std::wstring>{L"/install"},
                                           std::vector<std::wstring>{L"-install"},
                                           std::vector<std::wstring>{L"install2"},
                                           std::vector<std::wstring>{L" install"},
                                           std::vector<std::wstring>{L""},
                                           std::vector<std::wstring>{L"run", L"install"}));

// ---- installation ----------------------------------------------------------------

TEST_F(ServiceEntryTest, InstallRegistersAnAutoStartOwnProcessServiceWithAQuotedPath) {
  RunService({L"install"});
  std::optional<sim::services::Registration> registration =
      sim::services::Find(L"KoruAudioService");
  ASSERT_TRUE(registration.has_value());
  EXPECT_EQ(registration->name, L"KoruAudioService");
  EXPECT_EQ(registration->displayName, L"KoruAudioService");
  EXPECT_EQ(registration->desiredAccess, 0xF01FFu);
  EXPECT_EQ(registration->serviceType, 0x10u);
  EXPECT_EQ(registration->startType, 2u);
  EXPECT_EQ(registration->errorControl, 1u);
  EXPECT_EQ(registration->binaryPath, std::wstring(L"\"") + kDefaultPath + L"\"");
  EXPECT_EQ(registration->loadOrderGroup, std::nullopt);
  EXPECT_FALSE(registration->tagIdRequested);
  EXPECT_EQ(registration->dependencies, std::nullopt);
  EXPECT_EQ(registration->startName, std::nullopt);
  EXPECT_EQ(registration->password, std::nullopt);
}

TEST_F(ServiceEntryTest, LongestModulePathFitsInItsQuotes) {
  // 259 characters, the most that a MAX_PATH buffer holds.
  std::wstring path = L"C:\\" + std::wstring(250, L'd') + L"\\a.exe";
  ASSERT_EQ(path.size(), 259u);
  sim::SetModulePath(path);
  RunService({L"install"});
  std::optional<sim::services::Registration> registration =
      sim::services::Find(L"KoruAudioService");
  ASSERT_TRUE(registration.has_value());
  EXPECT_EQ(registration->binaryPath, L"\"" + path + L"\"");
}

TEST_F(ServiceEntryTest, InstallClosesEveryHandleItOpened) {
  RunService({L"install"});
  EXPECT_EQ(sim::HandlesOpenAtExit(), std::vector<std::string>{});
}

TEST_F(ServiceEntryTest, UnreadableModulePathRegistersNothing) {
  sim::Fail("GetModuleFileNameW", {.error = ERROR_NOT_ENOUGH_MEMORY});
  EXPECT_EQ(RunService({L"install"}), 0u);
  EXPECT_TRUE(Traced(L"Cannot install service (8)"));
  EXPECT_FALSE(Registered());
  EXPECT_EQ(sim::CallCounts()["OpenSCManagerW"], 0u);
}

TEST_F(ServiceEntryTest, RefusedManagerRegistersNothingAndLeavesNoHandle) {
  sim::services::SetElevated(false);
  EXPECT_EQ(RunService({L"install"}), 0u);
  EXPECT_TRUE(Traced(L"OpenSCManager failed (5)"));
  EXPECT_FALSE(Traced(L"Service installed successfully"));
  EXPECT_FALSE(Registered());
  EXPECT_EQ(sim::HandlesOpenAtExit(), std::vector<std::string>{});
}

// ---- the service main function outside the service control manager -----------

TEST_F(ServiceEntryTest, ServiceMainWithoutAStatusHandleReportsAndStops) {
  StartServiceProcess();
  RunOnServiceThread([] { ServiceMain(0, nullptr); });
  std::vector<std::wstring> events = EventMessages();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_TRUE(events[0].starts_with(L"RegisterServiceCtrlHandler failed with "))
      << ::testing::PrintToString(events[0]);
  EXPECT_EQ(sim::CallCounts()["SetServiceStatus"], 0u);
}

}  // namespace
}  // namespace koru
