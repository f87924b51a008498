/* Lists of requests that wait in the driver and that the I/O manager may
 * cancel meanwhile: the cancel routine and the driver taking a request
 * never both complete it. The caller holds the list's lock. */
#include "codec_driver.h"

BOOLEAN PendingListInsert(PLIST_ENTRY list, PIRP irp, PDRIVER_CANCEL cancelRoutine) {
  IoSetCancelRoutine(irp, cancelRoutine);
  /* Cancelled already, and the routine was taken back before it could run. */
  if (irp->Cancel && IoSetCancelRoutine(irp, NULL) != NULL) return FALSE;
  /* Otherwise the routine runs now or later, and removes the request under
   * the list's lock. */
  IoMarkIrpPending(irp);
  InsertTailList(list, &irp->Tail.Overlay.ListEntry);
  return TRUE;
}

PIRP PendingListTake(PLIST_ENTRY list, PFILE_OBJECT file) {
  PLIST_ENTRY entry;
  for (entry = list->Flink; entry != list; entry = entry->Flink) {
    PIRP irp = CONTAINING_RECORD(entry, IRP, Tail.Overlay.ListEntry);
    if (file && IoGetCurrentIrpStackLocation(irp)->FileObject != file) continue;
    /* A request whose cancel routine has started is left to that routine. */
    if (IoSetCancelRoutine(irp, NULL) == NULL) continue;
    RemoveEntryList(entry);
    return irp;
  }
  return NULL;
}

void PendingListRemoveCancelled(PKSPIN_LOCK lock, PIRP irp) {
  KIRQL irql;
  IoReleaseCancelSpinLock(irp->CancelIrql);
  KeAcquireSpinLock(lock, &irql);
  RemoveEntryList(&irp->Tail.Overlay.ListEntry);
  KeReleaseSpinLock(lock, irql);
}
