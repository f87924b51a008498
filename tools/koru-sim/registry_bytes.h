// Registry values of any type, written as their stored bytes:
//   registry NAME = TYPE HEX          (a step)
//   expect registry NAME = TYPE HEX   (an expectation)
// TYPE is none, binary, dword, qword or multi_sz; HEX the bytes as pairs of
// hexadecimal digits, "" for none. So a REG_DWORD of two bytes, a
// REG_QWORD or a REG_MULTI_SZ can be stored as a field machine might hold
// it, and checked to be left as it was.
#pragma once

#include "arguments.h"
#include "verbs.h"

namespace koru::scn {

// Whether the arguments after the verb read NAME = TYPE HEX.
bool IsBytesValue(const Arguments& args);
Compiled CompileBytesValueStep(const Arguments& args);
Compiled CompileBytesValueExpectation(const Arguments& args);

}  // namespace koru::scn
