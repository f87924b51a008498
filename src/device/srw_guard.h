// Scoped holds of a slim reader/writer lock, exclusive or shared.
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
