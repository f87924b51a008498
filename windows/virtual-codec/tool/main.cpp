// koru-codec.exe: the test source of the virtual codec driver. It sends jack
// events and planned completions, prints the driver's request log, and
// loads the driver on a test machine without an INF installation.
#include <cstdio>
#include <cwchar>
#include <memory>
#include <string>

#include "codec_device.h"
#include "driver_install.h"
#include "request_log_text.h"

namespace {

constexpr char usage[] =
    "usage: koru-codec.exe COMMAND\n"
    "  jack N       a jack event of type N (0..255) for the pending or next jack-state request\n"
    "  fail         the pending or next jack-state request fails\n"
    "  bytes 0      the pending or next jack-state request succeeds with 0 bytes\n"
    "  state N      the current jack state, which the initial jack-state request reports\n"
    "  log [files]  the requests the driver received, one per line (files: with the open file)\n"
    "  clear        empties the driver's request log\n"
    "  install PATH registers the driver service for PATH and the codec's device node\n"
    "  wait [S]     waits up to S seconds (10) until the codec's interface is present\n";

constexpr int EXIT_USAGE = 2;

// A whole decimal number no greater than limit, or -1.
long Number(const wchar_t* text, unsigned long limit) {
  wchar_t* end = nullptr;
  unsigned long value = std::wcstoul(text, &end, 10);
  if (end == text || *end != L'\0' || value > limit || text[0] == L'-') return -1;
  return static_cast<long>(value);
}

int Command(unsigned op, unsigned value) {
  UniqueFileHandle device = OpenCodecInterface();
  return device && SendTestCommand(device.get(), {op, value}, nullptr, 0) ? 0 : 1;
}

int CommandWithValue(unsigned op, const wchar_t* text, unsigned long limit) {
  long value = text ? Number(text, limit) : -1;
  if (value < 0) {
    std::fputs(usage, stderr);
    return EXIT_USAGE;
  }
  return Command(op, static_cast<unsigned>(value));
}

int PrintLog(bool withFile) {
  UniqueFileHandle device = OpenCodecInterface();
  auto snapshot = std::make_unique<KORU_LOG_SNAPSHOT>();
  if (!device || !SendTestCommand(device.get(), {KORU_OP_READ_LOG, 0}, snapshot.get(),
                                  sizeof(KORU_LOG_SNAPSHOT)))
    return 1;
  if (snapshot->dropped) std::printf("(%u earlier requests dropped)\n", snapshot->dropped);
  for (unsigned i = 0; i < snapshot->count && i < KORU_LOG_CAPACITY; i++)
    std::printf("%s\n", RequestLogLine(snapshot->records[i], withFile).c_str());
  return 0;
}

// Polls: a driver's interface appears without any event a console tool can
// wait on.
int WaitForInterface(const wchar_t* secondsText) {
  long seconds = secondsText ? Number(secondsText, 3600) : 10;
  if (seconds < 0) {
    std::fputs(usage, stderr);
    return EXIT_USAGE;
  }
  for (long waited = 0; waited <= seconds * 10; waited++) {
    if (CodecInterfacePresent()) return 0;
    Sleep(100);
  }
  std::fprintf(stderr, "koru-codec: no interface of the codec's class after %ld s\n", seconds);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  const wchar_t* argument = argc > 2 ? argv[2] : nullptr;
  if (command == L"jack") return CommandWithValue(KORU_OP_JACK, argument, 255);
  if (command == L"fail") return Command(KORU_OP_FAIL, 0);
  if (command == L"bytes") return CommandWithValue(KORU_OP_BYTES, argument, 0);
  if (command == L"state") return CommandWithValue(KORU_OP_SET_STATE, argument, 255);
  if (command == L"log") return PrintLog(argument && std::wstring(argument) == L"files");
  if (command == L"clear") return Command(KORU_OP_CLEAR_LOG, 0);
  if (command == L"install" && argument) return InstallCodecDriver(argument) ? 0 : 1;
  if (command == L"wait") return WaitForInterface(argument);
  std::fputs(usage, stderr);
  return EXIT_USAGE;
}
