// The default-endpoint switch after the audio switch window's answer,
// through the policy-config interface.
#include "endpoint/default_switch.h"

#include "endpoint/policy_config.h"
#include "platform/com_ptr.h"
#include "platform/win32.h"

void MakeDefaults(const SpecifiedDevices& ids) {
  for (const std::wstring& id : ids) {
    ComPtr<IPolicyConfigVista> switcher;
    if (FAILED(CoCreateInstance(CLSID_PolicyConfigVistaClient, nullptr, CLSCTX_ALL,
                                IID_IPolicyConfigVista, switcher.put_void()))) {
      continue;
    }
    switcher->SetDefaultEndpoint(id.c_str(), eMultimedia);
    switcher->SetDefaultEndpoint(id.c_str(), eCommunications);
  }
}

void SwitchDefaultsToJack(int mode) {
  GetSpecifiedDevices(mode);
  // A copy: in the service, a watcher of an earlier connection may probe
  // meanwhile.
  MakeDefaults(SpecifiedDevices(*specifiedDevices));
}
