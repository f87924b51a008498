/* The virtual codec driver's parts and what they share: one device, its
 * request log, its jack-event queue and the completion of a request. */
#pragma once

#include <ddk/wdm.h>

#include "../codec_test_protocol.h"

/* The one device: the function device on Windows' root-enumerated
 * device node (or Wine's). */
typedef struct CODEC_DEVICE {
  PDEVICE_OBJECT self;
  PDEVICE_OBJECT lower;
  PDEVICE_OBJECT pdo;
  UNICODE_STRING interfaceName;
} CODEC_DEVICE;

/* pnp.c */
NTSTATUS NTAPI CodecAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo);
NTSTATUS NTAPI CodecDispatchPnp(PDEVICE_OBJECT device, PIRP irp);
NTSTATUS NTAPI CodecDispatchPower(PDEVICE_OBJECT device, PIRP irp);

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
