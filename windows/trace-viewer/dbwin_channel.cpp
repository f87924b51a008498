// Creating the debug-output objects and taking one line out of the buffer.
#include "dbwin_channel.h"

#include <cstring>

namespace {

HANDLE CreateAutoResetEvent(const std::wstring& name) {
  return CreateEventW(nullptr, FALSE, FALSE, name.c_str());
}

}  // namespace

bool DbwinChannel::Create(const std::wstring& prefix, std::wstring& failure) {
  mutex_.reset(CreateMutexW(nullptr, FALSE, (prefix + L"DBWinMutex").c_str()));
  if (!mutex_) {
    failure = L"CreateMutexW(" + prefix + L"DBWinMutex)";
    return false;
  }
  mapping_.reset(CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, BUFFER_BYTES,
                                    (prefix + L"DBWIN_BUFFER").c_str()));
  if (!mapping_) {
    failure = L"CreateFileMappingW(" + prefix + L"DBWIN_BUFFER)";
    return false;
  }
  existed_ = GetLastError() == ERROR_ALREADY_EXISTS;
  view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, BUFFER_BYTES));
  if (!view_) {
    failure = L"MapViewOfFile(" + prefix + L"DBWIN_BUFFER)";
    return false;
  }
  bufferReady_.reset(CreateAutoResetEvent(prefix + L"DBWIN_BUFFER_READY"));
  dataReady_.reset(CreateAutoResetEvent(prefix + L"DBWIN_DATA_READY"));
  if (!bufferReady_ || !dataReady_) {
    failure = L"CreateEventW(" + prefix + L"DBWIN_*_READY)";
    return false;
  }
  return true;
}

DebugLine DbwinChannel::Take() const {
  const char* buffer = static_cast<const char*>(view_.get());
  DebugLine line;
  std::memcpy(&line.processId, buffer, sizeof(DWORD));
  const char* text = buffer + sizeof(DWORD);
  constexpr size_t TEXT_BYTES = BUFFER_BYTES - sizeof(DWORD);
  const void* end = std::memchr(text, '\0', TEXT_BYTES);
  size_t length = end ? static_cast<const char*>(end) - text : TEXT_BYTES;
  line.text.assign(text, length);
  Release();
  return line;
}
