/* The virtual codec driver's parts and what they share: one device, the
 * open files and their turns, the request log, the jack-event queue and the
 * completion of a request. */
#pragma once

#include <ddk/wdm.h>

#include "../codec_test_protocol.h"

/* The one device: the function device on Windows' root-enumerated
 * device node (or Wine's). */
typedef struct CODEC_DEVICE {
  PDEVICE_OBJECT self;
  PDEVICE_OBJECT lower;
  UNICODE_STRING interfaceName;
} CODEC_DEVICE;

/* pnp.c */
NTSTATUS NTAPI CodecAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo);
NTSTATUS NTAPI CodecDispatchPnp(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchPower(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchSystemControl(PDEVICE_OBJECT device, PIRP irp);

/* dispatch.c */
NTSTATUS NTAPI CodecDispatchCreate(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchClose(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchCleanup(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchControl(PDEVICE_OBJECT device, PIRP irp);
/* Completes a request and notes the outcome in the log; bytes 1 writes
 * outByte into the caller's output byte. Returns the status completed with. */
NTSTATUS CodecCompleteRequest(PIRP irp, NTSTATUS status, ULONG bytes, UCHAR outByte);
/* Completes a request that was cancelled. */
NTSTATUS CodecCancelRequest(PIRP irp);
/* Completes a request the driver never served (cancelled while it waited
 * for its turn): not logged. */
NTSTATUS CodecWithdrawRequest(PIRP irp);
/* Logs and serves one of the codec's requests: completed, or left waiting. */
NTSTATUS CodecServeRequest(PIRP irp);

/* file_turns.c */
void TurnsInitialize(void);
/* Numbers an open file and gives it its turns. */
NTSTATUS TurnsOpen(PFILE_OBJECT file);
void TurnsClose(PFILE_OBJECT file);
/* The open file's number, from 1; 0 for a request without a file. */
ULONG TurnsFileNumber(PFILE_OBJECT file);
/* STATUS_SUCCESS: the request's turn has come, serve it now. STATUS_PENDING:
 * it waits for its turn and is served when the current one is done.
 * STATUS_CANCELLED: it was cancelled and has been completed. */
NTSTATUS TurnsBegin(PIRP irp);
/* The file's current request is about to be completed: the next request
 * whose turn has come, to be served then, or NULL when none waits. */
PIRP TurnsPass(PFILE_OBJECT file);
/* Withdraws the file's requests that wait for their turn. */
void TurnsWithdraw(PFILE_OBJECT file);

/* pending_list.c: lists of waiting requests that may be cancelled; the
 * caller holds the list's lock for the first two. */
/* Queues a request, marked pending; FALSE when it was cancelled already. */
BOOLEAN PendingListInsert(PLIST_ENTRY list, PIRP irp, PDRIVER_CANCEL cancelRoutine);
/* Takes the oldest request (of file, when not NULL) that is not being
 * cancelled, or NULL. */
PIRP PendingListTake(PLIST_ENTRY list, PFILE_OBJECT file);
/* In a cancel routine: lets the cancel lock go and removes the request
 * from its list under lock. */
void PendingListRemoveCancelled(PKSPIN_LOCK lock, PIRP irp);

/* request_log.c */
void LogInitialize(void);
/* Logs a request as pending and ties it to the request. */
void LogReceived(PIRP irp);
void LogCompleted(PIRP irp, ULONG outcome, NTSTATUS status, ULONG bytes, UCHAR outByte);
/* Copies the log into snapshot (count records, oldest first). */
void LogCopy(KORU_LOG_SNAPSHOT* snapshot);
void LogClear(void);

/* jack_queue.c */
void JackQueueInitialize(void);
/* A jack-state request: completed now, or left pending (STATUS_PENDING). */
NTSTATUS JackQueueNotify(PIRP irp);
NTSTATUS JackQueueInitial(PIRP irp);
/* A test-source command: jack event, planned failure or byte count, state. */
NTSTATUS JackQueueCommand(const KORU_TEST_COMMAND* command);
/* Cancels the pending requests of one open file, or all of them (NULL). */
void JackQueueCancelFile(PFILE_OBJECT file);
