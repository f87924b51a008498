// COM apartments: each thread picks its model with its first
// initialisation, and keeps it until it has uninitialised as often as it
// initialised.
#include "com_apartments.h"

#include <map>

#include "kernel.h"
#include "sim/win32/com.h"

namespace sim::com {
namespace {

struct ThreadApartment {
  Apartment model = Apartment::None;
  int initialisations = 0;
};

// By thread id: ids are not reused until Reset, which empties the map.
std::map<DWORD, ThreadApartment>& Apartments() {
  static auto* apartments = new std::map<DWORD, ThreadApartment>;
  return *apartments;
}

void ResetApartments() { Apartments().clear(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetApartments), true);

constexpr DWORD kKnownFlags =
    COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

HRESULT Join(DWORD threadId, Apartment model) {
  ThreadApartment& apartment = Apartments()[threadId];
  if (apartment.model != Apartment::None && apartment.model != model) return RPC_E_CHANGED_MODE;
  apartment.model = model;
  return ++apartment.initialisations == 1 ? S_OK : S_FALSE;
}

HRESULT Initialise(LPVOID reserved, DWORD coInit) {
  if (reserved != nullptr || (coInit & ~kKnownFlags) != 0) return E_INVALIDARG;
  Apartment model = (coInit & COINIT_APARTMENTTHREADED) != 0 ? Apartment::SingleThreaded
                                                             : Apartment::MultiThreaded;
  auto lock = Lock();
  return Join(CurrentThreadId(), model);
}

}  // namespace

Apartment ApartmentOf(DWORD threadId) {
  auto found = Apartments().find(threadId);
  return found == Apartments().end() ? Apartment::None : found->second.model;
}

void JoinMultiThreaded(DWORD threadId) { Join(threadId, Apartment::MultiThreaded); }

}  // namespace sim::com

HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
  if (auto error = sim::Enter("CoInitializeEx", static_cast<uint32_t>(E_FAIL))) {
    return static_cast<HRESULT>(*error);
  }
  return sim::com::Initialise(pvReserved, dwCoInit);
}

HRESULT WINAPI CoInitialize(LPVOID pvReserved) {
  if (auto error = sim::Enter("CoInitialize", static_cast<uint32_t>(E_FAIL))) {
    return static_cast<HRESULT>(*error);
  }
  return sim::com::Initialise(pvReserved, COINIT_APARTMENTTHREADED);
}

// An unbalanced call is ignored, as on Windows.
void WINAPI CoUninitialize() {
  sim::Enter("CoUninitialize", ERROR_SUCCESS);
  auto lock = sim::Lock();
  auto& apartments = sim::com::Apartments();
  auto found = apartments.find(sim::CurrentThreadId());
  if (found == apartments.end()) return;
  if (--found->second.initialisations == 0) apartments.erase(found);
}
