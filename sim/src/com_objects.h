// The machine's COM objects: one audit record per object (its references,
// the process that obtained it, whether it has ended), the IUnknown that
// every object shares, and the start of every method call.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "com_ids.h"
#include "kernel.h"

namespace sim {
class Process;
}

namespace sim::com {

// What the audit knows of one object. Guarded by the machine lock. An
// object whose last reference went stays as an inert zombie until Reset.
class ObjectCore {
 public:
  ObjectCore(const char* kind, std::string label);
  ObjectCore(const ObjectCore&) = delete;
  ObjectCore& operator=(const ObjectCore&) = delete;
  virtual ~ObjectCore() = default;

  const char* kind() const { return kind_; }
  uint64_t serial() const { return serial_; }
  // "IMMDevice #12 (speakers)", as the audit shows the object.
  std::string Describe() const;
  bool dead() const { return references_ == 0; }

 protected:
  // The IUnknown part of every object (lock not held).
  ULONG AddReference();
  ULONG DropReference();
  // Called, lock held, when the last reference goes.
  virtual void Ended() {}

 private:
  friend struct Audit;

  const char* kind_;
  std::string label_;
  uint64_t serial_ = 0;
  LONG references_ = 1;
  std::weak_ptr<Process> owner_;
  bool owned_ = false;
};

// Starts a method call (lock not held): a scheduling point where `api` (the
// qualified name, "IMMDevice::Activate") can be made to fail, then the
// audit's checks. Returns the HRESULT the call must fail with: the planned
// fault, or RPC_E_DISCONNECTED for an object that has ended.
std::optional<HRESULT> BeginCall(const ObjectCore& object, const char* api);

// A method this machine does not model: a call like any other (a scheduling
// point, faults, the audit), answered with E_NOTIMPL.
inline HRESULT NotModelled(const ObjectCore& object, const char* api) {
  if (auto error = BeginCall(object, api)) return *error;
  return E_NOTIMPL;
}

// Records a COM fault (lock held).
void RecordFault(const std::string& what);

// Keeps a new object until Reset and makes the calling thread's process its
// owner (lock held). The object starts with the caller's one reference.
void Keep(std::unique_ptr<ObjectCore> object);

template <typename T, typename... Args>
T* NewObject(Args&&... args) {
  auto object = std::make_unique<T>(std::forward<Args>(args)...);
  T* raw = object.get();
  Keep(std::move(object));
  return raw;
}

// IUnknown for an object that implements `Interfaces`; the first one is the
// object's identity, the pointer IID_IUnknown answers with.
template <typename First, typename... Rest>
class Object : public ObjectCore, public First, public Rest... {
 public:
  explicit Object(std::string label) : ObjectCore(InterfaceOf<First>::name, std::move(label)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override {
    if (ppvObject != nullptr) *ppvObject = nullptr;
    if (auto error = BeginCall(*this, "IUnknown::QueryInterface")) return *error;
    if (ppvObject == nullptr) return E_POINTER;
    *ppvObject = Find(riid);
    if (*ppvObject == nullptr) return E_NOINTERFACE;
    AddReference();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
  ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }

 private:
  void* Find(REFIID riid) {
    if (riid == InterfaceOf<IUnknown>::iid)
      return static_cast<IUnknown*>(static_cast<First*>(this));
    if (riid == InterfaceOf<First>::iid) return static_cast<First*>(this);
    void* found = nullptr;
    ((found = found != nullptr                 ? found
              : riid == InterfaceOf<Rest>::iid ? static_cast<void*>(static_cast<Rest*>(this))
                                               : nullptr),
     ...);
    return found;
  }
};

}  // namespace sim::com
