// UTF-8 conversions for the control surface of the machine.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace sim {

// UTF-8 of `text`; characters that UTF-8 cannot carry (lone surrogates,
// values past U+10FFFF) become U+FFFD.
std::string ToUtf8(std::wstring_view text);
// Nothing when `text` is not well-formed UTF-8.
std::optional<std::wstring> FromUtf8(std::string_view text);

}  // namespace sim
