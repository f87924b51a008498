// The device tests' machine and the threads that send their requests.
#include "device_io_fixture.h"

#include "sim/windows.h"

namespace sim_test {
namespace {

DWORD WINAPI MakeCall(LPVOID parameter) {
  Call& call = *static_cast<Call*>(parameter);
  BYTE* out = call.outputSize != 0 ? &call.output : nullptr;
  BYTE* in = call.input.empty() ? nullptr : call.input.data();
  call.ok = DeviceIoControl(call.handle, call.code, in, static_cast<DWORD>(call.input.size()), out,
                            call.outputSize, &call.bytes, nullptr);
  call.error = call.ok ? 0 : GetLastError();
  call.returned = true;
  return 0;
}

}  // namespace

void DeviceTest::SetUp() {
  MachineTest::SetUp();
  StartProcess();
  sim::codec::Present();
}

void DeviceTest::TearDown() {
  // A process that ended has closed them already.
  if (sim::ProgramAlive()) {
    for (HANDLE thread : threads_) CloseHandle(thread);
  }
  if (!faultsAllowed_) {
    EXPECT_TRUE(sim::HandleFaults().empty()) << sim::HandleFaults().front();
  }
  MachineTest::TearDown();
}

HANDLE DeviceTest::Open(const std::wstring& path) {
  return CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                     nullptr, OPEN_EXISTING, 0, nullptr);
}

Call& DeviceTest::NewCall(HANDLE handle, DWORD code, std::vector<BYTE> input, DWORD outputSize) {
  Call& call = calls_.emplace_back();
  call.handle = handle;
  call.code = code;
  call.input = std::move(input);
  call.outputSize = outputSize;
  return call;
}

HANDLE DeviceTest::Send(Call& call) {
  HANDLE thread = CreateThread(nullptr, 0, MakeCall, &call, 0, nullptr);
  threads_.push_back(thread);
  return thread;
}

Call& DeviceTest::SendAndSettle(HANDLE handle, DWORD code, std::vector<BYTE> input,
                                DWORD outputSize) {
  Call& call = NewCall(handle, code, std::move(input), outputSize);
  Send(call);
  sim::Settle();
  return call;
}

std::vector<std::string> DeviceTest::LogLines() {
  std::vector<std::string> lines;
  for (const auto& request : sim::codec::Requests()) lines.push_back(LogLine(request));
  return lines;
}

std::string LogLine(const sim::codec::Request& request) {
  std::string line = sim::codec::CodeName(request.code) + " in=";
  for (uint8_t byte : request.input) line += std::to_string(byte);
  switch (request.outcome) {
    case sim::codec::Outcome::Pending:
      return line + " pending";
    case sim::codec::Outcome::Succeeded:
      return line + " ok " + std::to_string(request.bytes);
    case sim::codec::Outcome::Failed:
      return line + " failed " + std::to_string(request.error);
  }
  return line;
}

}  // namespace sim_test
