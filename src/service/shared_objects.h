// The objects the service's threads share: the flags, the semaphores that
// carry wake-ups, the stop event and the connector thread's handle, and the
// wake-up and wait helpers every thread uses. The popup slots (`pi[kind]`,
// `popupRunning[kind]`) are in launcher/popup_slots.h.
//
// The flags are single aligned values, read and written whole; their
// initial values hold from process start, in every process life. The
// semaphores (count 0, maximum 1), the stop event and the connector
// thread's handle are created by the service main function and live until
// the process ends: they are never closed, and they are the handles the
// machine's audit lists as open at exit.
#pragma once

#include <atomic>
#include <cstdint>

#include "launcher/popup_exe_names.h"
#include "platform/win32.h"
#include "service/process_wide.h"

// ---- flags -----------------------------------------------------------------

// Non-zero while a device connection is active. Cleared before any
// semaphore of a connection is released, so a woken worker that reads 0
// knows its connection ended.
extern ProcessWide<std::atomic<std::int32_t>> connectorActive;
// 1 after the volume-limit popup answered "ignore": no new volume-limit
// popup until it is cleared.
extern ProcessWide<std::atomic<std::int32_t>> IgnoreTrigger;
// 1 while the last volume notification said muted; an unmuted notification
// while it is 1 wakes the mute-state thread. 1 at process start.
extern ProcessWide<std::atomic<std::int32_t>> muteSeen;
// 1 while the mute-state thread sends its report to the driver.
extern ProcessWide<std::atomic<std::int32_t>> muteNotifyInFlight;
// The current output kind kept by the device connector: 0 speaker,
// 1 headphone.
extern ProcessWide<std::atomic<std::uint8_t>> outputType;
// 1 while the default render endpoint is neither the speakers nor an
// endpoint on a 3.5 mm jack.
extern ProcessWide<std::atomic<std::int32_t>> foreignEndpoint;
// 1 from a connection, and from each reset, until a speaker or headphone
// type has been handled; volume notifications are ignored meanwhile.
// 1 at process start.
extern ProcessWide<std::atomic<std::int32_t>> jackTypePending;
// 1 when the connector must ask the driver for the initial jack state.
extern ProcessWide<std::atomic<std::int32_t>> startupInitialPending;

// ---- semaphores, event and thread handle -------------------------------------

// Wakes the endpoint-change thread.
extern ProcessWide<std::atomic<HANDLE>> hChangeEndpointSemaphore;
// Wakes the mute-state thread.
extern ProcessWide<std::atomic<HANDLE>> hMuteStateSemaphore;
// Never released: every wait on it is a pause.
extern ProcessWide<std::atomic<HANDLE>> hDelaySemaphore;
// Released after each successful launch of a popup kind; wakes its watcher.
extern ProcessWide<std::atomic<HANDLE>> hPopupSemaphore[POPUP_KIND_COUNT];
// The current connector thread.
extern ProcessWide<std::atomic<HANDLE>> hConnectorThread;
// Set by the control handler when the service must stop (manual reset).
extern ProcessWide<std::atomic<HANDLE>> hStopEvent;

// Gives every flag its initial value and every handle null: part of the
// process start-up (service/process_life.cpp); the popup slots start
// empty with them.
void StartSharedObjects();
void EndSharedObjects();

// Creates the semaphores in the order the service main function needs:
// hChangeEndpointSemaphore, hMuteStateSemaphore, hDelaySemaphore, then
// hPopupSemaphore[0..2]. A semaphore that cannot be created stays null;
// returns whether hChangeEndpointSemaphore was created. The stop event and
// the connector thread are created later, by the service main function.
bool CreateSharedObjects();

// ---- wake-ups and waits ------------------------------------------------------

// A wake-up: a release of one count. A release while a wake-up is already
// pending fails and is ignored, so several wake-ups before a wait give one.
void WakeUp(HANDLE semaphore);
// Waits for a wake-up without time-out. False when the wait failed (the
// semaphore could not be created): the worker then ends instead of
// spinning on a wait that fails at once.
bool WaitForWakeUp(HANDLE semaphore);
// The 1000 ms pause, a wait on hDelaySemaphore.
void PauseOneSecond();
