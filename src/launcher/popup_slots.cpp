// The popup slots: reference-counted launch records behind a per-kind lock.
#include "launcher/popup_slots.h"

#include <utility>

#include "platform/lock_guards.h"
#include "platform/unique_handle.h"

constinit ProcessWide<PopupSlot> popupSlots[POPUP_KIND_COUNT];

// One launch of a popup. Its handles close when the last holder, the slot
// or a watcher, lets go of it.
class PopupLaunch {
 public:
  explicit PopupLaunch(const PROCESS_INFORMATION& launched)
      : process_(launched.hProcess), thread_(launched.hThread) {}

  HANDLE process() const { return process_.get(); }

 private:
  UniqueKernelHandle process_;
  UniqueKernelHandle thread_;
};

namespace {

// The flag may be set with no launch behind it (the launch failed).
void TerminateLaunch(const PopupLaunch* launch) {
  if (launch != nullptr) TerminateProcess(launch->process(), POPUP_ENDED_EXIT_CODE);
}

}  // namespace

bool PopupWatch::WaitForExit() const {
  if (!launch_) return true;
  return WaitForSingleObject(launch_->process(), INFINITE) == WAIT_OBJECT_0;
}

BOOL PopupWatch::GetExitCode(DWORD* exitCode) const {
  if (!launch_) {
    *exitCode = POPUP_ENDED_EXIT_CODE;
    return TRUE;
  }
  return GetExitCodeProcess(launch_->process(), exitCode);
}

PopupSlot::~PopupSlot() = default;

bool PopupSlot::Running() const { return popupRunning_.load() != 0; }

bool PopupSlot::Claim() {
  ExclusiveSrwGuard guard(lock_);
  if (popupRunning_.load() != 0) return false;
  popupRunning_.store(1);
  claimedSinceLaunch_ = true;
  return true;
}

void PopupSlot::MarkRunning() {
  ExclusiveSrwGuard guard(lock_);
  popupRunning_.store(1);
  claimedSinceLaunch_ = true;
}

void PopupSlot::Publish(const PROCESS_INFORMATION& launched) {
  auto launch = std::make_shared<PopupLaunch>(launched);
  std::shared_ptr<PopupLaunch> replaced;
  {
    ExclusiveSrwGuard guard(lock_);
    replaced = std::exchange(pi_, std::move(launch));
    offer_ = Offer::Launch;
    claimedSinceLaunch_ = false;
  }
}

bool PopupSlot::End() {
  std::shared_ptr<PopupLaunch> launch;
  {
    ExclusiveSrwGuard guard(lock_);
    if (popupRunning_.load() == 0) return false;
    popupRunning_.store(0);
    // A watcher that has not taken the launch yet still learns that the
    // service ended it, although the handles close now.
    if (offer_ == Offer::Launch) offer_ = Offer::EndedBeforeTaken;
    launch = std::move(pi_);
  }
  TerminateLaunch(launch.get());
  return true;
}

bool PopupSlot::Terminate() {
  std::shared_ptr<PopupLaunch> launch;
  {
    ExclusiveSrwGuard guard(lock_);
    if (popupRunning_.load() == 0) return false;
    launch = pi_;
  }
  TerminateLaunch(launch.get());
  return true;
}

PopupWatch PopupSlot::TakeLaunch() {
  PopupWatch watch;
  ExclusiveSrwGuard guard(lock_);
  if (offer_ == Offer::None) return watch;
  if (offer_ == Offer::Launch) watch.launch_ = pi_;
  offer_ = Offer::None;
  watch.taken_ = true;
  return watch;
}

void PopupSlot::Finish(PopupWatch& watch) {
  PopupWatch finished = std::exchange(watch, PopupWatch());
  std::shared_ptr<PopupLaunch> released;
  ExclusiveSrwGuard guard(lock_);
  if (!finished.launch_ || pi_ != finished.launch_) return;
  if (!claimedSinceLaunch_) popupRunning_.store(0);
  released = std::move(pi_);
}
