// The scenario steps of the console session and the popup programs, and
// the expectations on what was started and how it ended.
#pragma once

#include <string>

#include "arguments.h"
#include "verbs.h"

namespace koru::scn {

void AddSessionVerbs(VerbTable& table);
void AddPopupExpectations(VerbTable& table);

// An executable named on a step: a word or a "quoted string" (a file name
// or a whole path), as the machine's wide text.
std::wstring ExecutableAt(const Arguments& args, size_t i);
// A yes|no argument.
bool YesNo(const std::string& key, const std::string& value);

}  // namespace koru::scn
