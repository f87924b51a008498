// The device notifications Windows delivers to the endpoint object on its
// own threads: a new default device wakes the endpoint-change thread, and
// the HDMI endpoint and the endpoints on the priority jack are made the
// default when they arrive or become active, and forgotten when they go.
#include "diagnostics/trace.h"
#include "endpoint/endpoint_callback.h"
#include "endpoint/priority_rules.h"
#include "service/shared_objects.h"
#include "settings/feature_flags.h"
#include "settings/loaded_values.h"

namespace {

// The traces of a state change of one of the two kinds of endpoint.
struct StateTraces {
  const wchar_t* otherEndpoint;
  const wchar_t* pluggedIn;
  const wchar_t* madeDefault;
  const wchar_t* disabled;
  const wchar_t* notPresent;
  const wchar_t* unplugged;
  const wchar_t* invalid;
};

constexpr StateTraces HDMI_TRACES = {L"Not HDMI device",
                                     L"HDMI plug in",
                                     L"OnDeviceStateChanged: Set HDMI as default output device",
                                     L"HDMI Disabled",
                                     L"HDMI Notpresent",
                                     L"HDMI Unplugged",
                                     L"Invalid HDMI Status"};
constexpr StateTraces PRIORITY_TRACES = {
    L"Not PriorityConnectionTypeDevice device",
    L"PriorityConnectionTypeDevice plug in",
    L"OnDeviceStateChanged: Set PriorityConnectionTypeDevice as default output device",
    L"PriorityConnectionTypeDevice Disabled",
    L"PriorityConnectionTypeDevice Notpresent",
    L"PriorityConnectionTypeDevice Unplugged",
    L"Invalid PriorityConnectionTypeDevice Status"};

const wchar_t* StateTrace(const StateTraces& traces, DWORD newState) {
  switch (newState) {
    case DEVICE_STATE_ACTIVE:
      return traces.pluggedIn;
    case DEVICE_STATE_DISABLED:
      return traces.disabled;
    case DEVICE_STATE_NOTPRESENT:
      return traces.notPresent;
    case DEVICE_STATE_UNPLUGGED:
      return traces.unplugged;
    default:
      return traces.invalid;
  }
}

}  // namespace

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceStateChanged(LPCWSTR pwstrDeviceId,
                                                                 DWORD dwNewState) {
  WriteTrace(L"OnDeviceStateChanged");
  if (IsFeatureOn(HDMIPriority)) hdmiStateChanged(pwstrDeviceId, dwNewState);
  if (PriorityType() != 0) priorityStateChanged(pwstrDeviceId, dwNewState);
  return S_OK;
}

// Only while an HDMI endpoint is recorded.
void EndpointCallback::hdmiStateChanged(LPCWSTR deviceId, DWORD newState) {
  std::optional<std::wstring> hdmi = deviceIds.Copy(RecordedId::Hdmi);
  if (!hdmi) return;
  if (!SameEndpointId(deviceId, hdmi->c_str())) {
    WriteTrace(HDMI_TRACES.otherEndpoint);
    return;
  }
  WriteTrace(StateTrace(HDMI_TRACES, newState));
  if (newState != DEVICE_STATE_ACTIVE) return;
  switchDefault(hdmi->c_str(), STATE_ROLES);
  WriteTrace(HDMI_TRACES.madeDefault);
}

// Only while a priority render endpoint is recorded. A change of either
// endpoint on the priority jack makes the render endpoint the default; when
// it is unplugged, the HDMI endpoint may take over again.
void EndpointCallback::priorityStateChanged(LPCWSTR deviceId, DWORD newState) {
  std::optional<std::wstring> render = deviceIds.Copy(RecordedId::PriorityRender);
  if (!render) return;
  if (!SameEndpointId(deviceId, render->c_str()) &&
      !deviceIds.Matches(RecordedId::PriorityCapture, deviceId)) {
    WriteTrace(PRIORITY_TRACES.otherEndpoint);
    return;
  }
  WriteTrace(StateTrace(PRIORITY_TRACES, newState));
  if (newState == DEVICE_STATE_ACTIVE) {
    switchDefault(render->c_str(), STATE_ROLES);
    WriteTrace(PRIORITY_TRACES.madeDefault);
  } else if (newState == DEVICE_STATE_UNPLUGGED) {
    fallBackToHdmi();
  }
}

void EndpointCallback::fallBackToHdmi() {
  if (!IsFeatureOn(HDMIFallback)) return;
  std::optional<std::wstring> hdmi = deviceIds.Copy(RecordedId::Hdmi);
  if (!hdmi) return;
  WriteTrace(L"Set HDMI as the default render");
  switchDefault(hdmi->c_str(), STATE_ROLES);
}

// The checks have recorded and switched with their own traces already; the
// arrival switches once more, for all three roles. The result of the last
// switch, S_OK when none was made.
HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceAdded(LPCWSTR pwstrDeviceId) {
  WriteTrace(L"OnDeviceAdded");
  HRESULT result = S_OK;
  if (IsFeatureOn(HDMIPriority) && CheckHdmiDevice(pwstrDeviceId)) {
    WriteTrace(L"HDMI device added");
    result = switchDefault(pwstrDeviceId, ARRIVAL_ROLES).value_or(result);
    WriteTrace(L"Set HDMI as default output device");
  }
  if (PriorityType() != 0 && IsPriorityConnectionTypeDevice(pwstrDeviceId)) {
    WriteTrace(L"ConnectionType:%d device added", static_cast<int>(PriorityType()));
    result = switchDefault(pwstrDeviceId, ARRIVAL_ROLES).value_or(result);
    WriteTrace(L"Set HDMI as default output device");
    // Recorded as the render endpoint whatever its flow.
    deviceIds.ReplaceWithCopy(RecordedId::PriorityRender, pwstrDeviceId);
  }
  return result;
}

HRESULT STDMETHODCALLTYPE EndpointCallback::OnDeviceRemoved(LPCWSTR pwstrDeviceId) {
  deviceIds.ForgetIfMatches(RecordedId::Hdmi, pwstrDeviceId);
  deviceIds.ForgetIfMatches(RecordedId::PriorityRender, pwstrDeviceId);
  deviceIds.ForgetIfMatches(RecordedId::PriorityCapture, pwstrDeviceId);
  return S_OK;
}

// Only the multimedia render default is the one the service follows;
// several changes before the endpoint-change thread wakes give one change.
HRESULT STDMETHODCALLTYPE EndpointCallback::OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                                   LPCWSTR) {
  WriteTrace(L"OnDefaultDeviceChanged enter");
  if (flow == eRender && role == eMultimedia) WakeUp(*hChangeEndpointSemaphore);
  WriteTrace(L"OnDefaultDeviceChanged exit");
  return S_OK;
}

HRESULT STDMETHODCALLTYPE EndpointCallback::OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) {
  return S_OK;
}
