// The feature word: the start-up trace of its flags in their fixed order,
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

TEST_F(FeatureFlagsTest, FlagsAreTracedLowByteDownwardsThenTheHighFlags) {
  // 0x0A5A: 0x40, 0x10, 0x08, 0x02 and 0x200 set, and 0x800, which is not
  // traced.
  EXPECT_EQ(StartWith(0x0A5A), (std::vector<std::wstring>{
                                   L"serviceVersion.version 0xa5a",
                                   L"NonMuteStaeReport Version",
                                   L"StartupInitial Version",
                                   L"NonPropertySet Version",
                                   L"FxProperty Version",
                                   L"PropertyInitial Version",
                                   L"NonSwitchPopupWindow Version",
                                   L"VolumeCallbakRegister Version",
                                   L"NonVolumeLimitPopupWindow Version",
                                   L"KoruAudioSwitchWindow Version",
                                   L"ChimeWindowUsed Version",
                                   L"NonHDMIPriority Version",
                               }));
}

TEST_F(FeatureFlagsTest, ComplementTracesEveryOtherText) {
  EXPECT_EQ(StartWith(0x05A5), (std::vector<std::wstring>{
                                   L"serviceVersion.version 0x5a5",
                                   L"MuteStaeReport Version",
                                   L"NonStartupInitial Version",
                                   L"PropertySet Version",
                                   L"EdProperty Version",
                                   L"NonPropertyInitial Version",
                                   L"SwitchPopupWindow Version",
                                   L"NonVolumeCallbakRegister Version",
                                   L"VolumeLimitPopupWindow Version",
                                   L"KoruAudioServiceSwitchUsed Version",
                                   L"NonChimeWindowUsed Version",
                                   L"HDMIPriority Version",
                               }));
}

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
