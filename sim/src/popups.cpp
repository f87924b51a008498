// Started programs: their processes and primary threads, their scripted
// answers, and the control surface that ends them and reports on them.
#include "popups.h"

#include "process.h"
#include "process_table.h"
#include "sim/sessions.h"
#include "sim/utf8.h"

namespace sim {
namespace {

// The program's primary thread ends with it, and the ending is recorded.
void NoteEnding(Process& process, ThreadObject& primary) {
  primary.finished = true;
  primary.exitCode = process.exitCode;
  Sessions().endings.push_back(
      {process.pid, process.modulePath, process.exitCode, process.terminated});
}

// Ends a program as its own exit would (lock held).
void ExitProgram(Process& process, DWORD code) {
  if (process.ended) return;
  FinishProcess(process, code);
}

}  // namespace

const StartedProgram& StartProgramFile(const std::wstring& program, const Token& token) {
  StartedProgram started;
  started.process = NewProcess(AllocateProcessId(false), program, false);
  started.primary = std::make_shared<ThreadObject>();
  started.primary->id = AllocateProcessId(false);
  started.user = token.user;
  started.session = token.session;
  ThreadObject* primary = started.primary.get();
  started.process->onFinish = [primary](Process& process) { NoteEnding(process, *primary); };
  Sessions().started.push_back(std::move(started));
  return Sessions().started.back();
}

std::optional<DelayedAnswer> PlayBehaviour(const StartedProgram& started) {
  const auto& behaviours = Sessions().behaviours;
  auto found = behaviours.find(UpperCase(FileNameOf(started.process->modulePath)));
  if (found == behaviours.end() || !found->second.answer) return std::nullopt;
  const sessions::PopupBehaviour& behaviour = found->second;
  if (behaviour.afterMs == 0) {
    ExitProgram(*started.process, *behaviour.answer);
    return std::nullopt;
  }
  return DelayedAnswer{started.process, *behaviour.answer, behaviour.afterMs};
}

void ScheduleAnswer(const DelayedAnswer& answer) {
  StartMachineThread([answer] {
    auto lock = Lock();
    WaitFor ended{[&answer] { return answer.process->ended; }, nullptr,
                  "the scripted answer of a started program"};
    if (Block(lock, ended, answer.afterMs) == WaitResult::Timeout) {
      ExitProgram(*answer.process, answer.code);
    }
  });
}

namespace sessions {

const std::vector<Launch>& Launches() {
  auto lock = Lock();
  return Sessions().launches;
}

void SetPopupBehaviour(const std::wstring& exeName, const PopupBehaviour& behaviour) {
  auto lock = Lock();
  Sessions().behaviours[UpperCase(FileNameOf(exeName))] = behaviour;
}

void ExitPopup(const std::wstring& exe, DWORD code) {
  int ended = 0;
  {
    auto lock = Lock();
    for (const StartedProgram& started : Sessions().started) {
      if (started.process->ended || !NamesProgram(exe, started.process->modulePath)) continue;
      ExitProgram(*started.process, code);
      ++ended;
    }
  }
  if (ended == 0) {
    RecordProblem("popup-exit: no program of " + ToUtf8(exe) + " runs");
  }
}

bool Running(const std::wstring& exe) {
  auto lock = Lock();
  for (const StartedProgram& started : Sessions().started) {
    if (!started.process->ended && NamesProgram(exe, started.process->modulePath)) return true;
  }
  return false;
}

std::vector<Ending> Endings() {
  auto lock = Lock();
  return Sessions().endings;
}

}  // namespace sessions
}  // namespace sim
