// A fresh simulated machine for each test of the kernel, with a live service
// process in fixture mode when the test asks for one.
#pragma once

#include <gtest/gtest.h>

#include "sim/machine.h"
#include "sim/windows.h"

namespace sim_test {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override { sim::Reset(MachineOptions()); }
  // The next test must not inherit threads of this one.
  void TearDown() override { sim::Reset(); }
  virtual sim::Options MachineOptions() const { return {}; }

  // A live service process whose entry point never runs.
  static void StartProcess() { sim::StartProgram(sim::Program{}); }
};

// The machine's threads truly in parallel (ThreadSanitizer's tests).
inline sim::Options FreeRunningOptions() {
  sim::Options options;
  options.scheduling = sim::Scheduling::FreeRunning;
  return options;
}

// A fixture of the machine's tests on a free-running machine.
template <typename Fixture>
class FreeRunning : public Fixture {
 protected:
  sim::Options MachineOptions() const override { return FreeRunningOptions(); }
};

// The value a test writes into out-parameters before a call, to see whether
// the call wrote them.
constexpr DWORD kPoison = 0xdeadbeef;

}  // namespace sim_test
