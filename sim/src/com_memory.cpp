// Task memory and property values. Blocks are tracked, so that freeing one
// twice or freeing what the machine did not give out is a recorded COM
// fault instead of a corruption; Reset frees what is left.
#include "com_memory.h"

#include <cstdlib>
#include <cstring>
#include <map>

#include "com_objects.h"
#include "kernel.h"
#include "kernel_state.h"

namespace sim::com {
namespace {

std::map<void*, SIZE_T>& Blocks() {
  static auto* blocks = new std::map<void*, SIZE_T>;
  return *blocks;
}

void ResetBlocks() {
  for (auto& [block, size] : Blocks()) std::free(block);
  Blocks().clear();
}

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetBlocks), true);

// Lock held.
void* Allocate(SIZE_T bytes) {
  // A zero-byte block is still a distinct block, as on Windows.
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  if (block != nullptr) Blocks()[block] = bytes;
  return block;
}

// Lock held.
void Free(void* block, const char* api) {
  if (block == nullptr) return;
  auto found = Blocks().find(block);
  if (found == Blocks().end()) {
    RecordFault(std::string(api) + " of " + AddressText(block) +
                ", which is not task memory of this machine or was freed already");
    return;
  }
  Blocks().erase(found);
  std::free(block);
}

}  // namespace

LPWSTR TaskMemCopy(const std::wstring& text) {
  size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  auto* copy = static_cast<LPWSTR>(Allocate(bytes));
  if (copy != nullptr) std::memcpy(copy, text.c_str(), bytes);
  return copy;
}

}  // namespace sim::com

LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb) {
  if (sim::Enter("CoTaskMemAlloc", static_cast<uint32_t>(E_OUTOFMEMORY))) return nullptr;
  auto lock = sim::Lock();
  return sim::com::Allocate(cb);
}

void WINAPI CoTaskMemFree(LPVOID pv) {
  sim::Enter("CoTaskMemFree", ERROR_SUCCESS);
  auto lock = sim::Lock();
  sim::com::Free(pv, "CoTaskMemFree");
}

HRESULT WINAPI PropVariantClear(PROPVARIANT* pvar) {
  if (auto error = sim::Enter("PropVariantClear", static_cast<uint32_t>(E_FAIL))) {
    return static_cast<HRESULT>(*error);
  }
  if (pvar == nullptr) return S_OK;
  auto lock = sim::Lock();
  switch (pvar->vt) {
    case VT_LPWSTR:
      sim::com::Free(pvar->pwszVal, "PropVariantClear");
      break;
    case VT_LPSTR:
      sim::com::Free(pvar->pszVal, "PropVariantClear");
      break;
    case VT_CLSID:
      sim::com::Free(pvar->puuid, "PropVariantClear");
      break;
    default:
      break;
  }
  std::memset(static_cast<void*>(pvar), 0, sizeof *pvar);
  return S_OK;
}
