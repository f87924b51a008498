// The COM audit: every object the machine hands out, its references, its
// owner, and the faults seen since Reset.
#include "com_objects.h"

#include <vector>

#include "com_apartments.h"
#include "process.h"
#include "sim/audio.h"

namespace sim::com {

struct Audit {
  std::vector<std::unique_ptr<ObjectCore>> objects;
  std::vector<std::string> faults;
  uint64_t nextSerial = 1;

  static bool OwnerEnded(const ObjectCore& object) {
    std::shared_ptr<Process> owner = object.owner_.lock();
    return !owner || owner->ended;
  }
  static bool OwnedBy(const ObjectCore& object, const Process* process) {
    return object.owned_ && object.owner_.lock().get() == process;
  }
  static bool LeftBehind(const ObjectCore& object) {
    return !object.dead() && object.owned_ && OwnerEnded(object);
  }
  // The caller's process (none on the controller and the machine's own
  // threads) owns the object from now on.
  void Adopt(ObjectCore& object) {
    object.serial_ = nextSerial++;
    if (std::shared_ptr<Process> owner = CurrentProcessObject()) {
      object.owner_ = owner;
      object.owned_ = true;
    }
  }
};

namespace {

// Never destroyed; reset hooks put it back to a new machine's state.
Audit& TheAudit() {
  static Audit* audit = new Audit;
  return *audit;
}

void ResetAudit() { TheAudit() = Audit{}; }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetAudit), true);

}  // namespace

ObjectCore::ObjectCore(const char* kind, std::string label)
    : kind_(kind), label_(std::move(label)) {}

std::string ObjectCore::Describe() const {
  std::string text = std::string(kind_) + " #" + std::to_string(serial_);
  if (!label_.empty()) text += " (" + label_ + ")";
  return text;
}

ULONG ObjectCore::AddReference() {
  Enter("IUnknown::AddRef", static_cast<uint32_t>(E_FAIL));
  auto lock = Lock();
  if (dead()) {
    RecordFault("AddRef of " + Describe() + " after its last Release");
    return 0;
  }
  return static_cast<ULONG>(++references_);
}

ULONG ObjectCore::DropReference() {
  Enter("IUnknown::Release", static_cast<uint32_t>(E_FAIL));
  auto lock = Lock();
  if (dead()) {
    RecordFault("Release of " + Describe() + " once more than it was referenced");
    return 0;
  }
  if (--references_ == 0) Ended();
  return static_cast<ULONG>(references_);
}

std::optional<HRESULT> BeginCall(const ObjectCore& object, const char* api) {
  if (auto error = Enter(api, static_cast<uint32_t>(E_FAIL))) return static_cast<HRESULT>(*error);
  auto lock = Lock();
  if (object.dead()) {
    RecordFault(std::string(api) + " on " + object.Describe() + " after its last Release");
    return RPC_E_DISCONNECTED;
  }
  if (ApartmentOf(CurrentThreadId()) == Apartment::None) {
    RecordFault(std::string(api) + " on " + object.Describe() + " from thread " +
                std::to_string(CurrentThreadId()) + ", which has not initialised COM");
  }
  return std::nullopt;
}

void RecordFault(const std::string& what) { TheAudit().faults.push_back(what); }

void Keep(std::unique_ptr<ObjectCore> object) {
  Audit& audit = TheAudit();
  audit.Adopt(*object);
  audit.objects.push_back(std::move(object));
}

std::vector<std::string> Faults() {
  auto lock = Lock();
  return TheAudit().faults;
}

int LiveObjects() {
  auto lock = Lock();
  std::shared_ptr<Process> followed = FollowedServiceProcess();
  if (!followed) return 0;
  int live = 0;
  for (const auto& object : TheAudit().objects) {
    if (!object->dead() && Audit::OwnedBy(*object, followed.get())) ++live;
  }
  return live;
}

std::vector<std::string> LeftByEndedProcesses() {
  auto lock = Lock();
  std::vector<std::string> left;
  for (const auto& object : TheAudit().objects) {
    if (Audit::LeftBehind(*object)) left.push_back(object->Describe());
  }
  return left;
}

}  // namespace sim::com
