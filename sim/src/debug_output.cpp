// Debug output of the simulated machine: every OutputDebugString line with
// the id of the process that wrote it, in call order, optionally echoed to
// stderr. The lines live across process lives, until Reset; the echo
// setting belongs to the host and survives Reset.
#include <atomic>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "kernel.h"
#include "registry_unicode.h"
#include "sim/machine.h"
#include "sim/win32/kernel.h"

namespace sim {
namespace {

std::atomic<bool> echoOn{false};

// Lock held. Never destroyed, so that nothing depends on the order of
// static destruction at exit.
std::vector<DebugLine>& Lines() {
  static auto* lines = new std::vector<DebugLine>;
  return *lines;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetLines() { Lines().clear(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetLines), true);

struct Wanted {
  bool record;
  bool echo;
  bool any() const { return record || echo; }
};

Wanted WhatIsWanted() { return Wanted{Recording(), echoOn.load()}; }

void Write(std::wstring_view text, Wanted wanted) {
  std::string echoed = wanted.echo ? reg::ToUtf8(text) : std::string();
  auto lock = Lock();
  if (wanted.record) Lines().push_back(DebugLine{CurrentProcessId(), std::wstring(text)});
  // Under the machine lock, so that echoed lines keep the recorded order.
  if (wanted.echo) std::fwrite(echoed.data(), 1, echoed.size(), stderr);
}

}  // namespace

const std::vector<DebugLine>& DebugOutput() {
  auto lock = Lock();
  return Lines();
}

void EchoDebugOutput(bool on) { echoOn.store(on); }

}  // namespace sim

// OutputDebugString cannot fail visibly, so a planned fault changes nothing.
// With the recorders and the echo off it allocates nothing.
void WINAPI OutputDebugStringW(LPCWSTR lpOutputString) {
  sim::Enter("OutputDebugStringW", ERROR_SUCCESS);
  if (lpOutputString == nullptr) return;
  sim::Wanted wanted = sim::WhatIsWanted();
  if (!wanted.any()) return;
  sim::Write(lpOutputString, wanted);
}

void WINAPI OutputDebugStringA(LPCSTR lpOutputString) {
  sim::Enter("OutputDebugStringA", ERROR_SUCCESS);
  if (lpOutputString == nullptr) return;
  sim::Wanted wanted = sim::WhatIsWanted();
  if (!wanted.any()) return;
  sim::Write(sim::reg::AnsiToWide(lpOutputString), wanted);
}
