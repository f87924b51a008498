// The notifications Windows delivers to the endpoint object: device
// changes and volume changes. For now each is taken without action; what
// the service does on them arrives with the notification handling.
#include "endpoint/endpoint_callback.h"

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceStateChanged(LPCWSTR, DWORD) { return S_OK; }

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceAdded(LPCWSTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceRemoved(LPCWSTR) { return S_OK; }

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EndpointCallback::OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) {
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EndpointCallback::OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA) {
  return S_OK;
}
