// The simulated codec driver behind the codec's interface class: what it
// does with each of its five control codes, the jack events and planned
// completions that scenarios feed it, and its log of requests.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "device_io.h"
#include "sim/devices.h"

namespace sim::dev {

class CodecDriverModel : public Driver {
 public:
  void Dispatch(const std::shared_ptr<IoRequest>& request) override;
  void Withdraw(const IoRequest& request) override;
  void Finished(const IoRequest& request) override;

  // The controller's side (lock held).
  void SetCurrentJack(uint8_t type) { currentJack_ = type; }
  uint8_t CurrentJack() const { return currentJack_; }
  void Jack(uint8_t type);
  void PlanCompletion(DWORD error, DWORD bytes, std::optional<uint8_t> value);

  const std::vector<codec::Request>& Log() const { return log_; }
  size_t QueuedJackEvents() const { return jackEvents_.size(); }
  size_t PlannedCompletions() const { return plans_.size(); }

 private:
  // A `driver complete` or `driver fail` waiting for a jack-state request.
  struct Planned {
    DWORD error;
    DWORD bytes;
    std::optional<uint8_t> value;
  };

  void Record(IoRequest& request);
  bool SizesFit(const IoRequest& request) const;
  void AnswerJackState(const std::shared_ptr<IoRequest>& request);
  void Carry(IoRequest& request, const Planned& plan);
  void Report(IoRequest& request, uint8_t type);
  // The oldest request waiting for a jack event, taken off the list; null
  // when none waits.
  std::shared_ptr<IoRequest> TakeWaiting();

  uint8_t currentJack_ = 0;
  std::deque<uint8_t> jackEvents_;
  std::deque<Planned> plans_;
  // IOCTL_CMD_JACKSTATE_NOTIFY requests waiting for a jack event, oldest first.
  std::deque<std::shared_ptr<IoRequest>> waiting_;
  std::vector<codec::Request> log_;
};

// The one driver of the machine's codec interfaces (lock held); a new one
// at each Reset.
std::shared_ptr<CodecDriverModel> CodecDriver();

}  // namespace sim::dev
