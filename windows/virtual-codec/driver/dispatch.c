/* Opening, closing and the control requests: the five requests of the
 * codec's protocol, checked for their buffer sizes and logged, and the test
 * source's own request. */
#include "codec_driver.h"

#define CODEC_CODE(function) \
  CTL_CODE(FILE_DEVICE_UNKNOWN, function, METHOD_OUT_DIRECT, FILE_ANY_ACCESS)

static NTSTATUS Finish(PIRP irp, NTSTATUS status, ULONG_PTR bytes) {
  irp->IoStatus.Status = status;
  irp->IoStatus.Information = bytes;
  IoCompleteRequest(irp, IO_NO_INCREMENT);
  return status;
}

NTSTATUS NTAPI CodecDispatchCreate(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  return Finish(irp, TurnsOpen(IoGetCurrentIrpStackLocation(irp)->FileObject), 0);
}

NTSTATUS NTAPI CodecDispatchClose(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  TurnsClose(IoGetCurrentIrpStackLocation(irp)->FileObject);
  return Finish(irp, STATUS_SUCCESS, 0);
}

/* The last handle of a file is closed: the requests that wait for their
 * turn are withdrawn first, so that ending the waiting notification serves
 * none of them. */
NTSTATUS NTAPI CodecDispatchCleanup(PDEVICE_OBJECT device, PIRP irp) {
  PFILE_OBJECT file = IoGetCurrentIrpStackLocation(irp)->FileObject;
  UNREFERENCED_PARAMETER(device);
  TurnsWithdraw(file);
  JackQueueCancelFile(file);
  return Finish(irp, STATUS_SUCCESS, 0);
}

/* Logs the outcome and completes the request; then the next request of
 * the same file has its turn. That one is taken before the completion,
 * which may let the file go, and holds the file while it is served. */
static NTSTATUS Conclude(PIRP irp, ULONG outcome, NTSTATUS status, ULONG bytes, UCHAR outByte) {
  PIRP next = TurnsPass(IoGetCurrentIrpStackLocation(irp)->FileObject);
  LogCompleted(irp, outcome, status, bytes, outByte);
  Finish(irp, status, bytes);
  if (next) CodecServeRequest(next);
  return status;
}

NTSTATUS CodecCompleteRequest(PIRP irp, NTSTATUS status, ULONG bytes, UCHAR outByte) {
  if (NT_SUCCESS(status) && bytes == 1) {
    PUCHAR out =
        irp->MdlAddress ? MmGetSystemAddressForMdlSafe(irp->MdlAddress, NormalPagePriority) : NULL;
    if (out)
      *out = outByte;
    else {
      status = STATUS_INSUFFICIENT_RESOURCES;
      bytes = 0;
    }
  }
  return Conclude(irp, KORU_OUTCOME_COMPLETED, status, bytes, outByte);
}

NTSTATUS CodecCancelRequest(PIRP irp) {
  return Conclude(irp, KORU_OUTCOME_CANCELLED, STATUS_CANCELLED, 0, 0);
}

NTSTATUS CodecWithdrawRequest(PIRP irp) { return Finish(irp, STATUS_CANCELLED, 0); }

static BOOLEAN HasSizes(PIO_STACK_LOCATION stack, ULONG in, ULONG out) {
  return stack->Parameters.DeviceIoControl.InputBufferLength == in &&
         stack->Parameters.DeviceIoControl.OutputBufferLength == out;
}

/* Finish, acknowledgement and mute-state requests are only recorded. */
static NTSTATUS RecordOnly(PIRP irp, PIO_STACK_LOCATION stack) {
  return CodecCompleteRequest(
      irp, HasSizes(stack, 1, 0) ? STATUS_SUCCESS : STATUS_INVALID_PARAMETER, 0, 0);
}

static NTSTATUS JackState(PIRP irp, PIO_STACK_LOCATION stack, NTSTATUS (*serve)(PIRP)) {
  if (HasSizes(stack, 0, 1)) return serve(irp);
  return CodecCompleteRequest(irp, STATUS_INVALID_PARAMETER, 0, 0);
}

NTSTATUS CodecServeRequest(PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  LogReceived(irp);
  switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case CODEC_CODE(KORU_FN_FINISH_SPEAKER):
    case CODEC_CODE(KORU_FN_FINISH_HEADPHONE):
    case CODEC_CODE(KORU_FN_MUTESTATE_NOTIFY):
      return RecordOnly(irp, stack);
    case CODEC_CODE(KORU_FN_JACKSTATE_NOTIFY):
      return JackState(irp, stack, JackQueueNotify);
    case CODEC_CODE(KORU_FN_JACKSTATE_INITIAL):
      return JackState(irp, stack, JackQueueInitial);
    default:
      return CodecCompleteRequest(irp, STATUS_INVALID_DEVICE_REQUEST, 0, 0);
  }
}

/* The test source: jack events, planned completions, the log. */
static NTSTATUS TestCommand(PIRP irp, PIO_STACK_LOCATION stack) {
  const KORU_TEST_COMMAND* command = irp->AssociatedIrp.SystemBuffer;
  ULONG outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;

  if (stack->Parameters.DeviceIoControl.InputBufferLength < sizeof(*command))
    return Finish(irp, STATUS_INVALID_PARAMETER, 0);
  switch (command->op) {
    case KORU_OP_READ_LOG:
      if (outLength < sizeof(KORU_LOG_SNAPSHOT)) return Finish(irp, STATUS_BUFFER_TOO_SMALL, 0);
      LogCopy(irp->AssociatedIrp.SystemBuffer);
      return Finish(irp, STATUS_SUCCESS, sizeof(KORU_LOG_SNAPSHOT));
    case KORU_OP_CLEAR_LOG:
      LogClear();
      return Finish(irp, STATUS_SUCCESS, 0);
    default:
      return Finish(irp, JackQueueCommand(command), 0);
  }
}

NTSTATUS NTAPI CodecDispatchControl(PDEVICE_OBJECT device, PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  UNREFERENCED_PARAMETER(device);
  NTSTATUS status;
  if (stack->Parameters.DeviceIoControl.IoControlCode == KORU_IOCTL_TEST_COMMAND)
    return TestCommand(irp, stack);
  status = TurnsBegin(irp);
  return status == STATUS_SUCCESS ? CodecServeRequest(irp) : status;
}
