// Search points, marks and checkpoints of a running scenario.
#include "scenario.h"

#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/machine.h"
#include "sim/services.h"
#include "sim/sessions.h"
#include "trace_log.h"

namespace koru::scn {

const std::vector<Log>& KeptLogs() {
  static const std::vector<Log> logs = {Log::Trace, Log::Events, Log::Launches,
                                        Log::DriverRequests};
  return logs;
}

size_t LogLength(Log log) {
  switch (log) {
    case Log::Trace:
      return ServiceTrace().size();
    case Log::Events:
      return sim::eventlog::Records().size();
    case Log::Launches:
      return sim::sessions::Launches().size();
    case Log::DriverRequests:
      return sim::codec::Requests().size();
  }
  return 0;
}

const char* LogName(Log log) {
  switch (log) {
    case Log::Trace:
      return "trace";
    case Log::DriverRequests:
      return "driver requests";
    case Log::Launches:
      return "launches";
    case Log::Events:
      return "events";
  }
  return "?";
}

void Scenario::Mark() {
  for (Log log : KeptLogs()) {
    size_t end = LogLength(log);
    cursors_[log] = {end, end};
  }
}

void Scenario::Checkpoint() {
  checkpointHandles_ = sim::OpenHandles();
  checkpointComObjects_ = sim::com::LiveObjects();
}

Scenario::Cursors Scenario::Cursor(Log log) const {
  auto found = cursors_.find(log);
  return found == cursors_.end() ? Cursors{} : found->second;
}

}  // namespace koru::scn
