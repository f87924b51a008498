// The handle owner: each handle closed exactly once, whatever path it takes.
// The machine's handle audit (checked by the fixture) catches any double
// close; the open-handle count catches any leak.
#include "platform/unique_handle.h"

#include <map>
#include <string>
#include <type_traits>
#include <utility>

#include "support/service_fixture.h"

namespace koru {
namespace {

static_assert(!std::is_copy_constructible_v<UniqueKernelHandle>);
static_assert(!std::is_copy_assignable_v<UniqueKernelHandle>);
static_assert(std::is_move_constructible_v<UniqueKernelHandle>);
static_assert(!std::is_convertible_v<UniqueKernelHandle, HANDLE>);
static_assert(!std::is_convertible_v<UniqueKernelHandle, bool>);
static_assert(std::is_constructible_v<bool, UniqueKernelHandle>);

class UniqueHandleTest : public ServiceTest {
 protected:
  void SetUp() override {
    ServiceTest::SetUp();
    StartServiceProcess();
    baseline_ = OpenHandleCount();
  }

  // Handles the test holds beyond those of the process's start-up.
  int Held() const { return OpenHandleCount() - baseline_; }

  static HANDLE NewEvent() { return CreateEventW(nullptr, TRUE, FALSE, nullptr); }

 private:
  int baseline_ = 0;
};

TEST_F(UniqueHandleTest, EmptyOwnerHoldsTheInvalidValueAndClosesNothing) {
  const uint64_t closes = sim::CallCounts()["CloseHandle"];
  RunOnServiceThread([] {
    UniqueKernelHandle kernel;
    UniqueFileHandle file;
    EXPECT_EQ(kernel.get(), nullptr);
    EXPECT_FALSE(kernel);
    EXPECT_EQ(file.get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(file);
  });
  EXPECT_EQ(sim::CallCounts()["CloseHandle"], closes);
}

TEST_F(UniqueHandleTest, DestructorClosesTheHandle) {
  RunOnServiceThread([&] {
    UniqueKernelHandle event(NewEvent());
    EXPECT_TRUE(event);
  });
  EXPECT_EQ(Held(), 0);
}

TEST_F(UniqueHandleTest, PutClosesTheOldHandleBeforeTheSlotIsFilled) {
  UniqueKernelHandle event;
  HANDLE first = nullptr;
  RunOnServiceThread([&] { first = *event.put() = NewEvent(); });
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(Held(), 1);

  HANDLE* slot = nullptr;
  RunOnServiceThread([&] { slot = event.put(); });
  EXPECT_EQ(Held(), 0);
  EXPECT_EQ(*slot, nullptr);

  RunOnServiceThread([&] { *slot = NewEvent(); });
  EXPECT_NE(event.get(), first);
  EXPECT_EQ(Held(), 1);
  RunOnServiceThread([&] { event.reset(); });
  EXPECT_EQ(Held(), 0);
}

TEST_F(UniqueHandleTest, ReleaseHandsTheHandleOverWithoutClosingIt) {
  HANDLE released = nullptr;
  RunOnServiceThread([&] {
    UniqueKernelHandle event(NewEvent());
    released = event.release();
    EXPECT_FALSE(event);
  });
  EXPECT_EQ(Held(), 1);
  RunOnServiceThread([&] { EXPECT_TRUE(CloseHandle(released)); });
  EXPECT_EQ(Held(), 0);
}

TEST_F(UniqueHandleTest, ResetClosesTheOldHandleAndTakesTheNewOne) {
  UniqueKernelHandle event;
  RunOnServiceThread([&] { event.reset(NewEvent()); });
  EXPECT_EQ(Held(), 1);
  RunOnServiceThread([&] { event.reset(NewEvent()); });
  EXPECT_EQ(Held(), 1);
  RunOnServiceThread([&] { event.reset(); });
  EXPECT_EQ(Held(), 0);
  EXPECT_FALSE(event);
}

TEST_F(UniqueHandleTest, MoveLeavesTheSourceEmptyAndClosesOnce) {
  RunOnServiceThread([&] {
    UniqueKernelHandle source(NewEvent());
    HANDLE handle = source.get();
    UniqueKernelHandle target(std::move(source));
    EXPECT_FALSE(source);
    EXPECT_EQ(target.get(), handle);
  });
  EXPECT_EQ(Held(), 0);
}

TEST_F(UniqueHandleTest, MoveAssignmentClosesTheTargetsOldHandle) {
  UniqueKernelHandle target;
  UniqueKernelHandle source;
  RunOnServiceThread([&] {
    target.reset(NewEvent());
    source.reset(NewEvent());
  });
  EXPECT_EQ(Held(), 2);
  RunOnServiceThread([&] { target = std::move(source); });
  EXPECT_EQ(Held(), 1);
  EXPECT_FALSE(source);
  RunOnServiceThread([&] {
    // Self-assignment must neither close nor lose the handle.
    UniqueKernelHandle& alias = target;
    target = std::move(alias);
    EXPECT_TRUE(target);
  });
  EXPECT_EQ(Held(), 1);
  RunOnServiceThread([&] { target.reset(); });
  EXPECT_EQ(Held(), 0);
}

TEST_F(UniqueHandleTest, EveryTraitClosesWithItsOwnFunction) {
  std::map<std::string, uint64_t> before = sim::CallCounts();
  RunOnServiceThread([&] {
    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, nullptr, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    UniqueEventSource source(RegisterEventSourceW(nullptr, L"KoruAudioService"));
    EXPECT_TRUE(key);
    EXPECT_TRUE(manager);
    EXPECT_TRUE(source);
  });
  EXPECT_EQ(Held(), 0);
  std::map<std::string, uint64_t> after = sim::CallCounts();
  EXPECT_EQ(after["RegCloseKey"] - before["RegCloseKey"], 1u);
  EXPECT_EQ(after["CloseServiceHandle"] - before["CloseServiceHandle"], 1u);
  EXPECT_EQ(after["DeregisterEventSource"] - before["DeregisterEventSource"], 1u);
  EXPECT_EQ(after["CloseHandle"] - before["CloseHandle"], 0u);
}

}  // namespace
}  // namespace koru
