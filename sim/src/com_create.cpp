// CoCreateInstance and the classes the machine registers: the device
// enumerator and the two policy-config clients, all in-process servers.
#include "audio_objects.h"
#include "com_apartments.h"
#include "com_objects.h"

namespace sim::com {
namespace {

// A new object of the class with one reference, or null for a class the
// machine does not know (lock held).
IUnknown* NewClassObject(REFCLSID clsid) {
  if (clsid == kMMDeviceEnumeratorClass) return audio::NewEnumerator();
  if (clsid == CLSID_PolicyConfigClient) return audio::NewPolicyConfig();
  if (clsid == CLSID_PolicyConfigVistaClient) return audio::NewPolicyConfigVista();
  return nullptr;
}

// Makes the object, or says why not (lock held).
HRESULT MakeObject(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, IUnknown** object) {
  if (ApartmentOf(CurrentThreadId()) == Apartment::None) return CO_E_NOTINITIALIZED;
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  *object = NewClassObject(rclsid);
  return *object != nullptr ? S_OK : REGDB_E_CLASSNOTREG;
}

}  // namespace
}  // namespace sim::com

HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                REFIID riid, LPVOID* ppv) {
  if (ppv != nullptr) *ppv = nullptr;
  if (auto error = sim::Enter("CoCreateInstance", static_cast<uint32_t>(E_FAIL))) {
    return static_cast<HRESULT>(*error);
  }
  if (ppv == nullptr) return E_POINTER;
  IUnknown* object = nullptr;
  {
    auto lock = sim::Lock();
    HRESULT status = sim::com::MakeObject(rclsid, pUnkOuter, dwClsContext, &object);
    if (FAILED(status)) return status;
  }
  // The caller's reference comes from QueryInterface; the creation's goes.
  HRESULT status = object->QueryInterface(riid, ppv);
  object->Release();
  return status;
}
