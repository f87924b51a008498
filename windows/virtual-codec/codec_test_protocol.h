/* What the virtual codec driver and its console tool share: the interface
 * class and function numbers the driver serves (the console tool checks
 * them against the service's own protocol header at compile time), the
 * private test code, its commands and the records of the request log.
 * Plain C, so that both the kernel-mode driver and the tool include it. */
#pragma once

/* The interface class of the codec, written as an initializer. */
#define KORU_CODEC_INTERFACE_CLASS                                                 \
  {                                                                                \
    0xF27CDC00, 0x203E, 0x4107, { 0xA5, 0x03, 0x21, 0x21, 0x15, 0x37, 0xEA, 0x43 } \
  }

/* The function numbers of the five requests of the codec's protocol. */
#define KORU_FN_FINISH_SPEAKER 0x107
#define KORU_FN_FINISH_HEADPHONE 0x108
#define KORU_FN_JACKSTATE_NOTIFY 0x109
#define KORU_FN_JACKSTATE_INITIAL 0x10A
#define KORU_FN_MUTESTATE_NOTIFY 0x10B

/* The test source's own request: buffered, a KORU_TEST_COMMAND in; the
 * log command answers a KORU_LOG_SNAPSHOT out. */
#define KORU_FN_TEST_COMMAND 0x800
#define KORU_IOCTL_TEST_COMMAND \
  ((0x22u << 16) | (KORU_FN_TEST_COMMAND << 2) | 0u /* METHOD_BUFFERED, FILE_ANY_ACCESS */)

enum KoruTestOp {
  KORU_OP_JACK = 1,      /* value: a jack type, completes or queues a jack event */
  KORU_OP_FAIL = 2,      /* the next jack-state request fails */
  KORU_OP_BYTES = 3,     /* value: the byte count the next jack-state request succeeds with */
  KORU_OP_SET_STATE = 4, /* value: the current jack state, reported by the initial request */
  KORU_OP_READ_LOG = 5,  /* answers the request log */
  KORU_OP_CLEAR_LOG = 6, /* empties the request log */
};

typedef struct KORU_TEST_COMMAND {
  unsigned int op;
  unsigned int value;
} KORU_TEST_COMMAND;

/* What became of a logged request. */
enum KoruRequestOutcome {
  KORU_OUTCOME_PENDING = 0,
  KORU_OUTCOME_COMPLETED = 1, /* status and bytes tell how */
  KORU_OUTCOME_CANCELLED = 2,
};

#define KORU_NO_INPUT_BYTE 0xFFFFFFFFu

typedef struct KORU_LOG_RECORD {
  unsigned int sequence; /* counts every logged request since the driver started */
  unsigned int code;     /* the control code as passed */
  unsigned int inLength;
  unsigned int inByte; /* the first input byte, or KORU_NO_INPUT_BYTE */
  unsigned int outLength;
  unsigned int outcome; /* a KoruRequestOutcome */
  int status;           /* NTSTATUS of the completion */
  unsigned int bytes;   /* byte count of the completion */
  unsigned int outByte; /* the output byte written, when bytes is 1 */
  unsigned int file;    /* the number of the open file that sent it, from 1 */
} KORU_LOG_RECORD;

/* The log keeps the latest requests; older ones are dropped and counted. */
#define KORU_LOG_CAPACITY 512

typedef struct KORU_LOG_SNAPSHOT {
  unsigned int count;
  unsigned int dropped;
  KORU_LOG_RECORD records[KORU_LOG_CAPACITY];
} KORU_LOG_SNAPSHOT;
