// The registry's text form: a readable, line-based file that keeps every
// key, every value's type and every byte of its data.
//
//   ; comment
//   [HKEY_CLASSES_ROOT\KoruAudio]
//   "SpeakerVolume"=dword:0000003c
//   "Title"=sz:"text with \" escapes"
//   @=hex(3):00,ff
//
// The file is UTF-8. Quoted strings escape \" and \\, write \n, \r and \t
// for those characters and \u{HEX} for other control characters and for
// what UTF-8 cannot carry (a lone surrogate). A key name that needs escapes
// is quoted inside the brackets. REG_DWORD (4 bytes) and REG_QWORD (8 bytes)
// are written as numbers, well-formed REG_SZ and REG_EXPAND_SZ (UTF-16 with
// one terminator at the end) as text, everything else as hex(TYPE) bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "registry_tree.h"

namespace sim::reg {

std::string FormatTree(const Tree& tree);
// Nothing when the text is not in the form above.
std::optional<Tree> ParseTree(std::string_view text);

}  // namespace sim::reg
