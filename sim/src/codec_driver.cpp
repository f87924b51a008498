// The simulated codec driver: one byte in or out per request, the jack
// state request held until a jack event, the start-up query answered from
// the current jack state, and every request logged with its result.
#include "codec_driver.h"

#include <algorithm>
#include <cstdint>

namespace sim::dev {
namespace {

// Never destroyed, so that nothing depends on the order of static
// destruction at exit.
std::shared_ptr<CodecDriverModel>& Instance() {
  static auto* driver = new std::shared_ptr<CodecDriverModel>(std::make_shared<CodecDriverModel>());
  return *driver;
}

// Reset hooks run while no simulated thread runs; they take no lock.
void ResetDriver() { Instance() = std::make_shared<CodecDriverModel>(); }

[[maybe_unused]] const bool kResetHookAdded = (AddResetHook(&ResetDriver), true);

// The log index of a request received while the recorders were off.
constexpr size_t kNotLogged = SIZE_MAX;

bool IsJackState(DWORD code) {
  return code == codec::JACKSTATE_NOTIFY || code == codec::JACKSTATE_INITIAL;
}

}  // namespace

std::shared_ptr<CodecDriverModel> CodecDriver() { return Instance(); }

void CodecDriverModel::Dispatch(const std::shared_ptr<IoRequest>& request) {
  IoRequest& r = *request;
  Record(r);
  if (r.file->DeviceGone()) return CompleteRequest(r, ERROR_DEVICE_NOT_CONNECTED, 0);
  switch (r.code) {
    case codec::FINISH_SPEAKER:
    case codec::FINISH_HEADPHONE:
    case codec::MUTESTATE_NOTIFY:
    case codec::JACKSTATE_NOTIFY:
    case codec::JACKSTATE_INITIAL:
      break;
    default:
      return CompleteRequest(r, ERROR_INVALID_FUNCTION, 0);
  }
  if (!SizesFit(r)) return CompleteRequest(r, ERROR_INVALID_PARAMETER, 0);
  if (IsJackState(r.code)) return AnswerJackState(request);
  // The finish byte, the switch answer and the mute-state byte are taken
  // note of; nothing in this model depends on them.
  CompleteRequest(r, 0, 0);
}

// One byte in for the acknowledgements and the mute state, one byte out for
// the jack-state requests, nothing in the other direction.
bool CodecDriverModel::SizesFit(const IoRequest& request) const {
  if (IsJackState(request.code)) return request.input.empty() && request.output.size() == 1;
  return request.input.size() == 1 && request.output.empty();
}

void CodecDriverModel::AnswerJackState(const std::shared_ptr<IoRequest>& request) {
  if (!plans_.empty()) {
    Planned plan = plans_.front();
    plans_.pop_front();
    return Carry(*request, plan);
  }
  if (request->code == codec::JACKSTATE_INITIAL) return Report(*request, currentJack_);
  if (!jackEvents_.empty()) {
    uint8_t type = jackEvents_.front();
    jackEvents_.pop_front();
    return Report(*request, type);
  }
  waiting_.push_back(request);
}

void CodecDriverModel::Carry(IoRequest& request, const Planned& plan) {
  if (plan.error != 0) return CompleteRequest(request, plan.error, 0);
  if (plan.value) request.output[0] = *plan.value;
  CompleteRequest(request, 0, plan.bytes);
}

void CodecDriverModel::Report(IoRequest& request, uint8_t type) {
  request.output[0] = type;
  CompleteRequest(request, 0, 1);
}

void CodecDriverModel::Jack(uint8_t type) {
  // The end and reset events say nothing about what is plugged in.
  if (type != 3 && type != 4) currentJack_ = type;
  if (std::shared_ptr<IoRequest> request = TakeWaiting()) return Report(*request, type);
  jackEvents_.push_back(type);
}

void CodecDriverModel::PlanCompletion(DWORD error, DWORD bytes, std::optional<uint8_t> value) {
  Planned plan{error, bytes, value};
  if (std::shared_ptr<IoRequest> request = TakeWaiting()) return Carry(*request, plan);
  plans_.push_back(plan);
}

std::shared_ptr<IoRequest> CodecDriverModel::TakeWaiting() {
  if (waiting_.empty()) return nullptr;
  std::shared_ptr<IoRequest> request = waiting_.front();
  waiting_.pop_front();
  return request;
}

void CodecDriverModel::Withdraw(const IoRequest& request) {
  auto found = std::find_if(waiting_.begin(), waiting_.end(),
                            [&request](const auto& waiting) { return waiting.get() == &request; });
  if (found != waiting_.end()) waiting_.erase(found);
}

void CodecDriverModel::Finished(const IoRequest& request) {
  if (request.logIndex == kNotLogged) return;
  codec::Request& entry = log_[request.logIndex];
  entry.outcome = request.error == 0 ? codec::Outcome::Succeeded : codec::Outcome::Failed;
  entry.error = request.error;
  entry.bytes = request.bytes;
}

// The log is one of the machine's recorders: with the recorders off, a
// long run keeps no record of each request.
void CodecDriverModel::Record(IoRequest& request) {
  if (!Recording()) {
    request.logIndex = kNotLogged;
    return;
  }
  request.logIndex = log_.size();
  log_.push_back(codec::Request{request.code, request.input,
                                static_cast<uint32_t>(request.output.size()), request.file->handle,
                                request.threadId, request.processId});
}

}  // namespace sim::dev
