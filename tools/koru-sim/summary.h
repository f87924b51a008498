// The `summary` step: a short, readable account of what the service did
// during the whole run, read from the machine's logs: the jack events it
// handled, the settings it wrote, the popups it started and how each one
// ended, the requests the codec driver received, and the default endpoints.
#pragma once

#include <string>

#include "verbs.h"

namespace koru::scn {

void AddSummaryVerbs(VerbTable& table);

// The account: a title line and one line (or block) per subject, each
// ending in a line feed.
std::string ServiceSummary();

}  // namespace koru::scn
