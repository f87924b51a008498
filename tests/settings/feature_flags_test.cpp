// The feature word: bits above the traced flags that add no trace lines,
// the flag test, and the priority connection type field.
#include "settings/feature_flags.h"

#include <algorithm>
#include <string>

#include "settings/loaded_values.h"
#include "sim/registry.h"
#include "support/service_fixture.h"

namespace koru {
namespace {

class FeatureFlagsTest : public ServiceTest {
 protected:
  // The trace lines of a process start with this feature word: the line
  // that prints the word and the eleven after it.
  std::vector<std::wstring> StartWith(DWORD version) {
    sim::registry::SetDword(SETTINGS_KEY_PATH, "ServiceVersion", version);
    StartServiceProcess();
    std::vector<std::wstring> messages = TraceMessages();
    auto first = std::find_if(messages.begin(), messages.end(), [](const std::wstring& m) {
      return m.starts_with(L"serviceVersion.version ");
    });
    return {first, first + std::min<std::ptrdiff_t>(12, messages.end() - first)};
  }
};

TEST_F(FeatureFlagsTest, FallbackAndConnectionTypeBitsAddNoLines) {
  std::vector<std::wstring> lines = StartWith(0xFFFFF800);
  ASSERT_EQ(lines.size(), 12u) << ::testing::PrintToString(lines);
  EXPECT_EQ(lines[0], L"serviceVersion.version 0xfffff800");
  // Every traced flag is clear: the set bits all lie above 0x400.
  EXPECT_EQ(lines[9], L"KoruAudioSwitchWindow Version");
  EXPECT_EQ(lines[11], L"NonHDMIPriority Version");
  std::vector<std::wstring> all = TraceMessages();
  auto flagLines = std::count_if(all.begin(), all.end(),
                                 [](const std::wstring& m) { return m.ends_with(L" Version"); });
  EXPECT_EQ(flagLines, 11) << ::testing::PrintToString(all);
}

TEST_F(FeatureFlagsTest, LoadedWordAnswersFlagQueries) {
  StartWith(0x0104);
  EXPECT_TRUE(IsFeatureOn(SwitchPopupWindow));
  EXPECT_TRUE(IsFeatureOn(KoruAudioServiceSwitchUsed));
  EXPECT_FALSE(IsFeatureOn(VolumeLimitPopupWindow));
  EXPECT_FALSE(IsFeatureOn(ChimeWindowUsed));
}

TEST(PriorityConnectionTypeTest, IsBits12To15OfTheWord) {
  EXPECT_EQ(PriorityConnectionTypeOf(0x00FF), 0u);
  EXPECT_EQ(PriorityConnectionTypeOf(0x30FF), 3u);
  EXPECT_EQ(PriorityConnectionTypeOf(0xF000), 15u);
  EXPECT_EQ(PriorityConnectionTypeOf(0x12345), 2u);
  EXPECT_EQ(PriorityConnectionTypeOf(0xFFFF0FFF), 0u);
}

}  // namespace
}  // namespace koru
