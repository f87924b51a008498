// The settings object where the scenarios cannot look (what start-ups read
// and keep is scenario steps): a value deleted while running, reads of odd
// sizes, failed writes, writes without a key, and failed defaults.
#include "settings/registry_entry.h"

#include <optional>
#include <string>

#include "platform/win32.h"
#include "settings/loaded_values.h"
#include "sim/registry.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

constexpr DWORD kPoison = 0xDEADBEEF;

class RegistryEntryTest : public ServiceTest {
 protected:
  // Reads one value on a service thread into a variable that starts as
  // `initial`.
  DWORD Read(RegistryValueIndex index, DWORD initial = kPoison) {
    DWORD value = initial;
    RunOnServiceThread([&] { registryEntry->getRegistryValue(index, &value); });
    return value;
  }

  LONG Write(RegistryValueIndex index, DWORD value) {
    LONG status = -1;
    RunOnServiceThread([&] { status = registryEntry->setRegistryValue(index, value); });
    return status;
  }

  static std::optional<uint32_t> Stored(const char* name) {
    return sim::registry::GetDword(SETTINGS_KEY_PATH, name);
  }
};

// ---- reads -----------------------------------------------------------------------

TEST_F(RegistryEntryTest, ValueDeletedWhileRunningReadsItsDefaultAndWritesItBack) {
  StartServiceProcess();
  sim::registry::DeleteValue(SETTINGS_KEY_PATH, "HeadphoneVolume");
  ASSERT_EQ(Stored("HeadphoneVolume"), std::nullopt);
  const size_t mark = TraceMark();

  EXPECT_EQ(Read(RegistryValueIndex::HeadphoneVolume), 17u);
  EXPECT_EQ(Stored("HeadphoneVolume"), std::optional<uint32_t>(17));
  EXPECT_EQ(TraceMessagesSince(mark),
            std::vector<std::wstring>{L"Get Registry value HeadphoneVolume:17, type is 0"});
}

TEST_F(RegistryEntryTest, OneByteValueChangesOnlyTheFirstByte) {
  sim::registry::SetBinary(SETTINGS_KEY_PATH, "SpeakerMute", {0x01});
  StartServiceProcess();
  EXPECT_EQ(Read(RegistryValueIndex::SpeakerMute, 0xAABBCC00), 0xAABBCC01u);
}

TEST_F(RegistryEntryTest, SignedVariableReceivesTheValue) {
  sim::registry::SetDword(SETTINGS_KEY_PATH, "SpeakerVolume", 0xFFFFFFFF);
  StartServiceProcess();
  int value = 0;
  RunOnServiceThread(
      [&] { registryEntry->getRegistryValue(RegistryValueIndex::SpeakerVolume, &value); });
  EXPECT_EQ(value, -1);
}

// ---- writes ----------------------------------------------------------------------

TEST_F(RegistryEntryTest, FailedWriteTracesItsStatus) {
  StartServiceProcess();
  sim::Fail("RegSetValueExA", {.error = ERROR_ACCESS_DENIED});
  const size_t mark = TraceMark();
  EXPECT_EQ(Write(RegistryValueIndex::SpeakerVolume, 80), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Stored("SpeakerVolume"), std::optional<uint32_t>(60));
  EXPECT_EQ(TraceMessagesSince(mark),
            (std::vector<std::wstring>{L"Set reg status:5",
                                       L"Set Registry value SpeakerVolume:80, type is 0"}));
}

// ---- without a settings key -------------------------------------------------------

class RegistryEntryWithoutKeyTest : public RegistryEntryTest {
 protected:
  void SetUp() override {
    RegistryEntryTest::SetUp();
    sim::Fail("RegCreateKeyExA", {.error = ERROR_ACCESS_DENIED});
    StartServiceProcess();
  }
};

TEST_F(RegistryEntryWithoutKeyTest, WriteToTheNullKeyTracesStatus6) {
  const size_t mark = TraceMark();
  EXPECT_EQ(Write(RegistryValueIndex::HeadphoneVolume, 30), ERROR_INVALID_HANDLE);
  EXPECT_EQ(TraceMessagesSince(mark),
            (std::vector<std::wstring>{L"Set reg status:6",
                                       L"Set Registry value HeadphoneVolume:30, type is 0"}));
  EXPECT_FALSE(sim::registry::KeyExists(SETTINGS_KEY_PATH));
}

// ---- defaults written into a new key ----------------------------------------------

TEST_F(RegistryEntryTest, FailedLastDefaultIsAConnectionFailureAndIsRewrittenOnRead) {
  // The five first writes succeed; "ServiceVersion" fails once.
  sim::Fail("RegSetValueExA", {.skip = 5, .error = ERROR_ACCESS_DENIED});
  StartServiceProcess();
  EXPECT_TRUE(Traced(L"Fail to init registryKey on ServiceVersion, status is 5"));
  EXPECT_TRUE(Traced(L"Constructor error: Failed on connecting"));
  // The load found the value missing and wrote its default.
  EXPECT_TRUE(Traced(L"Get Registry value ServiceVersion:255, type is 0"));
  EXPECT_EQ(serviceVersion->version, 0xFFu);
  EXPECT_EQ(Stored("ServiceVersion"), std::optional<uint32_t>(0xFF));
}

TEST_F(RegistryEntryTest, FailedEarlierDefaultDoesNotFailTheConnection) {
  sim::Fail("RegSetValueExA", {.error = ERROR_ACCESS_DENIED});
  StartServiceProcess();
  EXPECT_TRUE(Traced(L"Fail to init registryKey on SpeakerVolume, status is 5"));
  EXPECT_TRUE(Traced(L"Succeed to init registryKey on ServiceVersion"));
  EXPECT_FALSE(Traced(L"Constructor error: Failed on connecting"));
  EXPECT_EQ(Stored("SpeakerVolume"), std::nullopt);
}

}  // namespace
}  // namespace koru
