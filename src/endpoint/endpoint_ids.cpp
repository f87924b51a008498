// The recorded endpoint ids behind their lock.
#include "endpoint/endpoint_ids.h"

#include <cstring>
#include <utility>

#include "platform/lock_guards.h"

namespace {

UniqueCoTaskMemString TaskMemoryCopy(LPCWSTR id) {
  std::size_t bytes = (std::wcslen(id) + 1) * sizeof(WCHAR);
  UniqueCoTaskMemString copy(static_cast<LPWSTR>(CoTaskMemAlloc(bytes)));
  if (copy) std::memcpy(copy.get(), id, bytes);
  return copy;
}

}  // namespace

bool SameEndpointId(LPCWSTR first, LPCWSTR second) {
  return first != nullptr && second != nullptr && StrCmpCW(first, second) == 0;
}

UniqueCoTaskMemString& EndpointIds::slot(RecordedId which) {
  return const_cast<UniqueCoTaskMemString&>(std::as_const(*this).slot(which));
}

const UniqueCoTaskMemString& EndpointIds::slot(RecordedId which) const {
  switch (which) {
    case RecordedId::Hdmi:
      return hdmiDeviceId;
    case RecordedId::PriorityRender:
      return priorityRenderDeviceId;
    case RecordedId::PriorityCapture:
      break;
  }
  return priorityCaptureDeviceId;
}

void EndpointIds::Replace(RecordedId which, UniqueCoTaskMemString id) {
  {
    ExclusiveSrwGuard hold(lock_);
    std::swap(slot(which), id);
  }
  // `id` now holds the replaced string: freed outside the lock.
}

bool EndpointIds::ReplaceWithCopy(RecordedId which, LPCWSTR id) {
  UniqueCoTaskMemString copy = TaskMemoryCopy(id);
  if (!copy) return false;
  Replace(which, std::move(copy));
  return true;
}

std::optional<std::wstring> EndpointIds::Copy(RecordedId which) const {
  SharedSrwGuard hold(lock_);
  const UniqueCoTaskMemString& id = slot(which);
  if (!id) return std::nullopt;
  return std::wstring(id.get());
}

bool EndpointIds::Known(RecordedId which) const {
  SharedSrwGuard hold(lock_);
  return static_cast<bool>(slot(which));
}

bool EndpointIds::Matches(RecordedId which, LPCWSTR id) const {
  SharedSrwGuard hold(lock_);
  return SameEndpointId(slot(which).get(), id);
}

bool EndpointIds::ForgetIfMatches(RecordedId which, LPCWSTR id) {
  UniqueCoTaskMemString forgotten;
  {
    ExclusiveSrwGuard hold(lock_);
    if (!SameEndpointId(slot(which).get(), id)) return false;
    std::swap(slot(which), forgotten);
  }
  return true;
}

void EndpointIds::Clear() {
  Replace(RecordedId::Hdmi, UniqueCoTaskMemString());
  Replace(RecordedId::PriorityRender, UniqueCoTaskMemString());
  Replace(RecordedId::PriorityCapture, UniqueCoTaskMemString());
}
