// The service's status towards the service control manager: the status
// record, its handle, the check-point counter, and the one report routine
// that the service main function and the control handler share.
#pragma once

#include "platform/win32.h"
#include "service/process_wide.h"

// Connects the service to the manager with `handler`. The handle is kept
// for every report and for the device notifications; null on failure, with
// the last error left as the call set it.
SERVICE_STATUS_HANDLE RegisterStatusHandle(LPHANDLER_FUNCTION_EX handler);
SERVICE_STATUS_HANDLE ServiceStatusHandle();

// Reports `dwCurrentState`: controls accepted 0 while start-pending,
// otherwise stop and pre-shutdown; check point 0 for running and stopped,
// otherwise the next value of the counter. Reports are serialised, and
// nothing is reported once STOPPED was: the process is ending.
void ReportServiceStatus(DWORD dwCurrentState, DWORD dwWin32ExitCode, DWORD dwWaitHint);
// Reports the state of the last report again, read under the same lock, so
// that it can never undo a report made meanwhile. Nothing before the first
// report.
void ReportCurrentServiceState();

// Part of the process start-up and shut-down (service/process_life.cpp):
// the record all zero, no handle, the counter at 1.
void StartServiceStatus();
void EndServiceStatus();
