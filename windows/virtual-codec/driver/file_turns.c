/* Open files, numbered for the log, and their turns: the requests on one
 * file are served one at a time, first come first served, as Windows' I/O
 * manager serves a file opened for synchronous I/O. Wine passes every
 * request on at once, so the driver keeps the turns itself; a request that
 * waits for its turn has not reached the driver yet, and is not logged. */
#include "codec_driver.h"

#define KORU_POOL_TAG 0x75726F4B /* "Koru" */

typedef struct FILE_TURNS {
  ULONG number;
  BOOLEAN busy; /* a request of this file is being served or waits in the driver */
  LIST_ENTRY waiting;
} FILE_TURNS;

static KSPIN_LOCK turnsLock;
static LONG openedFiles;

void TurnsInitialize(void) { KeInitializeSpinLock(&turnsLock); }

static FILE_TURNS* Turns(PFILE_OBJECT file) { return file ? file->FsContext : NULL; }

NTSTATUS TurnsOpen(PFILE_OBJECT file) {
  FILE_TURNS* turns = ExAllocatePoolWithTag(NonPagedPool, sizeof(FILE_TURNS), KORU_POOL_TAG);
  if (turns == NULL) return STATUS_INSUFFICIENT_RESOURCES;
  turns->number = (ULONG)InterlockedIncrement(&openedFiles);
  turns->busy = FALSE;
  InitializeListHead(&turns->waiting);
  file->FsContext = turns;
  return STATUS_SUCCESS;
}

void TurnsClose(PFILE_OBJECT file) {
  if (Turns(file)) ExFreePoolWithTag(Turns(file), KORU_POOL_TAG);
  file->FsContext = NULL;
}

ULONG TurnsFileNumber(PFILE_OBJECT file) { return Turns(file) ? Turns(file)->number : 0; }

static VOID NTAPI CancelWaitingTurn(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  PendingListRemoveCancelled(&turnsLock, irp);
  CodecWithdrawRequest(irp);
}

NTSTATUS TurnsBegin(PIRP irp) {
  FILE_TURNS* turns = Turns(IoGetCurrentIrpStackLocation(irp)->FileObject);
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;

  if (turns == NULL) return STATUS_SUCCESS;
  KeAcquireSpinLock(&turnsLock, &irql);
  if (!turns->busy)
    turns->busy = TRUE;
  else
    status = PendingListInsert(&turns->waiting, irp, CancelWaitingTurn) ? STATUS_PENDING
                                                                        : STATUS_CANCELLED;
  KeReleaseSpinLock(&turnsLock, irql);

  if (status == STATUS_CANCELLED) CodecWithdrawRequest(irp);
  return status;
}

PIRP TurnsPass(PFILE_OBJECT file) {
  FILE_TURNS* turns = Turns(file);
  KIRQL irql;
  PIRP next;

  if (turns == NULL) return NULL;
  KeAcquireSpinLock(&turnsLock, &irql);
  next = PendingListTake(&turns->waiting, NULL);
  if (next == NULL) turns->busy = FALSE;
  KeReleaseSpinLock(&turnsLock, irql);
  return next;
}

void TurnsWithdraw(PFILE_OBJECT file) {
  FILE_TURNS* turns = Turns(file);
  if (turns == NULL) return;
  for (;;) {
    KIRQL irql;
    PIRP irp;
    KeAcquireSpinLock(&turnsLock, &irql);
    irp = PendingListTake(&turns->waiting, NULL);
    KeReleaseSpinLock(&turnsLock, irql);
    if (irp == NULL) return;
    CodecWithdrawRequest(irp);
  }
}
