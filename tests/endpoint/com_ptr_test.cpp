// The counted COM reference and the owners of what COM hands out.
#include <gtest/gtest.h>

#include <utility>

#include "platform/com_memory.h"
#include "platform/com_ptr.h"
#include "sim/audio.h"
#include "sim/machine.h"

namespace koru {
namespace {

// Counts its references; never frees itself.
class Counted final : public IMMNotificationClient {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppvObject) override {
    *ppvObject = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
  HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR, DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow, ERole, LPCWSTR) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR, const PROPERTYKEY) override {
    return S_OK;
  }

  LONG references = 1;
};

TEST(ComPtrTest, CopyingAddsAReferenceAndDestroyingReleasesIt) {
  Counted object;
  {
    ComPtr<IMMNotificationClient> first = ComPtr<IMMNotificationClient>::Adopt(&object);
    EXPECT_EQ(object.references, 1);
    ComPtr<IMMNotificationClient> second = first;
    EXPECT_EQ(object.references, 2);
    ComPtr<IMMNotificationClient> third;
    third = second;
    EXPECT_EQ(object.references, 3);
    EXPECT_EQ(third.get(), &object);
  }
  EXPECT_EQ(object.references, 0);
}

TEST(ComPtrTest, MovingHandsTheReferenceOn) {
  Counted object;
  ComPtr<IMMNotificationClient> first = ComPtr<IMMNotificationClient>::Adopt(&object);
  ComPtr<IMMNotificationClient> second = std::move(first);
  EXPECT_FALSE(first);
  EXPECT_TRUE(second);
  EXPECT_EQ(object.references, 1);
  ComPtr<IMMNotificationClient> third;
  third = std::move(second);
  EXPECT_EQ(object.references, 1);
  third.reset();
  EXPECT_EQ(object.references, 0);
}

TEST(ComPtrTest, PutReleasesWhatWasHeldFirst) {
  Counted held;
  Counted filled;
  ComPtr<IMMNotificationClient> pointer = ComPtr<IMMNotificationClient>::Adopt(&held);
  IMMNotificationClient** slot = pointer.put();
  EXPECT_EQ(held.references, 0);
  EXPECT_EQ(*slot, nullptr);
  *slot = &filled;
  EXPECT_EQ(pointer.get(), &filled);
  void** voidSlot = pointer.put_void();
  EXPECT_EQ(filled.references, 0);
  EXPECT_EQ(*voidSlot, nullptr);
}

TEST(ComPtrTest, AssigningToItselfKeepsTheReference) {
  Counted object;
  ComPtr<IMMNotificationClient> pointer = ComPtr<IMMNotificationClient>::Adopt(&object);
  ComPtr<IMMNotificationClient>& same = pointer;
  pointer = same;
  EXPECT_EQ(object.references, 1);
  EXPECT_EQ(pointer.get(), &object);
}

TEST(ComPtrTest, DetachHandsTheReferenceToTheCaller) {
  Counted object;
  ComPtr<IMMNotificationClient> pointer = ComPtr<IMMNotificationClient>::Adopt(&object);
  EXPECT_EQ(pointer.detach(), &object);
  EXPECT_FALSE(pointer);
  EXPECT_EQ(object.references, 1);
}

TEST(ComMemoryTest, TaskMemoryStringsAndPropertyValuesAreFreed) {
  sim::Reset();
  {
    UniqueCoTaskMemString text(static_cast<LPWSTR>(CoTaskMemAlloc(4 * sizeof(wchar_t))));
    ASSERT_TRUE(text);
    ScopedPropVariant value;
    PROPVARIANT* filled = value.put();
    filled->vt = VT_LPWSTR;
    filled->pwszVal = static_cast<LPWSTR>(CoTaskMemAlloc(4 * sizeof(wchar_t)));
  }
  // A block freed twice or never given out would be a recorded fault.
  CoTaskMemFree(nullptr);
  EXPECT_TRUE(sim::com::Faults().empty()) << sim::com::Faults().front();
  EXPECT_EQ(sim::CallCounts()["CoTaskMemFree"], 2u);
  EXPECT_EQ(sim::CallCounts()["PropVariantClear"], 1u);
}

}  // namespace
}  // namespace koru
