// Device files on the machine: the opens it refuses, synchronous requests
// carried out one at a time per handle, cancellation, closing a handle under
// a pending request, the end of the process, and removal.
#include <string>

#include "device_io_fixture.h"
#include "sim/windows.h"

namespace sim_test {
namespace {

using sim::codec::FINISH_HEADPHONE;
using sim::codec::JACKSTATE_NOTIFY;
using sim::codec::MUTESTATE_NOTIFY;
using Lines = std::vector<std::string>;

using DeviceFileTest = DeviceTest;
using DeviceRequestTest = DeviceTest;

// ---- opening ---------------------------------------------------------------------

TEST_F(DeviceFileTest, OverlappedAndCreatingOpensAreRefused) {
  SetLastError(kPoison);
  EXPECT_EQ(CreateFileW(sim::codec::DEFAULT_PATH, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                        FILE_FLAG_OVERLAPPED, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  SetLastError(kPoison);
  EXPECT_EQ(
      CreateFileW(sim::codec::DEFAULT_PATH, GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr),
      INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- one request at a time per handle -------------------------------------------

TEST_F(DeviceRequestTest, RequestWaitsForTheOnePendingOnItsHandle) {
  HANDLE file = Open();
  Call& notify = SendAndSettle(file, JACKSTATE_NOTIFY, {}, 1);
  Call& mute = SendAndSettle(file, MUTESTATE_NOTIFY, {1});
  EXPECT_FALSE(notify.returned);
  EXPECT_FALSE(mute.returned) << "the mute state waits behind the pending request";
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_NOTIFY in= pending"}) << "the driver has not seen it yet";

  sim::codec::Jack(1);
  sim::Settle();
  EXPECT_TRUE(notify.ok);
  EXPECT_EQ(notify.output, 1);
  EXPECT_TRUE(mute.ok);
  EXPECT_EQ(LogLines(), (Lines{"JACKSTATE_NOTIFY in= ok 1", "MUTESTATE_NOTIFY in=1 ok 0"}));
  CloseHandle(file);
}

TEST_F(DeviceRequestTest, AnotherHandleIsNotHeldUp) {
  HANDLE connector = Open();
  HANDLE own = Open();
  Call& notify = SendAndSettle(connector, JACKSTATE_NOTIFY, {}, 1);
  Call& answer = SendAndSettle(own, FINISH_HEADPHONE, {4});
  EXPECT_FALSE(notify.returned);
  EXPECT_TRUE(answer.ok);
  ASSERT_EQ(sim::codec::Requests().size(), 2u);
  EXPECT_EQ(sim::codec::Requests()[1].handle, own);
  CloseHandle(connector);
  CloseHandle(own);
  sim::Settle();
  EXPECT_EQ(notify.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
}

TEST_F(DeviceRequestTest, BadArgumentsFailBeforeTheDriver) {
  HANDLE file = Open();
  Call& overlapped = NewCall(file, MUTESTATE_NOTIFY, {1}, 0);
  sim::StartThread([&] {
    OVERLAPPED ov{};
    DWORD bytes = 0;
    overlapped.ok = DeviceIoControl(file, MUTESTATE_NOTIFY, overlapped.input.data(), 1, nullptr, 0,
                                    &bytes, &ov);
    overlapped.error = GetLastError();
  });
  Call& nullInput = NewCall(file, MUTESTATE_NOTIFY, {}, 0);
  sim::StartThread([&] {
    DWORD bytes = 0;
    nullInput.ok = DeviceIoControl(file, MUTESTATE_NOTIFY, nullptr, 1, nullptr, 0, &bytes, nullptr);
    nullInput.error = GetLastError();
  });
  sim::Settle();
  EXPECT_FALSE(overlapped.ok);
  EXPECT_EQ(overlapped.error, static_cast<DWORD>(ERROR_NOT_SUPPORTED));
  EXPECT_FALSE(nullInput.ok);
  EXPECT_EQ(nullInput.error, static_cast<DWORD>(ERROR_NOACCESS));
  EXPECT_EQ(LogLines(), Lines{});
  CloseHandle(file);
}

TEST_F(DeviceRequestTest, ClosedHandleIsAFault) {
  HANDLE file = Open();
  CloseHandle(file);
  Call& call = SendAndSettle(file, MUTESTATE_NOTIFY, {1});
  EXPECT_FALSE(call.ok);
  EXPECT_EQ(call.error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
  ASSERT_EQ(sim::HandleFaults().size(), 1u);
  EXPECT_NE(sim::HandleFaults()[0].find("DeviceIoControl"), std::string::npos)
      << sim::HandleFaults()[0];
  AllowHandleFaults();
}

// ---- cancellation, closing, ending ------------------------------------------------

TEST_F(DeviceRequestTest, CancelSynchronousIoAbortsThePendingRequest) {
  HANDLE file = Open();
  Call& notify = NewCall(file, JACKSTATE_NOTIFY, {}, 1);
  HANDLE thread = Send(notify);
  sim::Settle();
  SetLastError(kPoison);
  EXPECT_TRUE(CancelSynchronousIo(thread));
  sim::Settle();
  EXPECT_FALSE(notify.ok);
  EXPECT_EQ(notify.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(notify.output, 0xEE) << "the output byte is untouched";
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_NOTIFY in= failed 995"});
  sim::codec::Jack(1);
  EXPECT_EQ(sim::codec::QueuedJackEvents(), 1u) << "the driver no longer holds the request";
  CloseHandle(file);
}

TEST_F(DeviceRequestTest, CancelSynchronousIoWithNothingPendingIsNotFound) {
  HANDLE file = Open();
  Call& mute = NewCall(file, MUTESTATE_NOTIFY, {1}, 0);
  HANDLE thread = Send(mute);
  sim::Settle();
  SetLastError(kPoison);
  EXPECT_FALSE(CancelSynchronousIo(thread));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
  CloseHandle(file);
}

TEST_F(DeviceRequestTest, CancellingAWaitingRequestWithdrawsItUnseen) {
  HANDLE file = Open();
  Call& notify = SendAndSettle(file, JACKSTATE_NOTIFY, {}, 1);
  Call& mute = NewCall(file, MUTESTATE_NOTIFY, {1}, 0);
  HANDLE thread = Send(mute);
  sim::Settle();
  EXPECT_TRUE(CancelSynchronousIo(thread));
  sim::Settle();
  EXPECT_EQ(mute.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_FALSE(notify.returned);
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_NOTIFY in= pending"});
  CloseHandle(file);
}

TEST_F(DeviceRequestTest, ClosingTheHandleAbortsPendingAndWaitingRequests) {
  HANDLE file = Open();
  Call& notify = SendAndSettle(file, JACKSTATE_NOTIFY, {}, 1);
  Call& mute = SendAndSettle(file, MUTESTATE_NOTIFY, {1});
  EXPECT_TRUE(CloseHandle(file));
  sim::Settle();
  EXPECT_EQ(notify.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(mute.error, static_cast<DWORD>(ERROR_OPERATION_ABORTED));
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_NOTIFY in= failed 995"});
}

TEST_F(DeviceRequestTest, ProcessEndAbortsThePendingRequest) {
  HANDLE file = Open();
  SendAndSettle(file, JACKSTATE_NOTIFY, {}, 1);
  sim::EndProgram();
  EXPECT_EQ(LogLines(), Lines{"JACKSTATE_NOTIFY in= failed 995"});
  EXPECT_TRUE(sim::Problems().empty()) << sim::Problems().front();
}

// ---- removal -------------------------------------------------------------------

TEST_F(DeviceRequestTest, RemovalFailsPendingAndLaterRequestsForGood) {
  HANDLE file = Open();
  Call& notify = SendAndSettle(file, JACKSTATE_NOTIFY, {}, 1);
  sim::codec::Remove();
  sim::Settle();
  EXPECT_EQ(notify.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  Call& mute = SendAndSettle(file, MUTESTATE_NOTIFY, {1});
  EXPECT_EQ(mute.error, static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_EQ(LogLines(),
            (Lines{"JACKSTATE_NOTIFY in= failed 1167", "MUTESTATE_NOTIFY in=1 failed 1167"}));
  SetLastError(kPoison);
  EXPECT_EQ(Open(), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

  // The device's return does not bring the old handle back.
  sim::codec::Arrive();
  HANDLE fresh = Open();
  ASSERT_NE(fresh, INVALID_HANDLE_VALUE);
  EXPECT_EQ(SendAndSettle(file, MUTESTATE_NOTIFY, {1}).error,
            static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_TRUE(SendAndSettle(fresh, MUTESTATE_NOTIFY, {1}).ok);
  CloseHandle(file);
  CloseHandle(fresh);
}

}  // namespace
}  // namespace sim_test

namespace sim_test {
namespace {

using DeviceFreeRunningTest = FreeRunning<DeviceTest>;

// Threads that really run in parallel: one waits in the driver, others
// queue behind it, one cancels it and one closes the handle.
TEST_F(DeviceFreeRunningTest, FreeRunningCancelAndCloseAgainstQueuedRequests) {
  for (int run = 0; run < 20; ++run) {
    HANDLE file = Open();
    Call& notify = NewCall(file, JACKSTATE_NOTIFY, {}, 1);
    HANDLE waiter = Send(notify);
    std::vector<Call*> mutes;
    for (int i = 0; i < 3; ++i) {
      mutes.push_back(&NewCall(file, MUTESTATE_NOTIFY, {1}, 0));
      Send(*mutes.back());
    }
    sim::StartThread([waiter] { CancelSynchronousIo(waiter); });
    sim::StartThread([file] { CloseHandle(file); });
    sim::Settle();
    EXPECT_TRUE(notify.returned) << "run " << run;
    EXPECT_FALSE(notify.ok) << "run " << run;
    for (const Call* mute : mutes) {
      EXPECT_TRUE(mute->returned) << "run " << run;
      // Sent before the close, or aborted by it, or refused after it.
      if (!mute->ok) {
        EXPECT_TRUE(mute->error == ERROR_OPERATION_ABORTED || mute->error == ERROR_INVALID_HANDLE)
            << "run " << run << " error " << mute->error;
      }
    }
  }
  AllowHandleFaults();  // a request after the close uses a closed handle, on purpose
}

}  // namespace
}  // namespace sim_test
