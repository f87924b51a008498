// Install mode where the scenarios cannot look: every field of the
// registration, the longest module path, the handles it leaves, and the
// failures before CreateService.
#include "service/process_life.h"

#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/services.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

constexpr wchar_t kDefaultPath[] = L"C:\\Program Files\\Koru Audio\\KoruAudioService.exe";

class ServiceEntryTest : public ServiceTest {
 protected:
  static bool Registered() { return sim::services::Find(L"KoruAudioService").has_value(); }
};

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

}  // namespace
}  // namespace koru
