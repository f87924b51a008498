// Access tokens of the simulated machine: whose token it is, the session it
// is bound to, and whether it is a primary or an impersonation token.
#pragma once

#include <memory>

#include "kernel.h"
#include "sim/sessions.h"
#include "sim/win32/session.h"

namespace sim {

class Token : public Object {
 public:
  static constexpr HandleKind kKind = HandleKind::Token;
  HandleKind Kind() const override { return kKind; }

  sessions::TokenUser user = sessions::TokenUser::System;
  DWORD session = 0;
  TOKEN_TYPE type = TokenPrimary;
  SECURITY_IMPERSONATION_LEVEL level = SecurityAnonymous;
};

// A new primary token of `user` in `session`, as a handle of the calling
// process (lock held).
HANDLE NewPrimaryToken(sessions::TokenUser user, DWORD session);

}  // namespace sim
