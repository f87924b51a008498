// COM of the simulated machine: IUnknown, apartments, object creation, task
// memory and the property values that the audio stack hands out.
#pragma once

#include "sim/win32/base.h"

// Interfaces are abstract classes whose virtual functions are the slots of
// the interface, in Windows' order. Objects end through Release, never
// through a pointer to an interface, hence the protected destructors.
struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

// HRESULTs of COM.
#define RPC_E_CHANGED_MODE static_cast<HRESULT>(0x80010106u)
#define RPC_E_DISCONNECTED static_cast<HRESULT>(0x80010108u)
#define CO_E_NOTINITIALIZED static_cast<HRESULT>(0x800401F0u)
#define REGDB_E_CLASSNOTREG static_cast<HRESULT>(0x80040154u)
#define CLASS_E_NOAGGREGATION static_cast<HRESULT>(0x80040110u)
#define STG_E_ACCESSDENIED static_cast<HRESULT>(0x80030005u)

enum COINIT {
  COINIT_MULTITHREADED = 0x0,
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8,
};

enum CLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
};
#define CLSCTX_ALL \
  (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define STGM_READ 0x00000000u
#define STGM_WRITE 0x00000001u
#define STGM_READWRITE 0x00000002u

// Apartments: the first initialisation of a thread picks its model; a later
// one with the same model answers S_FALSE, one with the other model
// RPC_E_CHANGED_MODE. Every successful call is balanced by CoUninitialize.
HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
HRESULT WINAPI CoInitialize(LPVOID pvReserved);
void WINAPI CoUninitialize();

// Creates an object of a registered class: CO_E_NOTINITIALIZED on a thread
// without an apartment, REGDB_E_CLASSNOTREG for a class the machine does not
// know, E_NOINTERFACE when the object lacks the interface.
HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                REFIID riid, LPVOID* ppv);

// Task memory: what COM methods hand out (device ids, strings in property
// values) and the caller frees. Freeing a block the machine did not give out
// is a recorded COM fault, not a corruption.
LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
void WINAPI CoTaskMemFree(LPVOID pv);

// Property values.
using VARTYPE = unsigned short;
using VARIANT_BOOL = short;
using SCODE = LONG;

enum VARENUM {
  VT_EMPTY = 0,
  VT_NULL = 1,
  VT_I2 = 2,
  VT_I4 = 3,
  VT_R4 = 4,
  VT_R8 = 5,
  VT_ERROR = 10,
  VT_BOOL = 11,
  VT_I1 = 16,
  VT_UI1 = 17,
  VT_UI2 = 18,
  VT_UI4 = 19,
  VT_I8 = 20,
  VT_UI8 = 21,
  VT_INT = 22,
  VT_UINT = 23,
  VT_LPSTR = 30,
  VT_LPWSTR = 31,
  VT_CLSID = 72,
};

struct PROPVARIANT {
  VARTYPE vt;
  WORD wReserved1;
  WORD wReserved2;
  WORD wReserved3;
  union {
    CHAR cVal;
    UCHAR bVal;
    SHORT iVal;
    USHORT uiVal;
    LONG lVal;
    ULONG ulVal;
    INT intVal;
    UINT uintVal;
    FLOAT fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    LPSTR pszVal;
    LPWSTR pwszVal;
    CLSID* puuid;
  };
};
using LPPROPVARIANT = PROPVARIANT*;
using REFPROPVARIANT = const PROPVARIANT&;

// Frees what the value owns (the task memory of VT_LPWSTR, VT_LPSTR and
// VT_CLSID) and leaves it VT_EMPTY.
HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar);

struct PROPERTYKEY {
  GUID fmtid;
  DWORD pid;
};
using REFPROPERTYKEY = const PROPERTYKEY&;

inline bool IsEqualPropertyKey(REFPROPERTYKEY a, REFPROPERTYKEY b) {
  return a.pid == b.pid && a.fmtid == b.fmtid;
}
