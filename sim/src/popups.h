// The programs that CreateProcessAsUserW starts: processes without threads
// of their own that stay open until they are ended, or exit with a scripted
// answer at once or after a virtual delay.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sessions_state.h"
#include "tokens.h"

namespace sim {

// Starts `program` with `token`'s identity (lock held).
const StartedProgram& StartProgramFile(const std::wstring& program, const Token& token);

// An answer that comes after a delay.
struct DelayedAnswer {
  std::shared_ptr<Process> process;
  DWORD code = 0;
  uint64_t afterMs = 0;
};
// Plays the scripted behaviour of the program's executable (lock held): an
// answer without delay ends the program at once; a delayed one is returned
// for ScheduleAnswer.
std::optional<DelayedAnswer> PlayBehaviour(const StartedProgram& started);
// A timer of the machine: the program exits with the answer when the delay
// has passed, unless it ended before (lock not held).
void ScheduleAnswer(const DelayedAnswer& answer);

}  // namespace sim
