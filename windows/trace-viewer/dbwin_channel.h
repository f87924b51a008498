// One set of the objects through which processes hand debug output to a
// viewer: the mutex writers share, the 4096-byte buffer (the writer's
// process id, then its NUL-terminated ANSI text) and the two auto-reset
// events, "buffer ready" set by the viewer when the buffer is free and
// "data ready" set by the writer when it has filled it.
#pragma once

#include <string>

#include "platform/unique_handle.h"
#include "platform/win32.h"

struct DebugLine {
  DWORD processId = 0;
  std::string text;
};

class DbwinChannel {
 public:
  static constexpr DWORD BUFFER_BYTES = 4096;

  // Creates the objects under "<prefix>DBWinMutex", "<prefix>DBWIN_BUFFER"
  // and so on; the prefix is "" for the session's own names or "Global\".
  // On failure returns false and leaves the failing call and its error in
  // `failure`.
  bool Create(const std::wstring& prefix, std::wstring& failure);

  // Signalled when a writer has filled the buffer.
  HANDLE DataReady() const { return dataReady_.get(); }

  // Hands the buffer to the next writer.
  void Release() const { SetEvent(bufferReady_.get()); }

  // Copies the writer's line out of the buffer and frees the buffer at once.
  // A text that lacks its NUL ends at the buffer's end.
  DebugLine Take() const;

  // Whether the buffer already existed (another viewer, or the same object
  // under both names, as in session 0).
  bool Existed() const { return existed_; }

 private:
  struct ViewTraits {
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Close(Type view) { UnmapViewOfFile(view); }
  };

  UniqueKernelHandle mutex_;
  UniqueKernelHandle mapping_;
  UniqueHandle<ViewTraits> view_;
  UniqueKernelHandle bufferReady_;
  UniqueKernelHandle dataReady_;
  bool existed_ = false;
};
