// The two policy-config interfaces of the Windows audio stack, which the SDK
// does not declare: the endpoint property writer and the default-endpoint
// switch. The service calls one method of each, both at slot 12. The
// simulated machine implements this very declaration, as Windows implements
// its own private one.
#pragma once

#include "platform/win32.h"

// Slots 3 to 11 of both interfaces hold methods the service never calls;
// they are declared only so that the method it calls sits at slot 12.
struct IPolicyConfig : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() = 0;
  // Writes a property of the endpoint into its own store, or into its
  // effects store when bFxStore is TRUE.
  virtual HRESULT STDMETHODCALLTYPE SetPropertyValue(LPCWSTR deviceId, BOOL bFxStore,
                                                     const PROPERTYKEY* key,
                                                     PROPVARIANT* value) = 0;

 protected:
  ~IPolicyConfig() = default;
};

struct IPolicyConfigVista : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot3() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot4() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot5() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot6() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot7() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot8() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot9() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot10() = 0;
  virtual HRESULT STDMETHODCALLTYPE UnusedSlot11() = 0;
  // Makes the endpoint the default device of its flow for one role.
  virtual HRESULT STDMETHODCALLTYPE SetDefaultEndpoint(LPCWSTR deviceId, ERole role) = 0;

 protected:
  ~IPolicyConfigVista() = default;
};

// The classes that implement them, and their interface ids.
inline constexpr CLSID CLSID_PolicyConfigClient = {
    0x870AF99C, 0x171D, 0x4F9E, {0xAF, 0x0D, 0xE6, 0x3D, 0xF4, 0x0C, 0x2B, 0xC9}};
inline constexpr IID IID_IPolicyConfig = {
    0xF8679F50, 0x850A, 0x41CF, {0x9C, 0x72, 0x43, 0x0F, 0x29, 0x02, 0x90, 0xC8}};
inline constexpr CLSID CLSID_PolicyConfigVistaClient = {
    0x294935CE, 0xF637, 0x4E7C, {0xA4, 0x1B, 0xAB, 0x25, 0x54, 0x60, 0xB8, 0x62}};
inline constexpr IID IID_IPolicyConfigVista = {
    0x568B9108, 0x44BF, 0x40B4, {0x90, 0x06, 0x86, 0xAF, 0xE5, 0xB5, 0xA6, 0x20}};
