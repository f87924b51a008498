// The endpoint ids that the default-device priority policy records (the
// HDMI endpoint, the render and the capture endpoint on the priority jack),
// shared by the start-up scans and Windows' notification threads.
#pragma once

#include <optional>
#include <string>

#include "platform/com_memory.h"
#include "platform/win32.h"

enum class RecordedId { Hdmi, PriorityRender, PriorityCapture };

// Every id is a string in COM task memory: a GetId result, or a copy made
// with CoTaskMemAlloc. A scan or a notification may replace or forget an id
// while another thread reads it, so the three are guarded by one small
// lock, held only to copy, compare or replace them and never across a call
// into the audio stack. A replaced or forgotten string is freed once, with
// CoTaskMemFree, after the lock is left. Whoever passes an id on to the
// audio stack takes a private copy first.
class EndpointIds {
 public:
  EndpointIds() = default;
  EndpointIds(const EndpointIds&) = delete;
  EndpointIds& operator=(const EndpointIds&) = delete;
  ~EndpointIds() = default;

  // Takes the id over (null: none is recorded from now on).
  void Replace(RecordedId which, UniqueCoTaskMemString id);
  // A task-memory copy of `id`, recorded. False when the copy could not
  // be made; the id recorded before stays then.
  bool ReplaceWithCopy(RecordedId which, LPCWSTR id);
  // A private copy, none when no id is recorded.
  std::optional<std::wstring> Copy(RecordedId which) const;
  bool Known(RecordedId which) const;
  // Whether the recorded id is exactly `id` (StrCmpCW, case-sensitive); a
  // missing id never matches.
  bool Matches(RecordedId which, LPCWSTR id) const;
  // Forgets the recorded id when it is exactly `id`; returns whether it did.
  bool ForgetIfMatches(RecordedId which, LPCWSTR id);
  // Forgets all three.
  void Clear();

 private:
  UniqueCoTaskMemString& slot(RecordedId which);
  const UniqueCoTaskMemString& slot(RecordedId which) const;

  mutable SRWLOCK lock_ = SRWLOCK_INIT;
  UniqueCoTaskMemString hdmiDeviceId;
  UniqueCoTaskMemString priorityRenderDeviceId;
  UniqueCoTaskMemString priorityCaptureDeviceId;
};

// Exact, case-sensitive comparison of two endpoint ids; null equals nothing.
bool SameEndpointId(LPCWSTR first, LPCWSTR second);
