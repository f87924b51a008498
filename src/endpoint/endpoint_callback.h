// The service's side of the Windows audio stack: the one object that holds
// every Core Audio object the service keeps, binds the service to the
// default render endpoint, and is itself the COM callback that Windows
// notifies of device and volume changes.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "endpoint/endpoint_ids.h"
#include "endpoint/policy_config.h"
#include "platform/com_ptr.h"
#include "platform/win32.h"
#include "service/process_wide.h"

// One flow's half of the priority scan (endpoint/priority_policy.cpp).
struct PriorityPass;

// The volume and mute the service last knew for the endpoint.
struct CurrentVolume {
  int bMuted;
  int volumeLevel;  // percent 0..100
};

// The same, as the object keeps it: each field is read and written whole
// by any thread.
struct SharedVolume {
  std::atomic<int> bMuted{0};
  std::atomic<int> volumeLevel{0};
};

// COM members and threads. `endpointLock` serialises attaching and
// detaching. Every other use of a COM member, on any thread, goes through a
// counted copy taken under `referencesLock` (held only for the copy, never
// across a call into the audio stack), so a member released by a detach or
// a dispose on another thread is never used after its release. The threads
// that call in must have joined a COM apartment (platform/com_apartment.h).
class EndpointCallback final : public IMMNotificationClient, public IAudioEndpointVolumeCallback {
 public:
  // The state of construction: the lock initialised, both flags 0, no COM
  // objects, no ids, `currentVolume` {0, 0}, one reference.
  EndpointCallback();
  // A snapshot copy: its own added references to the same COM objects as
  // they are now, the flags and `currentVolume`. It never owns
  // `endpointLock` and is never registered with Windows; it serves
  // setVolume, setMute, getCurrentVolume and SetCustomAValue only, so it
  // holds no endpoint ids (those belong to the object Windows notifies).
  EndpointCallback(const EndpointCallback& other);
  EndpointCallback& operator=(const EndpointCallback&) = delete;
  ~EndpointCallback();

  // Back to the state of construction; `endpointLock` stays as it is.
  void Reset();
  // Whether the lock could be made; when not, start-up has failed with this
  // HRESULT and the object neither attaches nor detaches.
  HRESULT constructionStatus() const { return constructionStatus_; }

  HRESULT Initialize();
  void Dispose();
  HRESULT AttachToDefaultEndpoint();
  void DetachFromEndpoint();
  void ChangeEndpoint();

  // The event context is GUID_NULL or ServiceEventContext.
  void setVolume(int volumeLevel, LPCGUID eventContext);
  void setMute(int bMuted, LPCGUID eventContext);
  CurrentVolume getCurrentVolume();
  HRESULT SetCustomAValue(DWORD value);

  // ---- default-device priority ------------------------------------------------
  // The start-up scans: every render endpoint in every state for the HDMI
  // endpoint, then the render and capture endpoints on the priority jack.
  HRESULT ScanHdmiDevices();
  HRESULT ScanPriorityConnectionTypeDevices();
  // For an endpoint that arrived: whether it is the HDMI endpoint (then
  // recorded and made the default), or on a jack of the priority type.
  bool CheckHdmiDevice(LPCWSTR deviceId);
  bool IsPriorityConnectionTypeDevice(LPCWSTR deviceId);

  // ---- IUnknown, shared by both interfaces --------------------------------------
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // ---- IMMNotificationClient --------------------------------------------------
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR pwstrDeviceId, DWORD dwNewState) override;
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR pwstrDeviceId) override;
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR pwstrDeviceId) override;
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                   LPCWSTR pwstrDefaultDeviceId) override;
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR pwstrDeviceId,
                                                   const PROPERTYKEY key) override;

  // ---- IAudioEndpointVolumeCallback -------------------------------------------
  HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA pNotify) override;

  // The object as each of its two interfaces.
  IMMNotificationClient* notificationClient() { return this; }
  IAudioEndpointVolumeCallback* volumeCallback() { return this; }

  // Counted copies of the COM members as they are now (null when absent).
  ComPtr<IMMDeviceEnumerator> enumerator() const;
  ComPtr<IMMDevice> device() const;
  ComPtr<IAudioEndpointVolume> volume() const;
  ComPtr<IPolicyConfig> propertyWriter() const;
  ComPtr<IPolicyConfigVista> defaultSwitcher() const;

  // 1 while registered for device notifications.
  std::atomic<int> notifyRegistered{0};
  // 1 while registered for volume notifications on `endpointVolume`.
  std::atomic<int> controlChangeRegistered{0};

 private:
  ComPtr<IMMDeviceEnumerator> deviceEnumerator;
  // The default render endpoint for eMultimedia while attached.
  ComPtr<IMMDevice> defaultDevice;
  ComPtr<IAudioEndpointVolume> endpointVolume;
  CRITICAL_SECTION endpointLock{};
  ComPtr<IPolicyConfig> policyConfig;
  ComPtr<IPolicyConfigVista> policyConfigVista;

 public:
  // `hdmiDeviceId`, `priorityRenderDeviceId` and `priorityCaptureDeviceId`:
  // recorded by the scans and the arrival check, forgotten when their
  // endpoint is removed.
  EndpointIds deviceIds;
  SharedVolume currentVolume;

 private:
  HRESULT attachLocked();
  void detachLocked();
  HRESULT registerForVolumeNotifications(IAudioEndpointVolume* volumeControl, HRESULT activated);
  void bindToOutput(IMMDevice* endpoint, IAudioEndpointVolume* volumeControl);
  void useOutput(std::uint8_t kind, IAudioEndpointVolume* volumeControl);
  void loadStoredVolume(std::uint8_t kind);
  void applyCurrentVolume(IAudioEndpointVolume* volumeControl);
  HRESULT createComObjects();
  // The start-up scans for the default-device priority policy, and their
  // steps.
  HRESULT runStartupScans();
  HRESULT scanForHdmi(IMMDeviceCollection* endpoints, UINT index);
  HRESULT preferHdmi(IMMDevice* device);
  HRESULT scanForPriority(const PriorityPass& pass);
  bool preferPriorityJacks(const PriorityPass& pass, IMMDevice* device, HRESULT* status);
  // The reactions of a state change to the HDMI and the priority endpoint.
  void hdmiStateChanged(LPCWSTR deviceId, DWORD newState);
  void priorityStateChanged(LPCWSTR deviceId, DWORD newState);
  void fallBackToHdmi();
  // Records the device's id as `which` (none when GetId fails) and gives a
  // private copy of what it recorded; returns GetId's result.
  HRESULT recordId(RecordedId which, IMMDevice* device, std::optional<std::wstring>* recorded);
  // Makes the endpoint the default for each role in turn, through a counted
  // copy of the Vista policy-config object. The result of the last call;
  // none when no call was made because there is no such object.
  std::optional<HRESULT> switchDefault(LPCWSTR deviceId, std::span<const ERole> roles);

  template <typename T>
  ComPtr<T> copyOf(const ComPtr<T>& member) const;
  // Makes `member` refer to `value`; what it held is released after the
  // lock is left.
  template <typename T>
  void publish(ComPtr<T>& member, ComPtr<T> value);
  template <typename T>
  void releaseMember(ComPtr<T>& member) {
    publish(member, ComPtr<T>());
  }
  void releaseAll();

  std::atomic<LONG> refCount{1};
  mutable SRWLOCK referencesLock = SRWLOCK_INIT;
  // Only the object that made the lock owns it; copies never do.
  bool ownsLock_ = false;
  HRESULT constructionStatus_ = S_OK;
};

extern ProcessWide<EndpointCallback> serviceEndpoint;
