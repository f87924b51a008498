// COM apartments and object creation on the simulated machine.
#include "audio_fixture.h"

namespace sim_test {
namespace {

using ComApartmentTest = AudioTest;
using ComCreateTest = AudioTest;

const IID& EnumeratorIid() { return sim::com::InterfaceOf<IMMDeviceEnumerator>::iid; }

TEST_F(ComApartmentTest, CoInitializeOnAMultithreadedThreadChangesMode) {
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), RPC_E_CHANGED_MODE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
}

TEST_F(ComApartmentTest, BadArgumentsAreRefused) {
  int reserved = 0;
  EXPECT_EQ(CoInitializeEx(&reserved, COINIT_MULTITHREADED), E_INVALIDARG);
  EXPECT_EQ(CoInitializeEx(nullptr, 0x100), E_INVALIDARG);
  // Neither counted as an initialisation.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
}

TEST_F(ComCreateTest, AThreadWithoutComCannotCreate) {
  void* object = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(CoCreateInstance(sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_ALL,
                             EnumeratorIid(), &object),
            CO_E_NOTINITIALIZED);
  EXPECT_EQ(object, nullptr);
}

TEST_F(ComCreateTest, RefusalsLeaveTheOutParameterNull) {
  JoinCom();
  constexpr CLSID kUnknownClass = {0x1, 0x2, 0x3, {4, 5, 6, 7, 8, 9, 10, 11}};
  RecordingClient outer;
  struct Case {
    CLSID clsid;
    IUnknown* outer;
    DWORD context;
    IID iid;
    HRESULT expected;
  } cases[] = {
      {kUnknownClass, nullptr, CLSCTX_ALL, EnumeratorIid(), REGDB_E_CLASSNOTREG},
      {CLSID_PolicyConfigVistaClient, nullptr, CLSCTX_ALL, IID_IPolicyConfig, E_NOINTERFACE},
      {sim::com::kMMDeviceEnumeratorClass, nullptr, CLSCTX_LOCAL_SERVER, EnumeratorIid(),
       REGDB_E_CLASSNOTREG},
      {sim::com::kMMDeviceEnumeratorClass, &outer, CLSCTX_ALL, EnumeratorIid(),
       CLASS_E_NOAGGREGATION},
  };
  for (const Case& c : cases) {
    void* object = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(CoCreateInstance(c.clsid, c.outer, c.context, c.iid, &object), c.expected);
    EXPECT_EQ(object, nullptr);
  }
  EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_ALL, EnumeratorIid(), nullptr),
            E_POINTER);
}

}  // namespace
}  // namespace sim_test
