// The state a scenario carries from step to step: one search point per log
// of the machine, the handles at the last checkpoint, the last exit code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace koru::scn {

// The logs that ordered expectations search. The driver's requests and the
// popup launches join when the machine keeps them.
enum class Log { Trace, DriverRequests, Launches, Events };

// The logs the machine keeps now, and how long each is.
const std::vector<Log>& KeptLogs();
size_t LogLength(Log log);
const char* LogName(Log log);

class Scenario {
 public:
  // Where the next ordered expectation on `log` starts its search.
  size_t SearchPoint(Log log) const { return Cursor(log).search; }
  // After a match at index `matched`: the search goes on behind it.
  void MovePast(Log log, size_t matched) { cursors_[log].search = matched + 1; }
  // Where the log ended at the last mark (its start before the first).
  size_t MarkPoint(Log log) const { return Cursor(log).mark; }
  // Moves every search point, and the mark, to the end of its log.
  void Mark();

  // Remembers the open handles of each kind, for `expect handles steady`,
  // and the number of live COM objects, for `expect com steady`.
  // The runner takes one as the run begins, so a scenario without a
  // checkpoint step compares with the machine before its first step.
  void Checkpoint();
  const std::map<std::string, int>& CheckpointHandles() const { return checkpointHandles_; }
  int CheckpointComObjects() const { return checkpointComObjects_; }

  void RecordExit(uint32_t code) { lastExit_ = code; }
  std::optional<uint32_t> LastExit() const { return lastExit_; }

  // A step that could not do what it says (a service start the machine
  // refused): the runner reports it as a failure of that step.
  void StepFailed(std::string what) { stepFailures_.push_back(std::move(what)); }
  std::vector<std::string> TakeStepFailures() { return std::exchange(stepFailures_, {}); }

 private:
  struct Cursors {
    size_t search = 0;
    size_t mark = 0;
  };
  Cursors Cursor(Log log) const;

  std::map<Log, Cursors> cursors_;
  std::map<std::string, int> checkpointHandles_;
  int checkpointComObjects_ = 0;
  std::optional<uint32_t> lastExit_;
  std::vector<std::string> stepFailures_;
};

// The outcome of one expectation: whether it held and, when it did not,
// what was seen instead.
struct Outcome {
  bool held = true;
  std::string seen;
};
inline Outcome Held() { return {}; }
inline Outcome Failed(std::string seen) { return {false, std::move(seen)}; }

}  // namespace koru::scn
