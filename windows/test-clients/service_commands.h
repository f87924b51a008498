// The service control manager's view of one service, as the end-to-end
// suite reads it. Every command prints what it saw on stdout and returns
// the process exit code: 0 when the call worked, 1 otherwise.
#pragma once

// Prints the registration: binary path exactly as stored, start type,
// service type, error control and account.
int PrintServiceConfig(const wchar_t* name);

// Prints the current state.
int PrintServiceState(const wchar_t* name);

// Starts the service and prints each state the poller sees change, until
// RUNNING, STOPPED or the time-out.
int StartAndWatch(const wchar_t* name, unsigned timeoutMs);

// Sends STOP and prints each state the poller sees change, until STOPPED or
// the time-out; then waits, within the same time-out, for the end of the
// process the service ran in.
int StopAndWatch(const wchar_t* name, unsigned timeoutMs);

// Sends any control code and prints the result (or the error code).
int SendControl(const wchar_t* name, unsigned control);
