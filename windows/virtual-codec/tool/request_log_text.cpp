// Formatting of the request log. The names are those of the service's
// protocol header, whose codes the driver's function numbers must build.
#include "request_log_text.h"

#include <cstdio>

#include "device/driver_protocol.h"

namespace {

constexpr GUID driverInterfaceClass = KORU_CODEC_INTERFACE_CLASS;
static_assert(driverInterfaceClass.Data1 == GUID_DEVINTERFACE_CODEC.Data1 &&
              driverInterfaceClass.Data2 == GUID_DEVINTERFACE_CODEC.Data2 &&
              driverInterfaceClass.Data3 == GUID_DEVINTERFACE_CODEC.Data3);
static_assert([] {
  for (int i = 0; i < 8; i++)
    if (driverInterfaceClass.Data4[i] != GUID_DEVINTERFACE_CODEC.Data4[i]) return false;
  return true;
}());
static_assert(CodecControlCode(KORU_FN_FINISH_SPEAKER) == IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER);
static_assert(CodecControlCode(KORU_FN_FINISH_HEADPHONE) == IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE);
static_assert(CodecControlCode(KORU_FN_JACKSTATE_NOTIFY) == IOCTL_CMD_JACKSTATE_NOTIFY);
static_assert(CodecControlCode(KORU_FN_JACKSTATE_INITIAL) == IOCTL_CMD_JACKSTATE_INITIAL);
static_assert(CodecControlCode(KORU_FN_MUTESTATE_NOTIFY) == IOCTL_CMD_MUTESTATE_NOTIFY);
static_assert(KORU_IOCTL_TEST_COMMAND == ControlCode(FILE_DEVICE_UNKNOWN, KORU_FN_TEST_COMMAND,
                                                     METHOD_BUFFERED, FILE_ANY_ACCESS));

struct NamedCode {
  DWORD code;
  const char* name;
};

constexpr NamedCode codeNames[] = {
    {IOCTL_CMD_JACKNOTIFY_FINISH_SPEAKER, "FINISH_SPEAKER"},
    {IOCTL_CMD_JACKNOTIFY_FINISH_HEADPHONE, "FINISH_HEADPHONE"},
    {IOCTL_CMD_JACKSTATE_NOTIFY, "JACKSTATE_NOTIFY"},
    {IOCTL_CMD_JACKSTATE_INITIAL, "JACKSTATE_INITIAL"},
    {IOCTL_CMD_MUTESTATE_NOTIFY, "MUTESTATE_NOTIFY"},
};

std::string Printed(const char* format, unsigned value) {
  char text[32];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

std::string CodeName(unsigned code) {
  for (const NamedCode& named : codeNames)
    if (named.code == code) return named.name;
  return Printed("0x%08X", code);
}

std::string Buffers(const KORU_LOG_RECORD& record) {
  std::string text;
  if (record.inLength == 1) text += Printed(" in=%u", record.inByte);
  if (record.inLength > 1) text += Printed(" inlen=%u", record.inLength);
  if (record.outLength != 0) text += Printed(" out=%u", record.outLength);
  return text;
}

// Nothing for a request without output that simply succeeded.
std::string Outcome(const KORU_LOG_RECORD& record) {
  if (record.outcome == KORU_OUTCOME_PENDING) return " -> pending";
  if (record.outcome == KORU_OUTCOME_CANCELLED) return " -> cancelled";
  if (record.status < 0) return Printed(" -> error 0x%08X", static_cast<unsigned>(record.status));
  if (record.bytes == 1) return Printed(" -> %u", record.outByte);
  if (record.outLength != 0) return Printed(" -> %u bytes", record.bytes);
  return "";
}

}  // namespace

std::string RequestLogLine(const KORU_LOG_RECORD& record, bool withFile) {
  std::string line = withFile ? Printed("file=%u ", record.file) : "";
  return line + CodeName(record.code) + Buffers(record) + Outcome(record);
}
