// The process-wide objects: built by the start-up routine, gone after the
// process ends, and fresh in every process life.
#include "service/process_life.h"

#include <string>

#include "device/device_connector.h"
#include "endpoint/endpoint_callback.h"
#include "launcher/popup_exe_names.h"
#include "service/shared_objects.h"
#include "settings/loaded_values.h"
#include "settings/registry_entry.h"
#include "sim/registry.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

using ProcessLifeTest = ServiceTest;

TEST_F(ProcessLifeTest, ObjectsLiveExactlyAsLongAsTheProcess) {
  StartServiceProcess();
  EXPECT_TRUE(volumeLimit.alive());
  EXPECT_TRUE(serviceVersion.alive());
  EXPECT_TRUE(outputType.alive());
  EXPECT_TRUE(registryEntry.alive());
  EXPECT_TRUE(serviceEndpoint.alive());
  EXPECT_TRUE(codecDevice.alive());
  EXPECT_TRUE(popupExeNames.alive());

  EndServiceProcess();
  EXPECT_FALSE(popupExeNames.alive());
  EXPECT_FALSE(codecDevice.alive());
  EXPECT_FALSE(serviceEndpoint.alive());
  EXPECT_FALSE(registryEntry.alive());
  EXPECT_FALSE(outputType.alive());
  EXPECT_FALSE(serviceVersion.alive());
  EXPECT_FALSE(volumeLimit.alive());
  // The settings key and its parent were closed with the settings object.
  EXPECT_EQ(sim::HandlesOpenAtExit(), std::vector<std::string>{});
}

TEST_F(ProcessLifeTest, SettingsObjectIsTheFirstToTrace) {
  StartServiceProcess();
  std::vector<std::wstring> messages = TraceMessages();
  ASSERT_GE(messages.size(), 2u);
  EXPECT_EQ(messages[0], L"Entry of registryEntry");
  EXPECT_EQ(messages[1], L"Connect to registry");
}

TEST_F(ProcessLifeTest, EveryLifeStartsAfresh) {
  sim::registry::SetDword(SETTINGS_KEY_PATH, "VolumeLimit", 45);
  StartServiceProcess();
  EXPECT_EQ(*volumeLimit, 45);
  outputType->store(1);
  EndServiceProcess();

  sim::registry::SetDword(SETTINGS_KEY_PATH, "VolumeLimit", 50);
  StartServiceProcess();
  EXPECT_EQ(*volumeLimit, 50);
  EXPECT_EQ(outputType->load(), 0);
}

}  // namespace
}  // namespace koru
