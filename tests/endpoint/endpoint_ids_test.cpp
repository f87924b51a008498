// The recorded endpoint ids: replaced, copied, compared exactly and
// forgotten, each string freed once with the allocator that made it (the
// machine's COM audit records a second free or a foreign block).
#include "endpoint/endpoint_ids.h"

#include <cstring>
#include <cwchar>

#include "endpoint_fixture.h"

namespace koru {
namespace {

constexpr wchar_t HDMI_ID[] = L"{0.0.0.00000000}.{5b9e0d0c-hdmi}";
constexpr wchar_t DOCK_ID[] = L"{0.0.0.00000000}.{aa01-dock}";

class EndpointIdsTest : public EndpointTest {
 protected:
  void SetUp() override {
    EndpointTest::SetUp();
    StartWith(0);
  }

  // A string in task memory, as IMMDevice::GetId hands it out.
  static UniqueCoTaskMemString TaskMemory(const wchar_t* text) {
    size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
    UniqueCoTaskMemString memory(static_cast<LPWSTR>(CoTaskMemAlloc(bytes)));
    std::memcpy(memory.get(), text, bytes);
    return memory;
  }
};

TEST_F(EndpointIdsTest, AReplacedIdIsFreedOnceAndTheNewOneKept) {
  RunOnServiceThread([] {
    EndpointIds ids;
    EXPECT_FALSE(ids.Known(RecordedId::Hdmi));
    EXPECT_EQ(ids.Copy(RecordedId::Hdmi), std::nullopt);
    ids.Replace(RecordedId::Hdmi, TaskMemory(HDMI_ID));
    ids.Replace(RecordedId::Hdmi, TaskMemory(DOCK_ID));
    EXPECT_EQ(ids.Copy(RecordedId::Hdmi), DOCK_ID);
    EXPECT_FALSE(ids.Known(RecordedId::PriorityRender)) << "each id is its own";
    ids.Replace(RecordedId::Hdmi, UniqueCoTaskMemString());
    EXPECT_FALSE(ids.Known(RecordedId::Hdmi));
  });
  EXPECT_TRUE(sim::com::Faults().empty()) << Joined(sim::com::Faults());
}

TEST_F(EndpointIdsTest, IdsAreComparedExactlyAndANullNeverMatches) {
  RunOnServiceThread([] {
    EndpointIds ids;
    EXPECT_FALSE(ids.Matches(RecordedId::PriorityCapture, DOCK_ID)) << "nothing recorded";
    ASSERT_TRUE(ids.ReplaceWithCopy(RecordedId::PriorityCapture, DOCK_ID));
    EXPECT_TRUE(ids.Matches(RecordedId::PriorityCapture, DOCK_ID));
    EXPECT_FALSE(ids.Matches(RecordedId::PriorityCapture, L"{0.0.0.00000000}.{AA01-DOCK}"));
    EXPECT_FALSE(ids.Matches(RecordedId::PriorityCapture, nullptr));
    EXPECT_FALSE(ids.Matches(RecordedId::PriorityRender, DOCK_ID));
  });
  EXPECT_TRUE(SameEndpointId(HDMI_ID, HDMI_ID));
  EXPECT_FALSE(SameEndpointId(nullptr, nullptr));
}

TEST_F(EndpointIdsTest, OnlyTheMatchingIdIsForgotten) {
  RunOnServiceThread([] {
    EndpointIds ids;
    ids.ReplaceWithCopy(RecordedId::Hdmi, HDMI_ID);
    ids.ReplaceWithCopy(RecordedId::PriorityRender, DOCK_ID);
    ids.ReplaceWithCopy(RecordedId::PriorityCapture, DOCK_ID);
    EXPECT_FALSE(ids.ForgetIfMatches(RecordedId::Hdmi, DOCK_ID));
    EXPECT_TRUE(ids.ForgetIfMatches(RecordedId::PriorityRender, DOCK_ID));
    EXPECT_FALSE(ids.ForgetIfMatches(RecordedId::PriorityRender, DOCK_ID)) << "forgotten once";
    EXPECT_EQ(ids.Copy(RecordedId::Hdmi), HDMI_ID);
    EXPECT_EQ(ids.Copy(RecordedId::PriorityCapture), DOCK_ID);
    ids.Clear();
    EXPECT_FALSE(ids.Known(RecordedId::Hdmi));
    EXPECT_FALSE(ids.Known(RecordedId::PriorityCapture));
  });
  EXPECT_TRUE(sim::com::Faults().empty()) << Joined(sim::com::Faults());
}

TEST_F(EndpointIdsTest, ACopyThatCannotBeMadeKeepsTheRecordedId) {
  sim::FaultSpec second;
  second.skip = 1;
  sim::Fail("CoTaskMemAlloc", second);
  RunOnServiceThread([] {
    EndpointIds ids;
    ASSERT_TRUE(ids.ReplaceWithCopy(RecordedId::PriorityRender, HDMI_ID));
    EXPECT_FALSE(ids.ReplaceWithCopy(RecordedId::PriorityRender, DOCK_ID));
    EXPECT_EQ(ids.Copy(RecordedId::PriorityRender), HDMI_ID);
  });
}

TEST_F(EndpointIdsTest, TheResetForgetsTheObjectsIds) {
  RunOnServiceThread([] { serviceEndpoint->deviceIds.ReplaceWithCopy(RecordedId::Hdmi, HDMI_ID); });
  OnComThread([] { serviceEndpoint->Reset(); });
  EXPECT_FALSE(serviceEndpoint->deviceIds.Known(RecordedId::Hdmi));
  EXPECT_TRUE(sim::com::Faults().empty()) << Joined(sim::com::Faults());
}

}  // namespace
}  // namespace koru
