// How a thread of the service joins COM before it calls into the endpoint
// objects: apartment-threaded, the model of the service main function, so
// that the jack probe's CoInitialize on the same thread only counts again.
#pragma once

#include "platform/win32.h"

// S_OK the first time, S_FALSE when the thread has joined already,
// RPC_E_CHANGED_MODE when it joined the multithreaded apartment before.
// The thread stays in the apartment until it ends.
inline HRESULT JoinComApartment() {
  return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}
