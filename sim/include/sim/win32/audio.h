// The Windows audio stack of the simulated machine: the MMDevice API, the
// endpoint volume, the device topology with its jack descriptions. Every
// interface lists all of its methods, in Windows' slot order; the methods
// that nothing here uses answer E_NOTIMPL on this machine.
#pragma once

#include "sim/win32/com.h"

#define E_NOTFOUND HRESULT_FROM_WIN32(ERROR_NOT_FOUND)

#define DEVICE_STATE_ACTIVE 0x00000001u
#define DEVICE_STATE_DISABLED 0x00000002u
#define DEVICE_STATE_NOTPRESENT 0x00000004u
#define DEVICE_STATE_UNPLUGGED 0x00000008u
#define DEVICE_STATEMASK_ALL 0x0000000Fu

enum EDataFlow { eRender = 0, eCapture = 1, eAll = 2, EDataFlow_enum_count = 3 };
enum ERole { eConsole = 0, eMultimedia = 1, eCommunications = 2, ERole_enum_count = 3 };

enum EndpointFormFactor {
  RemoteNetworkDevice = 0,
  Speakers = 1,
  LineLevel = 2,
  Headphones = 3,
  Microphone = 4,
  Headset = 5,
  Handset = 6,
  UnknownDigitalPassthrough = 7,
  SPDIF = 8,
  DigitalAudioDisplayDevice = 9,
  UnknownFormFactor = 10,
  EndpointFormFactor_enum_count = 11,
};

// ---- device notifications -------------------------------------------------------

struct IMMNotificationClient : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR pwstrDeviceId,
                                                         DWORD dwNewState) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR pwstrDeviceId) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR pwstrDeviceId) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role,
                                                           LPCWSTR pwstrDefaultDeviceId) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR pwstrDeviceId,
                                                           const PROPERTYKEY key) = 0;

 protected:
  ~IMMNotificationClient() = default;
};

// ---- devices ----------------------------------------------------------------------

struct IPropertyStore : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCount(DWORD* cProps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAt(DWORD iProp, PROPERTYKEY* pkey) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetValue(REFPROPERTYKEY key, PROPVARIANT* pv) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetValue(REFPROPERTYKEY key, REFPROPVARIANT propvar) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;

 protected:
  ~IPropertyStore() = default;
};

struct IMMDevice : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE Activate(REFIID iid, DWORD dwClsCtx,
                                             PROPVARIANT* pActivationParams,
                                             void** ppInterface) = 0;
  virtual HRESULT STDMETHODCALLTYPE OpenPropertyStore(DWORD stgmAccess,
                                                      IPropertyStore** ppProperties) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* ppstrId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetState(DWORD* pdwState) = 0;

 protected:
  ~IMMDevice() = default;
};

struct IMMDeviceCollection : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCount(UINT* pcDevices) = 0;
  virtual HRESULT STDMETHODCALLTYPE Item(UINT nDevice, IMMDevice** ppDevice) = 0;

 protected:
  ~IMMDeviceCollection() = default;
};

struct IMMDeviceEnumerator : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EnumAudioEndpoints(EDataFlow dataFlow, DWORD dwStateMask,
                                                       IMMDeviceCollection** ppDevices) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultAudioEndpoint(EDataFlow dataFlow, ERole role,
                                                            IMMDevice** ppEndpoint) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDevice(LPCWSTR pwstrId, IMMDevice** ppDevice) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  RegisterEndpointNotificationCallback(IMMNotificationClient* pClient) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  UnregisterEndpointNotificationCallback(IMMNotificationClient* pClient) = 0;

 protected:
  ~IMMDeviceEnumerator() = default;
};

// ---- endpoint volume ----------------------------------------------------------------

struct AUDIO_VOLUME_NOTIFICATION_DATA {
  GUID guidEventContext;
  BOOL bMuted;
  float fMasterVolume;
  UINT nChannels;
  float afChannelVolumes[1];  // nChannels of them
};
using PAUDIO_VOLUME_NOTIFICATION_DATA = AUDIO_VOLUME_NOTIFICATION_DATA*;

struct IAudioEndpointVolumeCallback : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE OnNotify(PAUDIO_VOLUME_NOTIFICATION_DATA pNotify) = 0;

 protected:
  ~IAudioEndpointVolumeCallback() = default;
};

struct IAudioEndpointVolume : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE
  RegisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  UnregisterControlChangeNotify(IAudioEndpointVolumeCallback* pNotify) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetChannelCount(UINT* pnChannelCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMasterVolumeLevel(float fLevelDB,
                                                         LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMasterVolumeLevelScalar(float fLevel,
                                                               LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMasterVolumeLevel(float* pfLevelDB) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMasterVolumeLevelScalar(float* pfLevel) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetChannelVolumeLevel(UINT nChannel, float fLevelDB,
                                                          LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetChannelVolumeLevelScalar(UINT nChannel, float fLevel,
                                                                LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetChannelVolumeLevel(UINT nChannel, float* pfLevelDB) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetChannelVolumeLevelScalar(UINT nChannel, float* pfLevel) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMute(BOOL bMute, LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMute(BOOL* pbMute) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVolumeStepInfo(UINT* pnStep, UINT* pnStepCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE VolumeStepUp(LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE VolumeStepDown(LPCGUID pguidEventContext) = 0;
  virtual HRESULT STDMETHODCALLTYPE QueryHardwareSupport(DWORD* pdwHardwareSupportMask) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVolumeRange(float* pflVolumeMindB, float* pflVolumeMaxdB,
                                                   float* pflVolumeIncrementdB) = 0;

 protected:
  ~IAudioEndpointVolume() = default;
};

// ---- device topology and jacks ----------------------------------------------------

enum EPcxConnectionType {
  eConnTypeUnknown = 0,
  eConnType3Point5mm = 1,
  eConnTypeQuarter = 2,
  eConnTypeAtapiInternal = 3,
  eConnTypeRCA = 4,
  eConnTypeOptical = 5,
  eConnTypeOtherDigital = 6,
  eConnTypeOtherAnalog = 7,
  eConnTypeMultichannelAnalogDIN = 8,
  eConnTypeXlrProfessional = 9,
  eConnTypeRJ11Modem = 10,
  eConnTypeCombination = 11,
};

enum EPcxGeoLocation {
  eGeoLocRear = 1,
  eGeoLocFront = 2,
  eGeoLocLeft = 3,
  eGeoLocRight = 4,
  eGeoLocTop = 5,
  eGeoLocBottom = 6,
  eGeoLocRearPanel = 7,
  eGeoLocRiser = 8,
  eGeoLocInsideMobileLid = 9,
  eGeoLocDrivebay = 10,
  eGeoLocHDMI = 11,
  eGeoLocOutsideMobileLid = 12,
  eGeoLocATAPI = 13,
  eGeoLocReserved5 = 14,
  eGeoLocReserved6 = 15,
};

enum EPcxGenLocation {
  eGenLocPrimaryBox = 0,
  eGenLocInternal = 1,
  eGenLocSeparate = 2,
  eGenLocOther = 3,
};

enum EPxcPortConnection {
  ePortConnJack = 0,
  ePortConnIntegratedDevice = 1,
  ePortConnBothIntegratedAndJack = 2,
  ePortConnUnknown = 3,
};

using COLORREF = DWORD;

struct KSJACK_DESCRIPTION {
  DWORD ChannelMapping;
  COLORREF Color;
  EPcxConnectionType ConnectionType;
  EPcxGeoLocation GeoLocation;
  EPcxGenLocation GenLocation;
  EPxcPortConnection PortConnection;
  BOOL IsConnected;
};
using PKSJACK_DESCRIPTION = KSJACK_DESCRIPTION*;

enum DataFlow { In = 0, Out = 1 };
enum PartType { Connector = 0, Subunit = 1 };
enum ConnectorType {
  Unknown_Connector = 0,
  Physical_Internal = 1,
  Physical_External = 2,
  Software_IO = 3,
  Software_Fixed = 4,
  Network = 5,
};

// Interfaces of the topology that nothing on this machine hands out.
struct ISubunit;
struct IPartsList;
struct IControlInterface;
struct IControlChangeNotify;
struct IDeviceTopology;

struct IPart : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetName(LPWSTR* ppwstrName) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLocalId(UINT* pnId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGlobalId(LPWSTR* ppwstrGlobalId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPartType(PartType* pPartType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubType(GUID* pSubType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetControlInterfaceCount(UINT* pCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetControlInterface(UINT nIndex,
                                                        IControlInterface** ppInterfaceDesc) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumPartsIncoming(IPartsList** ppParts) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnumPartsOutgoing(IPartsList** ppParts) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTopologyObject(IDeviceTopology** ppTopology) = 0;
  virtual HRESULT STDMETHODCALLTYPE Activate(DWORD dwClsContext, REFIID refiid,
                                             void** ppvObject) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  RegisterControlChangeCallback(REFGUID riid, IControlChangeNotify* pNotify) = 0;
  virtual HRESULT STDMETHODCALLTYPE
  UnregisterControlChangeCallback(IControlChangeNotify* pNotify) = 0;

 protected:
  ~IPart() = default;
};

struct IConnector : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetType(ConnectorType* pType) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDataFlow(DataFlow* pFlow) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectTo(IConnector* pConnectTo) = 0;
  virtual HRESULT STDMETHODCALLTYPE Disconnect() = 0;
  virtual HRESULT STDMETHODCALLTYPE IsConnected(BOOL* pbConnected) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConnectedTo(IConnector** ppConTo) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConnectorIdConnectedTo(LPWSTR* ppwstrConnectorId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceIdConnectedTo(LPWSTR* ppwstrDeviceId) = 0;

 protected:
  ~IConnector() = default;
};

struct IDeviceTopology : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetConnectorCount(UINT* pCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetConnector(UINT nIndex, IConnector** ppConnector) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubunitCount(UINT* pCount) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubunit(UINT nIndex, ISubunit** ppSubunit) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPartById(UINT nId, IPart** ppPart) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDeviceId(LPWSTR* ppwstrDeviceId) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSignalPath(IPart* pIPartFrom, IPart* pIPartTo,
                                                  BOOL bRejectMixedPaths, IPartsList** ppParts) = 0;

 protected:
  ~IDeviceTopology() = default;
};

struct IKsJackDescription : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetJackCount(UINT* pcJacks) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetJackDescription(UINT nJack,
                                                       KSJACK_DESCRIPTION* pDescription) = 0;

 protected:
  ~IKsJackDescription() = default;
};
