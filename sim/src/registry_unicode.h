// Text conversions of the simulated registry: the UTF-16 little-endian bytes
// that REG_SZ values hold, the ANSI code page of the narrow calls, and the
// UTF-8 of the control surface and the saved text form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/utf8.h"

namespace sim::reg {

// UTF-16 little-endian bytes of `text`, without a terminator of their own.
std::vector<uint8_t> ToUtf16Bytes(std::wstring_view text);
// The UTF-16 code units in `bytes` (an odd last byte is ignored), surrogate
// pairs joined; a lone surrogate stays a character of its own.
std::wstring FromUtf16Bytes(const std::vector<uint8_t>& bytes);

// The control surface's UTF-8.
using sim::FromUtf8;
using sim::ToUtf8;

// The narrow calls' conversions, through the machine's own ANSI code page.
// They call simulated string functions: never with the machine lock held.
std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);

}  // namespace sim::reg
