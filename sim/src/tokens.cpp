// The token functions: a process's own token, duplicates, and the session
// id a token carries.
#include "tokens.h"

#include <cstring>

#include "process.h"
#include "sessions_state.h"
#include "sim/win32/session.h"

namespace sim {
namespace {

// Whose token a process has: a program the machine started has the token
// it was started with; every other process is a service of LocalSystem.
void ProcessIdentity(const Process& process, sessions::TokenUser* user, DWORD* session) {
  *user = sessions::TokenUser::System;
  *session = kServiceSession;
  for (const StartedProgram& started : Sessions().started) {
    if (started.process.get() != &process) continue;
    *user = started.user;
    *session = started.session;
  }
}

template <typename T>
BOOL WriteInformation(const T& value, LPVOID buffer, DWORD length, PDWORD returned) {
  if (returned != nullptr) *returned = sizeof(T);
  if (length < sizeof(T) || buffer == nullptr) {
    SetLastErrorValue(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, &value, sizeof(T));
  return TRUE;
}

}  // namespace

HANDLE NewPrimaryToken(sessions::TokenUser user, DWORD session) {
  auto token = std::make_shared<Token>();
  token->user = user;
  token->session = session;
  return AddHandle(token);
}

}  // namespace sim

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle) {
  (void)DesiredAccess;
  if (auto error = sim::Enter("OpenProcessToken", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto process = sim::Find<sim::Process>(ProcessHandle, "OpenProcessToken");
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  sim::sessions::TokenUser user;
  DWORD session;
  sim::ProcessIdentity(*process, &user, &session);
  *TokenHandle = sim::NewPrimaryToken(user, session);
  return TRUE;
}

BOOL WINAPI DuplicateTokenEx(HANDLE hExistingToken, DWORD dwDesiredAccess,
                             LPSECURITY_ATTRIBUTES lpTokenAttributes,
                             SECURITY_IMPERSONATION_LEVEL ImpersonationLevel, TOKEN_TYPE TokenType,
                             PHANDLE phNewToken) {
  (void)dwDesiredAccess;
  (void)lpTokenAttributes;
  if (auto error = sim::Enter("DuplicateTokenEx", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  if (TokenType != TokenPrimary && TokenType != TokenImpersonation) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (ImpersonationLevel < SecurityAnonymous || ImpersonationLevel > SecurityDelegation) {
    SetLastError(ERROR_BAD_IMPERSONATION_LEVEL);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto existing = sim::Find<sim::Token>(hExistingToken, "DuplicateTokenEx");
  if (!existing) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  auto duplicate = std::make_shared<sim::Token>(*existing);
  duplicate->type = TokenType;
  duplicate->level = ImpersonationLevel;
  *phNewToken = sim::AddHandle(duplicate);
  return TRUE;
}

BOOL WINAPI SetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                LPVOID TokenInformation, DWORD TokenInformationLength) {
  if (auto error = sim::Enter("SetTokenInformation", ERROR_PRIVILEGE_NOT_HELD)) {
    SetLastError(*error);
    return FALSE;
  }
  if (TokenInformationClass != TokenSessionId) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
  }
  if (TokenInformation == nullptr || TokenInformationLength != sizeof(DWORD)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto token = sim::Find<sim::Token>(TokenHandle, "SetTokenInformation");
  if (!token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::memcpy(&token->session, TokenInformation, sizeof(DWORD));
  return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                LPVOID TokenInformation, DWORD TokenInformationLength,
                                PDWORD ReturnLength) {
  if (auto error = sim::Enter("GetTokenInformation", ERROR_ACCESS_DENIED)) {
    SetLastError(*error);
    return FALSE;
  }
  auto lock = sim::Lock();
  auto token = sim::Find<sim::Token>(TokenHandle, "GetTokenInformation");
  if (!token) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  switch (TokenInformationClass) {
    case TokenSessionId:
      return sim::WriteInformation(token->session, TokenInformation, TokenInformationLength,
                                   ReturnLength);
    case TokenType:
      return sim::WriteInformation(token->type, TokenInformation, TokenInformationLength,
                                   ReturnLength);
    default:
      break;
  }
  SetLastError(ERROR_NOT_SUPPORTED);
  return FALSE;
}
