// The invariants of a storm, read from the machine's audits and state.
#include "invariants.h"

#include <array>
#include <vector>

#include "service/worker_threads.h"
#include "sim/audio.h"
#include "sim/machine.h"
#include "sim/registry.h"

namespace koru::storm {
namespace {

constexpr char kSettingsKey[] = "HKEY_CLASSES_ROOT\\KoruAudio";

std::string Listed(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += "\n    " + line;
  return text;
}

std::optional<Violation> Audits(bool processEnded) {
  if (!sim::HandleFaults().empty()) {
    return Violation{"no handle closed twice, used after close or used as the wrong kind",
                     Listed(sim::HandleFaults()), "expect handles clean"};
  }
  std::vector<std::string> com = sim::com::Faults();
  if (processEnded) {
    std::vector<std::string> left = sim::com::LeftByEndedProcesses();
    com.insert(com.end(), left.begin(), left.end());
  }
  if (!com.empty()) {
    return Violation{"no COM reference misused, none left by an ended process", Listed(com),
                     "expect com clean"};
  }
  if (!sim::Problems().empty()) {
    return Violation{"no machine problem (hang, spin, a machine that does not settle)",
                     Listed(sim::Problems()), ""};
  }
  return std::nullopt;
}

std::optional<Violation> ConnectorThreads() {
  int connectors = sim::LiveThreadsStartedAt(Thread_2);
  if (connectors <= 1) return std::nullopt;
  return Violation{"at most one connector thread alive",
                   std::to_string(connectors) + " connector threads", ""};
}

// A stored value, when present, is a DWORD no greater than `highest`.
std::optional<Violation> StoredValue(const char* name, uint32_t highest) {
  std::optional<sim::registry::Value> value = sim::registry::GetValue(kSettingsKey, name);
  if (!value) return std::nullopt;
  std::optional<uint32_t> number = sim::registry::GetDword(kSettingsKey, name);
  if (number && *number <= highest) return std::nullopt;
  std::string seen = number ? std::to_string(*number)
                            : "type " + std::to_string(value->type) + ", " +
                                  std::to_string(value->bytes.size()) + " bytes";
  return Violation{std::string(name) + " within 0.." + std::to_string(highest),
                   std::string(name) + " = " + seen, ""};
}

std::optional<Violation> StoredSettings() {
  static const std::array<std::pair<const char*, uint32_t>, 4> kRanges = {{
      {"SpeakerVolume", 100},
      {"HeadphoneVolume", 100},
      {"SpeakerMute", 1},
      {"HeadphoneMute", 1},
  }};
  for (const auto& [name, highest] : kRanges) {
    if (auto violation = StoredValue(name, highest)) return violation;
  }
  return std::nullopt;
}

std::optional<Violation> NoneBusy() {
  int busy = sim::BusyThreads();
  if (busy == 0) return std::nullopt;
  return Violation{"every service thread blocked once the machine has settled",
                   std::to_string(busy) + " threads still running", ""};
}

}  // namespace

bool Invariants::ProcessEnded() {
  uint32_t last = sim::LastProcessId();
  if (last == lastEnded_) return false;
  lastEnded_ = last;
  return true;
}

std::optional<Violation> Invariants::Broken(bool settled) {
  if (auto violation = Audits(ProcessEnded())) return violation;
  if (auto violation = ConnectorThreads()) return violation;
  if (auto violation = StoredSettings()) return violation;
  if (settled) return NoneBusy();
  return std::nullopt;
}

}  // namespace koru::storm
