// Creating the endpoint side's Core Audio objects and registrations, and
// releasing them: Initialize and Dispose.
#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "endpoint/endpoint_callback.h"

namespace {

template <typename T>
HRESULT CreateInstance(REFCLSID clsid, REFIID iid, ComPtr<T>* object) {
  return CoCreateInstance(clsid, nullptr, CLSCTX_ALL, iid, object->put_void());
}

}  // namespace

// The first step that fails ends the sequence; what was created so far
// stays for Dispose. So without a default render endpoint at start-up the
// Vista policy-config object is never created and the scans do not run.
// The scans (endpoint/priority_policy.cpp) run whatever the features say.
HRESULT EndpointCallback::Initialize() {
  WriteTrace(L"Initialize entry");
  HRESULT status = createComObjects();
  if (SUCCEEDED(status)) status = runStartupScans();
  WriteTrace(L"Initialize exit");
  return status;
}

HRESULT EndpointCallback::createComObjects() {
  if (FAILED(constructionStatus_)) return constructionStatus_;
  ComPtr<IMMDeviceEnumerator> devices;
  HRESULT status =
      CreateInstance(ids::CLSID_MMDeviceEnumerator, ids::IID_IMMDeviceEnumerator, &devices);
  publish(deviceEnumerator, devices);
  if (FAILED(status)) return status;

  ComPtr<IPolicyConfig> writer;
  status = CreateInstance(CLSID_PolicyConfigClient, IID_IPolicyConfig, &writer);
  publish(policyConfig, writer);
  if (FAILED(status)) return status;

  status = devices->RegisterEndpointNotificationCallback(notificationClient());
  if (FAILED(status)) return status;
  notifyRegistered = 1;

  status = AttachToDefaultEndpoint();
  if (FAILED(status)) return status;

  ComPtr<IPolicyConfigVista> switcher;
  status = CreateInstance(CLSID_PolicyConfigVistaClient, IID_IPolicyConfigVista, &switcher);
  publish(policyConfigVista, switcher);
  return status;
}

// The ids and `currentVolume` stay as they are.
void EndpointCallback::Dispose() {
  WriteTrace(L"Dispose entry");
  DetachFromEndpoint();
  if (notifyRegistered) {
    if (ComPtr<IMMDeviceEnumerator> devices = enumerator()) {
      devices->UnregisterEndpointNotificationCallback(notificationClient());
    }
    notifyRegistered = 0;
  }
  releaseMember(policyConfig);
  releaseMember(deviceEnumerator);
  releaseMember(policyConfigVista);
  WriteTrace(L"Dispose exit");
}
