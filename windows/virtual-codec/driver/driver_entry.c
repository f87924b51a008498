/* The virtual codec driver: a software stand-in for the codec's kernel
 * driver, serving the codec's device interface and its five control
 * requests, with jack events coming from a test source. */
#include "codec_driver.h"

static VOID NTAPI Unload(PDRIVER_OBJECT driver) { UNREFERENCED_PARAMETER(driver); }

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNREFERENCED_PARAMETER(registryPath);
  LogInitialize();
  JackQueueInitialize();
  TurnsInitialize();
  driver->DriverExtension->AddDevice = CodecAddDevice;
  driver->DriverUnload = Unload;
  driver->MajorFunction[IRP_MJ_CREATE] = CodecDispatchCreate;
  driver->MajorFunction[IRP_MJ_CLOSE] = CodecDispatchClose;
  driver->MajorFunction[IRP_MJ_CLEANUP] = CodecDispatchCleanup;
  driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = CodecDispatchControl;
  driver->MajorFunction[IRP_MJ_PNP] = CodecDispatchPnp;
  driver->MajorFunction[IRP_MJ_POWER] = CodecDispatchPower;
  driver->MajorFunction[IRP_MJ_SYSTEM_CONTROL] = CodecDispatchSystemControl;
  return STATUS_SUCCESS;
}
