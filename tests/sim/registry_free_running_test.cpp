// The registry, the debug output and the event log used by threads that
// truly run in parallel: nothing is lost and nothing races (this is what
// the ThreadSanitizer build runs).
#include <gtest/gtest.h>

#include <string>

#include "sim/machine.h"
#include "sim/registry.h"
#include "sim/services.h"
#include "sim/windows.h"

namespace {

constexpr int kThreads = 4;
constexpr DWORD kRounds = 200;

void Nothing() {}

class RegistryFreeRunning : public ::testing::Test {
 protected:
  void SetUp() override {
    sim::Options options;
    options.scheduling = sim::Scheduling::FreeRunning;
    sim::Reset(options);
    sim::SetNextProcessId(1312);
    sim::StartProgram(sim::Program{&Nothing, nullptr, &Nothing});
  }
  void TearDown() override {
    if (sim::ProgramAlive()) sim::EndProgram();
    sim::Reset();
  }
};

// Each thread writes its own value and reads it back on its own key handle,
// traces every round and reports one event at the end.
void Worker(int index, LONG* mismatches) {
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CLASSES_ROOT, "KoruAudio", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  std::string name = "Thread" + std::to_string(index);
  for (DWORD round = 0; round < kRounds; ++round) {
    RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&round), 4);
    DWORD read = 0, size = sizeof read;
    RegQueryValueExA(key, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&read), &size);
    if (read != round) InterlockedIncrement(mismatches);
    OutputDebugStringW(L"round\n");
  }
  RegCloseKey(key);
  HANDLE source = RegisterEventSourceW(nullptr, L"KoruAudioService");
  LPCWSTR strings[1] = {L"done"};
  ReportEventW(source, EVENTLOG_INFORMATION_TYPE, 0, 1, nullptr, 1, 0, strings, nullptr);
  DeregisterEventSource(source);
}

TEST_F(RegistryFreeRunning, FreeRunningWritersLoseNothing) {
  LONG mismatches = 0;
  for (int index = 0; index < kThreads; ++index) {
    sim::StartThread([index, &mismatches] { Worker(index, &mismatches); });
  }
  sim::Settle();

  EXPECT_EQ(mismatches, 0);
  for (int index = 0; index < kThreads; ++index) {
    std::string name = "Thread" + std::to_string(index);
    EXPECT_EQ(sim::registry::GetDword("HKEY_CLASSES_ROOT\\KoruAudio", name), kRounds - 1) << name;
  }
  const std::vector<sim::DebugLine>& lines = sim::DebugOutput();
  EXPECT_EQ(lines.size(), static_cast<size_t>(kThreads * kRounds));
  for (const sim::DebugLine& line : lines) ASSERT_EQ(line.pid, 1312u);
  EXPECT_EQ(sim::eventlog::Records().size(), static_cast<size_t>(kThreads));
  EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
}

}  // namespace
