// Scoped holds of the service's locks: a slim reader/writer lock,
// exclusive or shared, and a critical section.
#pragma once

#include "platform/win32.h"

class ExclusiveSrwGuard {
 public:
  explicit ExclusiveSrwGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
  ExclusiveSrwGuard(const ExclusiveSrwGuard&) = delete;
  ExclusiveSrwGuard& operator=(const ExclusiveSrwGuard&) = delete;
  ~ExclusiveSrwGuard() { ReleaseSRWLockExclusive(&lock_); }

 private:
  SRWLOCK& lock_;
};

class SharedSrwGuard {
 public:
  explicit SharedSrwGuard(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockShared(&lock_); }
  SharedSrwGuard(const SharedSrwGuard&) = delete;
  SharedSrwGuard& operator=(const SharedSrwGuard&) = delete;
  ~SharedSrwGuard() { ReleaseSRWLockShared(&lock_); }

 private:
  SRWLOCK& lock_;
};

class CriticalSectionGuard {
 public:
  explicit CriticalSectionGuard(CRITICAL_SECTION& lock) : lock_(lock) {
    EnterCriticalSection(&lock_);
  }
  CriticalSectionGuard(const CriticalSectionGuard&) = delete;
  CriticalSectionGuard& operator=(const CriticalSectionGuard&) = delete;
  ~CriticalSectionGuard() { LeaveCriticalSection(&lock_); }

 private:
  CRITICAL_SECTION& lock_;
};
