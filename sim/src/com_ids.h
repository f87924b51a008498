// The ids and names of the interfaces and classes that the machine's COM
// objects implement, as Windows knows them.
#pragma once

#include "sim/win32/audio.h"
// The policy-config interfaces are not in Windows' public headers; the
// machine implements the service's declaration of them, as Windows
// implements its private one.
#include "endpoint/policy_config.h"

namespace sim::com {

template <typename Interface>
struct InterfaceOf;

#define SIM_INTERFACE(I, l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8)           \
  template <>                                                                 \
  struct InterfaceOf<I> {                                                     \
    static constexpr IID iid = {l, w1, w2, {b1, b2, b3, b4, b5, b6, b7, b8}}; \
    static constexpr const char* name = #I;                                   \
  }

SIM_INTERFACE(IUnknown, 0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
SIM_INTERFACE(IMMDeviceEnumerator, 0xA95664D2, 0x9614, 0x4F35, 0xA7, 0x46, 0xDE, 0x8D, 0xB6, 0x36,
              0x17, 0xE6);
SIM_INTERFACE(IMMDeviceCollection, 0x0BD7A1BE, 0x7A1A, 0x44DB, 0x83, 0x97, 0xCC, 0x53, 0x92, 0x38,
              0x7B, 0x5E);
SIM_INTERFACE(IMMDevice, 0xD666063F, 0x1587, 0x4E43, 0x81, 0xF1, 0xB9, 0x48, 0xE8, 0x07, 0x36,
              0x3F);
SIM_INTERFACE(IPropertyStore, 0x886D8EEB, 0x8CF2, 0x4446, 0x8D, 0x02, 0xCD, 0xBA, 0x1D, 0xBD, 0xCF,
              0x99);
SIM_INTERFACE(IAudioEndpointVolume, 0x5CDF2C82, 0x841E, 0x4546, 0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78,
              0x22, 0x9A);
SIM_INTERFACE(IDeviceTopology, 0x2A07407E, 0x6497, 0x4A18, 0x97, 0x87, 0x32, 0xF7, 0x9B, 0xD0, 0xD9,
              0x8F);
SIM_INTERFACE(IConnector, 0x9C2C4058, 0x23F5, 0x41DE, 0x87, 0x7A, 0xDF, 0x3A, 0xF2, 0x36, 0xA0,
              0x9E);
SIM_INTERFACE(IPart, 0xAE2DE0E4, 0x5BCA, 0x4F2D, 0xAA, 0x46, 0x5D, 0x13, 0xF8, 0xFD, 0xB3, 0xA9);
SIM_INTERFACE(IKsJackDescription, 0x4509F757, 0x2D46, 0x4637, 0x8E, 0x62, 0xCE, 0x7D, 0xB9, 0x44,
              0xF5, 0x7B);

#undef SIM_INTERFACE

template <>
struct InterfaceOf<IPolicyConfig> {
  static constexpr IID iid = IID_IPolicyConfig;
  static constexpr const char* name = "IPolicyConfig";
};

template <>
struct InterfaceOf<IPolicyConfigVista> {
  static constexpr IID iid = IID_IPolicyConfigVista;
  static constexpr const char* name = "IPolicyConfigVista";
};

inline constexpr CLSID kMMDeviceEnumeratorClass = {
    0xBCDE0395, 0xE52F, 0x467C, {0x8E, 0x3D, 0xC4, 0x57, 0x92, 0x91, 0x69, 0x2E}};

// The endpoint property store's form factor.
inline constexpr PROPERTYKEY kFormFactorKey = {
    {0x1DA5D803, 0xD492, 0x4EDD, {0x8C, 0x23, 0xE0, 0xC0, 0xFF, 0xEE, 0x7F, 0x0E}}, 0};

}  // namespace sim::com
