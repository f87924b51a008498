// koru-dbwin: writes one debug-output text straight into the viewer's
// buffer, the way OutputDebugString does, but fills the whole buffer after
// the process id without a terminating NUL, so that a viewer's bound on the
// text can be seen.
#include <cstdio>
#include <cstring>

#include "platform/unique_handle.h"
#include "platform/win32.h"

namespace {

constexpr DWORD BUFFER_BYTES = 4096;
constexpr DWORD WAIT_MS = 10000;

struct ViewTraits {
  using Type = void*;
  static Type Invalid() { return nullptr; }
  static void Close(Type view) { UnmapViewOfFile(view); }
};

int Failed(const char* call) {
  std::printf("%s failed with %lu\n", call, GetLastError());
  return 1;
}

// The buffer is free: fill it and tell the viewer.
int Fill(HANDLE dataReady, void* view) {
  DWORD pid = GetCurrentProcessId();
  char* buffer = static_cast<char*>(view);
  std::memcpy(buffer, &pid, sizeof(pid));
  std::memset(buffer + sizeof(pid), 'x', BUFFER_BYTES - sizeof(pid));
  SetEvent(dataReady);
  std::printf("wrote %lu bytes without a NUL as process %lu\n",
              static_cast<unsigned long>(BUFFER_BYTES - sizeof(pid)), pid);
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t**) {
  if (argc != 1) {
    std::fputs("usage: koru-dbwin (fills a listening viewer's buffer without a NUL)\n", stderr);
    return 2;
  }
  UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, L"DBWinMutex"));
  UniqueKernelHandle mapping(OpenFileMappingW(FILE_MAP_WRITE, FALSE, L"DBWIN_BUFFER"));
  UniqueKernelHandle bufferReady(OpenEventW(SYNCHRONIZE, FALSE, L"DBWIN_BUFFER_READY"));
  UniqueKernelHandle dataReady(OpenEventW(EVENT_MODIFY_STATE, FALSE, L"DBWIN_DATA_READY"));
  if (!mutex || !mapping || !bufferReady || !dataReady)
    return Failed("opening the viewer's objects");
  UniqueHandle<ViewTraits> view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, BUFFER_BYTES));
  if (!view) return Failed("MapViewOfFile");

  if (WaitForSingleObject(mutex.get(), WAIT_MS) != WAIT_OBJECT_0) return Failed("DBWinMutex");
  int result = WaitForSingleObject(bufferReady.get(), WAIT_MS) == WAIT_OBJECT_0
                   ? Fill(dataReady.get(), view.get())
                   : Failed("DBWIN_BUFFER_READY");
  ReleaseMutex(mutex.get());
  return result;
}
