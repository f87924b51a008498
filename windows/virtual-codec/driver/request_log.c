/* The request log: every request the driver received, in order, with what
 * became of it. A ring of the latest requests; the test source reads it. */
#include "codec_driver.h"

static KSPIN_LOCK logLock;
static KORU_LOG_RECORD ring[KORU_LOG_CAPACITY];
static ULONG nextSequence;  /* the sequence of the next request, from 1 */
static ULONG firstSequence; /* the oldest sequence still in the log */
static ULONG droppedCount;

void LogInitialize(void) {
  KeInitializeSpinLock(&logLock);
  nextSequence = 1;
  firstSequence = 1;
  droppedCount = 0;
}

static KORU_LOG_RECORD* Slot(ULONG sequence) { return &ring[sequence % KORU_LOG_CAPACITY]; }

static ULONG FirstInputByte(PIRP irp, ULONG inLength) {
  if (inLength == 0 || irp->AssociatedIrp.SystemBuffer == NULL) return KORU_NO_INPUT_BYTE;
  return *(const UCHAR*)irp->AssociatedIrp.SystemBuffer;
}

void LogReceived(PIRP irp) {
  PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
  ULONG inLength = stack->Parameters.DeviceIoControl.InputBufferLength;
  KORU_LOG_RECORD record = {0};
  KIRQL irql;

  record.code = stack->Parameters.DeviceIoControl.IoControlCode;
  record.inLength = inLength;
  record.inByte = FirstInputByte(irp, inLength);
  record.outLength = stack->Parameters.DeviceIoControl.OutputBufferLength;
  record.outcome = KORU_OUTCOME_PENDING;
  record.file = TurnsFileNumber(stack->FileObject);

  KeAcquireSpinLock(&logLock, &irql);
  record.sequence = nextSequence++;
  if (record.sequence - firstSequence >= KORU_LOG_CAPACITY) {
    firstSequence++;
    droppedCount++;
  }
  *Slot(record.sequence) = record;
  KeReleaseSpinLock(&logLock, irql);
  irp->Tail.Overlay.DriverContext[0] = (PVOID)(ULONG_PTR)record.sequence;
}

void LogCompleted(PIRP irp, ULONG outcome, NTSTATUS status, ULONG bytes, UCHAR outByte) {
  ULONG sequence = (ULONG)(ULONG_PTR)irp->Tail.Overlay.DriverContext[0];
  KORU_LOG_RECORD* record = Slot(sequence);
  KIRQL irql;

  KeAcquireSpinLock(&logLock, &irql);
  /* A record that has left the ring (or was cleared) is not touched. */
  if (sequence >= firstSequence && record->sequence == sequence) {
    record->outcome = outcome;
    record->status = status;
    record->bytes = bytes;
    record->outByte = outByte;
  }
  KeReleaseSpinLock(&logLock, irql);
}

void LogCopy(KORU_LOG_SNAPSHOT* snapshot) {
  KIRQL irql;
  ULONG sequence;

  KeAcquireSpinLock(&logLock, &irql);
  snapshot->count = 0;
  snapshot->dropped = droppedCount;
  for (sequence = firstSequence; sequence != nextSequence; sequence++)
    snapshot->records[snapshot->count++] = *Slot(sequence);
  KeReleaseSpinLock(&logLock, irql);
}

void LogClear(void) {
  KIRQL irql;

  KeAcquireSpinLock(&logLock, &irql);
  firstSequence = nextSequence;
  droppedCount = 0;
  KeReleaseSpinLock(&logLock, irql);
}
