/* The device's life: added on the root-enumerated device node, its
 * interface of the codec's class switched on when the device starts and off
 * when it goes away; every Plug and Play, power and management request is
 * passed on to the device node below. */
#include "codec_driver.h"

static const GUID codecInterfaceClass = KORU_CODEC_INTERFACE_CLASS;

NTSTATUS NTAPI CodecAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo) {
  PDEVICE_OBJECT self;
  CODEC_DEVICE* codec;
  NTSTATUS status = IoCreateDevice(driver, sizeof(CODEC_DEVICE), NULL, FILE_DEVICE_UNKNOWN,
                                   FILE_DEVICE_SECURE_OPEN, FALSE, &self);
  if (!NT_SUCCESS(status)) return status;

  codec = self->DeviceExtension;
  RtlZeroMemory(codec, sizeof(*codec));
  codec->self = self;
  status = IoRegisterDeviceInterface(pdo, &codecInterfaceClass, NULL, &codec->interfaceName);
  if (!NT_SUCCESS(status)) {
    IoDeleteDevice(self);
    return status;
  }
  codec->lower = IoAttachDeviceToDeviceStack(self, pdo);
  if (codec->lower == NULL) {
    RtlFreeUnicodeString(&codec->interfaceName);
    IoDeleteDevice(self);
    return STATUS_NO_SUCH_DEVICE;
  }
  /* Like the root-enumerated node below, it takes power requests at
   * passive level. */
  self->Flags |= DO_POWER_PAGABLE;
  self->Flags &= ~DO_DEVICE_INITIALIZING;
  return STATUS_SUCCESS;
}

static NTSTATUS NTAPI SignalLowerDone(PDEVICE_OBJECT device, PIRP irp, PVOID event) {
  UNREFERENCED_PARAMETER(device);
  UNREFERENCED_PARAMETER(irp);
  KeSetEvent(event, IO_NO_INCREMENT, FALSE);
  return STATUS_MORE_PROCESSING_REQUIRED;
}

/* Passes a request to the device node below and waits until it is done
 * there; the request stays ours to complete. */
static NTSTATUS ForwardAndWait(CODEC_DEVICE* codec, PIRP irp) {
  KEVENT done;
  NTSTATUS status;

  KeInitializeEvent(&done, NotificationEvent, FALSE);
  IoCopyCurrentIrpStackLocationToNext(irp);
  IoSetCompletionRoutine(irp, SignalLowerDone, &done, TRUE, TRUE, TRUE);
  status = IoCallDriver(codec->lower, irp);
  if (status == STATUS_PENDING) {
    KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
    status = irp->IoStatus.Status;
  }
  return status;
}

static NTSTATUS PassDown(CODEC_DEVICE* codec, PIRP irp) {
  IoSkipCurrentIrpStackLocation(irp);
  return IoCallDriver(codec->lower, irp);
}

/* The interface is announced only once the device below has started. */
static NTSTATUS Start(CODEC_DEVICE* codec, PIRP irp) {
  NTSTATUS status = ForwardAndWait(codec, irp);
  if (NT_SUCCESS(status)) status = IoSetDeviceInterfaceState(&codec->interfaceName, TRUE);
  irp->IoStatus.Status = status;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

/* The interface goes away and every waiting request ends. */
static void Withdraw(CODEC_DEVICE* codec) {
  IoSetDeviceInterfaceState(&codec->interfaceName, FALSE);
  JackQueueCancelFile(NULL);
}

static NTSTATUS Remove(CODEC_DEVICE* codec, PIRP irp) {
  NTSTATUS status;
  Withdraw(codec);
  irp->IoStatus.Status = STATUS_SUCCESS;
  status = PassDown(codec, irp);
  IoDetachDevice(codec->lower);
  RtlFreeUnicodeString(&codec->interfaceName);
  IoDeleteDevice(codec->self);
  return status;
}

NTSTATUS NTAPI CodecDispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
  CODEC_DEVICE* codec = device->DeviceExtension;
  switch (IoGetCurrentIrpStackLocation(irp)->MinorFunction) {
    case IRP_MN_START_DEVICE:
      return Start(codec, irp);
    case IRP_MN_REMOVE_DEVICE:
      return Remove(codec, irp);
    case IRP_MN_SURPRISE_REMOVAL:
      Withdraw(codec);
      irp->IoStatus.Status = STATUS_SUCCESS;
      return PassDown(codec, irp);
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE:
    case IRP_MN_STOP_DEVICE:
      irp->IoStatus.Status = STATUS_SUCCESS;
      return PassDown(codec, irp);
    default:
      return PassDown(codec, irp);
  }
}

NTSTATUS NTAPI CodecDispatchPower(PDEVICE_OBJECT device, PIRP irp) {
  CODEC_DEVICE* codec = device->DeviceExtension;
  PoStartNextPowerIrp(irp);
  IoSkipCurrentIrpStackLocation(irp);
  return PoCallDriver(codec->lower, irp);
}

/* Windows Management Instrumentation: nothing of the device's own. */
NTSTATUS NTAPI CodecDispatchSystemControl(PDEVICE_OBJECT device, PIRP irp) {
  return PassDown(device->DeviceExtension, irp);
}
