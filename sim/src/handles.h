// The machine's handle table, beyond what every area of the machine uses
// (kernel.h): the generic close, the audits and the end of a process.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kernel.h"

namespace sim {

class Process;

// Pseudo handles, valid in the calling thread's process without being open.
inline HANDLE CurrentProcessPseudoHandle() { return reinterpret_cast<HANDLE>(LONG_PTR{-1}); }
inline HANDLE CurrentThreadPseudoHandle() { return reinterpret_cast<HANDLE>(LONG_PTR{-2}); }

// Closes any kernel-object handle that CloseHandle may close (lock held).
bool CloseKernelHandle(HANDLE handle, const char* api);
// Removes every handle the process still has open and returns one line per
// handle ("Semaphore 0x104"), as the process ends (lock held).
std::vector<std::string> CloseHandlesOf(const Process& process);
void ResetHandles();

}  // namespace sim
