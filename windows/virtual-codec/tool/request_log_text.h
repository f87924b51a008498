// The driver's request log as text, one line per request.
#pragma once

#include <string>

#include "../codec_test_protocol.h"

// One line: the request's name (or its code in hex), its input byte, its
// output size and what became of it, e.g. "JACKSTATE_NOTIFY out=1 -> 1".
// withFile puts "file=N " (the open file that sent it) in front.
std::string RequestLogLine(const KORU_LOG_RECORD& record, bool withFile);
