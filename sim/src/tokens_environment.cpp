// Environment blocks built from a token: the user's variables for a user's
// token, the system's for LocalSystem or no token. The machine remembers
// each block by its address, so a launch can tell whose block it got and a
// block destroyed twice or never created is recognised.
#include <string>

#include "kernel.h"
#include "kernel_state.h"
#include "sessions_state.h"
#include "sim/win32/session.h"
#include "tokens.h"

namespace sim {
namespace {

constexpr const wchar_t* kUserVariables[] = {L"USERNAME=User", L"USERPROFILE=C:\\Users\\User",
                                             L"TEMP=C:\\Users\\User\\AppData\\Local\\Temp",
                                             L"SystemRoot=C:\\Windows"};
constexpr const wchar_t* kSystemVariables[] = {
    L"USERNAME=SYSTEM", L"USERPROFILE=C:\\Windows\\system32\\config\\systemprofile",
    L"TEMP=C:\\Windows\\TEMP", L"SystemRoot=C:\\Windows"};

template <size_t N>
std::vector<wchar_t> BlockText(const wchar_t* const (&variables)[N]) {
  std::vector<wchar_t> text;
  for (const wchar_t* variable : variables) {
    text.insert(text.end(), variable, variable + std::char_traits<wchar_t>::length(variable));
    text.push_back(L'\0');
  }
  text.push_back(L'\0');
  return text;
}

std::unique_ptr<EnvironmentBlock> NewBlock(sessions::Environment owner) {
  auto block = std::make_unique<EnvironmentBlock>();
  block->owner = owner;
  block->text = owner == sessions::Environment::ConsoleUser ? BlockText(kUserVariables)
                                                            : BlockText(kSystemVariables);
  return block;
}

}  // namespace

namespace sessions {

int LiveEnvironmentBlocks() {
  auto lock = Lock();
  return static_cast<int>(Sessions().environments.size());
}

}  // namespace sessions
}  // namespace sim

BOOL WINAPI CreateEnvironmentBlock(LPVOID* lpEnvironment, HANDLE hToken, BOOL bInherit) {
  (void)bInherit;
  if (auto error = sim::Enter("CreateEnvironmentBlock", ERROR_NOT_ENOUGH_MEMORY)) {
    SetLastError(*error);
    return FALSE;
  }
  if (lpEnvironment == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto owner = sim::sessions::Environment::System;
  if (hToken != nullptr) {
    auto token = sim::Find<sim::Token>(hToken, "CreateEnvironmentBlock");
    if (!token) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    if (token->user == sim::sessions::TokenUser::ConsoleUser) {
      owner = sim::sessions::Environment::ConsoleUser;
    }
  }
  std::unique_ptr<sim::EnvironmentBlock> block = sim::NewBlock(owner);
  *lpEnvironment = block->text.data();
  sim::Sessions().environments.emplace(*lpEnvironment, std::move(block));
  return TRUE;
}

BOOL WINAPI DestroyEnvironmentBlock(LPVOID lpEnvironment) {
  if (auto error = sim::Enter("DestroyEnvironmentBlock", ERROR_INVALID_PARAMETER)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto& blocks = sim::Sessions().environments;
  if (blocks.erase(lpEnvironment) == 0) {
    sim::RecordHandleFault("DestroyEnvironmentBlock: block " + sim::AddressText(lpEnvironment) +
                           " was not created by CreateEnvironmentBlock, or is destroyed already");
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}
