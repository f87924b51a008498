/* Jack events from the test source and the jack-state requests waiting for
 * them. A jack-state notification takes, in this order, a planned
 * completion, a queued jack event, or waits until the test source sends
 * one; the I/O manager may cancel it meanwhile. */
#include "codec_driver.h"

#define QUEUE_CAPACITY 64

/* How a jack-state request completes: a jack event succeeds with its type
 * in one byte; a completion planned by the test source fails, or succeeds
 * with no byte written (the caller's byte stays as it was). */
typedef struct ANSWER {
  NTSTATUS status;
  ULONG bytes;
  UCHAR type;
} ANSWER;

/* Answers first in, first out. */
typedef struct ANSWER_RING {
  ANSWER entries[QUEUE_CAPACITY];
  ULONG head;
  ULONG count;
} ANSWER_RING;

/* stateLock keeps the rings, the current jack state, the waiting requests
 * and the decision to wait or to complete together. */
static KSPIN_LOCK stateLock;
static ANSWER_RING plans;
static ANSWER_RING events;
static UCHAR currentJackState;
static LIST_ENTRY waiting;

static BOOLEAN Push(ANSWER_RING* ring, ANSWER answer) {
  if (ring->count == QUEUE_CAPACITY) return FALSE;
  ring->entries[(ring->head + ring->count++) % QUEUE_CAPACITY] = answer;
  return TRUE;
}

static BOOLEAN Pop(ANSWER_RING* ring, ANSWER* answer) {
  if (ring->count == 0) return FALSE;
  *answer = ring->entries[ring->head];
  ring->head = (ring->head + 1) % QUEUE_CAPACITY;
  ring->count--;
  return TRUE;
}

static ANSWER JackAnswer(UCHAR type) {
  ANSWER answer = {STATUS_SUCCESS, 1, type};
  return answer;
}

static NTSTATUS Complete(PIRP irp, ANSWER answer) {
  return CodecCompleteRequest(irp, answer.status, answer.bytes, answer.type);
}

/* The I/O manager cancels a waiting notification (its thread's I/O
 * cancelled, its thread or process ended). */
static VOID NTAPI CancelWaiting(PDEVICE_OBJECT device, PIRP irp) {
  UNREFERENCED_PARAMETER(device);
  PendingListRemoveCancelled(&stateLock, irp);
  CodecCancelRequest(irp);
}

void JackQueueInitialize(void) {
  KeInitializeSpinLock(&stateLock);
  InitializeListHead(&waiting);
}

NTSTATUS JackQueueNotify(PIRP irp) {
  KIRQL irql;
  ANSWER answer;
  BOOLEAN answered;
  BOOLEAN waits = FALSE;

  KeAcquireSpinLock(&stateLock, &irql);
  answered = Pop(&plans, &answer) || Pop(&events, &answer);
  if (!answered) waits = PendingListInsert(&waiting, irp, CancelWaiting);
  KeReleaseSpinLock(&stateLock, irql);

  if (answered) return Complete(irp, answer);
  if (waits) return STATUS_PENDING;
  return CodecCancelRequest(irp);
}

NTSTATUS JackQueueInitial(PIRP irp) {
  KIRQL irql;
  ANSWER answer;

  KeAcquireSpinLock(&stateLock, &irql);
  if (!Pop(&plans, &answer)) answer = JackAnswer(currentJackState);
  KeReleaseSpinLock(&stateLock, irql);
  return Complete(irp, answer);
}

/* Completes the oldest waiting notification with answer, or keeps the
 * answer in ring for the next one. */
static NTSTATUS Deliver(ANSWER answer, ANSWER_RING* ring) {
  NTSTATUS status = STATUS_SUCCESS;
  KIRQL irql;
  PIRP irp;

  KeAcquireSpinLock(&stateLock, &irql);
  irp = PendingListTake(&waiting, NULL);
  if (irp == NULL && !Push(ring, answer)) status = STATUS_INSUFFICIENT_RESOURCES;
  KeReleaseSpinLock(&stateLock, irql);

  if (irp) Complete(irp, answer);
  return status;
}

static void SetJackState(UCHAR type) {
  KIRQL irql;
  KeAcquireSpinLock(&stateLock, &irql);
  currentJackState = type;
  KeReleaseSpinLock(&stateLock, irql);
}

static NTSTATUS JackEvent(UCHAR type) {
  /* An end (3) or a reset (4) is no state of the jack. */
  if (type != 3 && type != 4) SetJackState(type);
  return Deliver(JackAnswer(type), &events);
}

/* A planned completion applies to the next jack-state request of either
 * kind, and goes before queued jack events. */
static NTSTATUS Plan(NTSTATUS status) {
  ANSWER answer = {status, 0, 0};
  return Deliver(answer, &plans);
}

NTSTATUS JackQueueCommand(const KORU_TEST_COMMAND* command) {
  if (command->value > 255) return STATUS_INVALID_PARAMETER;
  switch (command->op) {
    case KORU_OP_JACK:
      return JackEvent((UCHAR)command->value);
    case KORU_OP_FAIL:
      return Plan(STATUS_UNSUCCESSFUL);
    case KORU_OP_BYTES:
      /* Only an empty success: a byte comes with a jack event. */
      return command->value == 0 ? Plan(STATUS_SUCCESS) : STATUS_INVALID_PARAMETER;
    case KORU_OP_SET_STATE:
      SetJackState((UCHAR)command->value);
      return STATUS_SUCCESS;
    default:
      return STATUS_INVALID_PARAMETER;
  }
}

void JackQueueCancelFile(PFILE_OBJECT file) {
  for (;;) {
    KIRQL irql;
    PIRP irp;
    KeAcquireSpinLock(&stateLock, &irql);
    irp = PendingListTake(&waiting, file);
    KeReleaseSpinLock(&stateLock, irql);
    if (irp == NULL) return;
    CodecCancelRequest(irp);
  }
}
