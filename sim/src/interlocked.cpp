// The interlocked operations: a scheduling point each, then the atomic
// operation itself.
#include "kernel.h"
#include "sim/win32/kernel.h"

LONG WINAPI InterlockedIncrement(LONG volatile* Addend) {
  sim::Enter("InterlockedIncrement", ERROR_SUCCESS);
  return __atomic_add_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedDecrement(LONG volatile* Addend) {
  sim::Enter("InterlockedDecrement", ERROR_SUCCESS);
  return __atomic_sub_fetch(Addend, 1, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedExchange(LONG volatile* Target, LONG Value) {
  sim::Enter("InterlockedExchange", ERROR_SUCCESS);
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

LONG WINAPI InterlockedCompareExchange(LONG volatile* Destination, LONG Exchange, LONG Comparand) {
  sim::Enter("InterlockedCompareExchange", ERROR_SUCCESS);
  __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return Comparand;
}

LONG WINAPI InterlockedExchangeAdd(LONG volatile* Addend, LONG Value) {
  sim::Enter("InterlockedExchangeAdd", ERROR_SUCCESS);
  return __atomic_fetch_add(Addend, Value, __ATOMIC_SEQ_CST);
}

PVOID WINAPI InterlockedExchangePointer(PVOID volatile* Target, PVOID Value) {
  sim::Enter("InterlockedExchangePointer", ERROR_SUCCESS);
  return __atomic_exchange_n(Target, Value, __ATOMIC_SEQ_CST);
}

PVOID WINAPI InterlockedCompareExchangePointer(PVOID volatile* Destination, PVOID Exchange,
                                               PVOID Comparand) {
  sim::Enter("InterlockedCompareExchangePointer", ERROR_SUCCESS);
  __atomic_compare_exchange_n(Destination, &Comparand, Exchange, false, __ATOMIC_SEQ_CST,
                              __ATOMIC_SEQ_CST);
  return Comparand;
}
