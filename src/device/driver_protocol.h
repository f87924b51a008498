// The codec driver's control protocol: its device-interface class, the five
// control codes with the bytes they carry, the jack types the driver
// reports and the answers of the audio switch window.
#pragma once

#include "platform/win32.h"

// The interface class the codec driver registers its device interface under.
inline constexpr GUID GUID_DEVINTERFACE_CODEC = {
    0xF27CDC00, 0x203E, 0x4107, {0xA5, 0x03, 0x21, 0x21, 0x15, 0x37, 0xEA, 0x43}};

// A control code built the way the SDK's CTL_CODE macro builds it.
constexpr DWORD ControlCode(DWORD deviceType, DWORD function, DWORD method, DWORD access) {
  return deviceType << 16 | access << 14 | function << 2 | method;
}

// Every code of the codec differs only in its function number.
constexpr DWORD CodecControlCode(DWORD function) {
  return ControlCode(FILE_DEVICE_UNKNOWN, function, METHOD_OUT_DIRECT, FILE_ANY_ACCESS);
}

// In: the finish byte. Out: none.
inline constexpr DWORD IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER = CodecControlCode(0x107);
// In: the finish byte, or a SwitchAnswer. Out: none.
inline constexpr DWORD IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE = CodecControlCode(0x108);
// In: none. Out: a JackType, once the driver has a jack event to report.
inline constexpr DWORD IOCTL_CMD_JACKSTATE_NOTIFY = CodecControlCode(0x109);
// In: none. Out: the current JackType, at once.
inline constexpr DWORD IOCTL_CMD_JACKSTATE_INITIAL = CodecControlCode(0x10A);
// In: MUTE_STATE_BYTE. Out: none.
inline constexpr DWORD IOCTL_CMD_MUTESTATE_NOTIFY = CodecControlCode(0x10B);

static_assert(IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER == 0x0022041E);
static_assert(IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE == 0x00220422);
static_assert(IOCTL_CMD_JACKSTATE_NOTIFY == 0x00220426);
static_assert(IOCTL_CMD_JACKSTATE_INITIAL == 0x0022042A);
static_assert(IOCTL_CMD_MUTESTATE_NOTIFY == 0x0022042E);

// The byte a jack-state request yields. Values from 5 on are not defined by
// the driver but do arrive, and are handled like a headphone without
// settings.
enum JackType : BYTE {
  JACK_SPEAKER = 0,
  JACK_HEADPHONE = 1,
  JACK_HEADPHONE_SECOND_KIND = 2,
  JACK_END = 3,
  JACK_RESET = 4,
};

// What the audio switch window's exit code tells the driver, sent with
// IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE.
enum SwitchAnswer : BYTE {
  SWITCH_ANSWER_CONSOLE = 2,         // exit codes 1 and 3
  SWITCH_ANSWER_COMMUNICATIONS = 3,  // exit code 2
  SWITCH_ANSWER_NONE = 4,            // any other, 4 when the service ended the window
};

constexpr SwitchAnswer SwitchAnswerFor(DWORD exitCode) {
  switch (exitCode) {
    case 1:
    case 3:
      return SWITCH_ANSWER_CONSOLE;
    case 2:
      return SWITCH_ANSWER_COMMUNICATIONS;
    default:
      return SWITCH_ANSWER_NONE;
  }
}

// The only byte the mute-state notification carries: the endpoint was
// unmuted after a mute.
inline constexpr BYTE MUTE_STATE_BYTE = 1;
