// The endpoint object's life (construction, snapshot copies, the reset,
// destruction) and its COM identity: QueryInterface, AddRef and Release
// shared by its two interfaces.
#include "endpoint/endpoint_callback.h"

#include "diagnostics/trace.h"
#include "endpoint/audio_ids.h"
#include "platform/lock_guards.h"

constinit ProcessWide<EndpointCallback> serviceEndpoint;

template <typename T>
ComPtr<T> EndpointCallback::copyOf(const ComPtr<T>& member) const {
  SharedSrwGuard hold(referencesLock);
  return member;
}

template <typename T>
void EndpointCallback::publish(ComPtr<T>& member, ComPtr<T> value) {
  {
    ExclusiveSrwGuard hold(referencesLock);
    member.swap(value);
  }
  // Now what the member held: released outside the lock.
  value.reset();
}

// The five kinds of member, for the other files of the object.
template void EndpointCallback::publish(ComPtr<IMMDeviceEnumerator>&, ComPtr<IMMDeviceEnumerator>);
template void EndpointCallback::publish(ComPtr<IMMDevice>&, ComPtr<IMMDevice>);
template void EndpointCallback::publish(ComPtr<IAudioEndpointVolume>&,
                                        ComPtr<IAudioEndpointVolume>);
template void EndpointCallback::publish(ComPtr<IPolicyConfig>&, ComPtr<IPolicyConfig>);
template void EndpointCallback::publish(ComPtr<IPolicyConfigVista>&, ComPtr<IPolicyConfigVista>);

EndpointCallback::EndpointCallback() {
  if (!InitializeCriticalSectionEx(&endpointLock, 0, 0)) {
    constructionStatus_ = HRESULT_FROM_WIN32(GetLastError());
    return;
  }
  ownsLock_ = true;
}

EndpointCallback::EndpointCallback(const EndpointCallback& other)
    : IMMNotificationClient(other),
      IAudioEndpointVolumeCallback(other),
      notifyRegistered(other.notifyRegistered.load()),
      controlChangeRegistered(other.controlChangeRegistered.load()),
      constructionStatus_(other.constructionStatus_) {
  currentVolume.bMuted = other.currentVolume.bMuted.load();
  currentVolume.volumeLevel = other.currentVolume.volumeLevel.load();
  SharedSrwGuard hold(other.referencesLock);
  deviceEnumerator = other.deviceEnumerator;
  defaultDevice = other.defaultDevice;
  endpointVolume = other.endpointVolume;
  policyConfig = other.policyConfig;
  policyConfigVista = other.policyConfigVista;
}

// In this order: the policy-config objects, the lock, then the endpoint's
// objects and the enumerator. The recorded ids go with their holder.
EndpointCallback::~EndpointCallback() {
  policyConfigVista.reset();
  policyConfig.reset();
  if (ownsLock_) DeleteCriticalSection(&endpointLock);
  endpointVolume.reset();
  defaultDevice.reset();
  deviceEnumerator.reset();
}

void EndpointCallback::Reset() {
  notifyRegistered = 0;
  controlChangeRegistered = 0;
  releaseAll();
  deviceIds.Clear();
  currentVolume.bMuted = 0;
  currentVolume.volumeLevel = 0;
  refCount = 1;
}

void EndpointCallback::releaseAll() {
  releaseMember(policyConfigVista);
  releaseMember(policyConfig);
  releaseMember(endpointVolume);
  releaseMember(defaultDevice);
  releaseMember(deviceEnumerator);
}

ComPtr<IMMDeviceEnumerator> EndpointCallback::enumerator() const {
  return copyOf(deviceEnumerator);
}
ComPtr<IMMDevice> EndpointCallback::device() const { return copyOf(defaultDevice); }
ComPtr<IAudioEndpointVolume> EndpointCallback::volume() const { return copyOf(endpointVolume); }
ComPtr<IPolicyConfig> EndpointCallback::propertyWriter() const { return copyOf(policyConfig); }
ComPtr<IPolicyConfigVista> EndpointCallback::defaultSwitcher() const {
  return copyOf(policyConfigVista);
}

HRESULT STDMETHODCALLTYPE EndpointCallback::QueryInterface(REFIID riid, void** ppvObject) {
  WriteTrace(L"QueryInterface entry");
  if (ppvObject == nullptr) return E_POINTER;
  if (riid == ids::IID_IUnknown || riid == ids::IID_IMMNotificationClient) {
    *ppvObject = notificationClient();
  } else if (riid == ids::IID_IAudioEndpointVolumeCallback) {
    *ppvObject = volumeCallback();
  } else {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  WriteTrace(L"QueryInterface exit");
  return S_OK;
}

ULONG STDMETHODCALLTYPE EndpointCallback::AddRef() { return static_cast<ULONG>(++refCount); }

// The process-wide instance keeps its own reference for its whole life, so
// Windows' registrations, which add and remove theirs, never bring the
// count to zero; no other instance is handed to Windows.
ULONG STDMETHODCALLTYPE EndpointCallback::Release() { return static_cast<ULONG>(--refCount); }
