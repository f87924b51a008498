// Loading the virtual codec driver on a test machine without an INF
// installation: its kernel-driver service and its root-enumerated device
// node, registered from user mode.
#pragma once

// The kernel-driver service's name, as `net start` takes it.
inline constexpr wchar_t CODEC_SERVICE_NAME[] = L"koru-codec";

// Registers (or re-points) the kernel-driver service at sysPath and, the
// first time, the device node the driver is added to. Prints what failed.
bool InstallCodecDriver(const wchar_t* sysPath);
