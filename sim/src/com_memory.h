// Task memory as the machine's COM objects hand it out.
#pragma once

#include <string>

#include "sim/win32/com.h"

namespace sim::com {

// Copies a string into task memory (lock held); the caller frees it with
// CoTaskMemFree. Null when memory runs out.
LPWSTR TaskMemCopy(const std::wstring& text);

}  // namespace sim::com
