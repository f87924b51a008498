// The popup slots: per popup kind, the running popup's launch (`pi[kind]`)
// and its flag (`popupRunning[kind]`), with the one way every routine
// claims, launches, ends and watches a popup.
//
// Several routines end popups and close their handles (the watchers, the
// device connector routine, the endpoint callback, the end of a
// connection, pre-shutdown, stop) while a watcher may wait on the same
// process and a new launch may already be filling the slot. A launch is
// therefore a reference-counted record: the slot holds one reference, a
// watcher that took the launch another, and the process and thread handles
// close with the last reference. So each launch's handles are closed
// exactly once, whoever lets go last, and never while another thread waits
// on them. A slot's lock guards only its bookkeeping; it is never held
// across a wait, a TerminateProcess or a CloseHandle.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "launcher/popup_exe_names.h"
#include "platform/win32.h"
#include "service/process_wide.h"

// The exit code of a popup that the service ends.
inline constexpr UINT POPUP_ENDED_EXIT_CODE = 4;

class PopupLaunch;

// A launch as a watcher took it from its slot. Holding it keeps the
// process and thread handles open; letting it go closes them when the slot
// has let go too.
class PopupWatch {
 public:
  PopupWatch() = default;

  // Whether a launch was taken; nothing is taken on a stale wake-up.
  explicit operator bool() const { return taken_; }
  // Waits without time-out until the popup's process has ended. False when
  // the wait failed.
  bool WaitForExit() const;
  // GetExitCodeProcess on the popup's process: 4 when another routine ended
  // it, STILL_ACTIVE while it runs. A popup ended before the watcher took
  // it has no handles left and reads 4 all the same.
  BOOL GetExitCode(DWORD* exitCode) const;

 private:
  friend class PopupSlot;

  std::shared_ptr<PopupLaunch> launch_;  // null: ended before it was taken
  bool taken_ = false;
};

class PopupSlot {
 public:
  PopupSlot() = default;
  PopupSlot(const PopupSlot&) = delete;
  PopupSlot& operator=(const PopupSlot&) = delete;
  ~PopupSlot();

  // `popupRunning[kind]`: set by the routine that launches the popup,
  // cleared when the popup was ended or its watcher finished it.
  bool Running() const;
  // Before a launch: sets the flag when it is clear, as one step, and says
  // whether it did. False: the kind is running or being launched already.
  bool Claim();
  // Sets the flag whatever it was, for the routines that launch
  // unconditionally.
  void MarkRunning();

  // After a successful launch: the slot takes the process and thread
  // handles and offers the launch to the kind's watcher. A launch still in
  // the slot is let go (its handles close once no watcher holds it).
  void Publish(const PROCESS_INFORMATION& launched);

  // Ends the popup when the flag is set: clears the flag, terminates the
  // process with exit code 4 and lets go of the handles. Returns whether
  // the flag was set.
  bool End();
  // Terminates the process with exit code 4 when the flag is set, and
  // leaves the flag and the handles to the watcher. Returns whether the
  // flag was set.
  bool Terminate();

  // For the watcher, after each wake-up: the launch it was woken for, or
  // nothing when no launch is waiting to be taken (a stale wake-up).
  PopupWatch TakeLaunch();
  // After the watcher acted on the exit code: lets go of the slot's handles
  // and clears the flag, but only when the slot still holds the watched
  // launch (not a newer one, nor none after another routine ended it). A
  // claim made since that launch belongs to the next launch and keeps the
  // flag set. The watch is let go in every case.
  void Finish(PopupWatch& watch);

 private:
  // Whether the launch in the slot still waits for its watcher.
  enum class Offer : std::uint8_t { None, Launch, EndedBeforeTaken };

  SRWLOCK lock_ = SRWLOCK_INIT;
  std::shared_ptr<PopupLaunch> pi_;
  Offer offer_ = Offer::None;
  // The flag was claimed or marked again since `pi_` was published.
  bool claimedSinceLaunch_ = false;
  std::atomic<std::int32_t> popupRunning_{0};
};

// One slot per popup kind, empty at process start.
extern ProcessWide<PopupSlot> popupSlots[POPUP_KIND_COUNT];
