// The events of a storm and the set-up they start from.
#include "events.h"

#include <array>

#include "sim/devices.h"
#include "sim/machine.h"
#include "sim/sessions.h"

namespace koru::storm {
namespace {

constexpr char kAttached[] = "session console=1 user=yes";

const std::array<const char*, 3> kPopups = {"KoruPopupWindow.exe", "KoruAudioSwitchWindow.exe",
                                            "ChimeWindow.exe"};

template <typename T, size_t N>
const T& OneOf(Choices& choices, const std::array<T, N>& items) {
  return items[choices.Below(N)];
}

// Jack types: mostly the headphone and the speaker, now and then the end of
// the connection, a reset, or any byte.
std::string JackType(Choices& choices) {
  static const std::array<uint32_t, 15> kTypes = {0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 2, 2, 2, 3, 4};
  uint32_t pick = choices.Below(static_cast<uint32_t>(kTypes.size()) + 1);
  if (pick == kTypes.size()) return std::to_string(choices.Below(256));
  return std::to_string(kTypes[pick]);
}

// A scalar volume with two decimals: "0.37", "1".
std::string Scalar(Choices& choices) {
  uint32_t percent = choices.Below(101);
  if (percent == 100) return "1";
  std::string hundredths = std::to_string(percent % 100);
  if (hundredths.size() == 1) hundredths = "0" + hundredths;
  return "0." + hundredths;
}

// The feature word: every behaviour, the default, none, or any mix.
std::string FeatureWord(Choices& choices) {
  static const std::array<const char*, 4> kWords = {"0xff", "0x3ff", "0", ""};
  std::string word = OneOf(choices, kWords);
  return word.empty() ? std::to_string(choices.Below(0x400)) : word;
}

std::string Percent(Choices& choices) { return std::to_string(choices.Below(101)); }

std::string ExitCode(Choices& choices) {
  static const std::array<const char*, 5> kCodes = {"0", "1", "2", "255", "0xFFFFFFFF"};
  return OneOf(choices, kCodes);
}

// The driver's queue of jack events, and of planned completions and
// failures, grows while no request waits for them (the service is not
// connected) and would meet the next connection all at once: a real driver
// holds at most an event or two. A failure or an odd byte count is only
// planned for a request that waits now.
constexpr size_t kMostQueuedJackEvents = 2;

bool RequestWaiting() {
  const std::vector<sim::codec::Request>& requests = sim::codec::Requests();
  size_t looked = 0;
  for (auto it = requests.rbegin(); it != requests.rend() && looked < 8; ++it, ++looked) {
    if (it->outcome == sim::codec::Outcome::Pending) return true;
  }
  return false;
}

bool CompletionFits() { return sim::codec::PlannedCompletions() == 0 && RequestWaiting(); }

}  // namespace

EventSource::EventSource()
    : endpoints_{
          {"speakers", "render default"},
          {"headphones", "render formfactor=3 jack=1:connected"},
          {"hdmi", "render formfactor=9"},
          {"mic", "capture default"},
          {"headsetmic", "capture jack=1:connected"},
          {"usbheadset", "render formfactor=5", false},
      } {}

std::vector<std::string> EventSource::SetUpSteps(Choices& choices) {
  std::vector<std::string> steps = {"run install"};
  if (!choices.OneIn(4)) steps.push_back("codec present");
  steps.push_back("codec initial " + JackType(choices));
  for (const Endpoint& endpoint : endpoints_) {
    if (endpoint.present) steps.push_back("endpoint " + endpoint.id + " " + endpoint.arrival);
  }
  steps.push_back("registry ServiceVersion = " + FeatureWord(choices));
  if (choices.OneIn(2)) steps.push_back("registry HeadphoneVolume = " + Percent(choices));
  steps.push_back("service start");
  return steps;
}

EventSource::Endpoint* EventSource::PickPresent(Choices& choices, bool activeOnly) {
  std::vector<Endpoint*> candidates;
  for (Endpoint& endpoint : endpoints_) {
    if (endpoint.present && (endpoint.active || !activeOnly)) candidates.push_back(&endpoint);
  }
  if (candidates.empty()) return nullptr;
  return candidates[choices.Below(static_cast<uint32_t>(candidates.size()))];
}

std::string EventSource::Volume(Choices& choices) {
  Endpoint* endpoint = PickPresent(choices, false);
  if (endpoint == nullptr) return "";
  std::string step = "volume " + endpoint->id + " " + Scalar(choices);
  if (choices.OneIn(6)) step += " context=service";
  return step;
}

std::string EventSource::Mute(Choices& choices) {
  Endpoint* endpoint = PickPresent(choices, false);
  if (endpoint == nullptr) return "";
  return "mute " + endpoint->id + (choices.OneIn(2) ? " on" : " off");
}

std::string EventSource::MakeDefault(Choices& choices) {
  Endpoint* endpoint = PickPresent(choices, true);
  if (endpoint == nullptr) return "";
  static const std::array<const char*, 5> kRoles = {"", " console", " multimedia",
                                                    " communications", " all"};
  return "default " + endpoint->id + OneOf(choices, kRoles);
}

std::string EventSource::ChangeState(Choices& choices) {
  Endpoint* endpoint = PickPresent(choices, false);
  if (endpoint == nullptr) return "";
  static const std::array<const char*, 4> kStates = {"active", "disabled", "notpresent",
                                                     "unplugged"};
  std::string state = OneOf(choices, kStates);
  endpoint->active = state == "active";
  return "state " + endpoint->id + " " + state;
}

std::string EventSource::ArriveOrLeave(Choices& choices) {
  Endpoint& endpoint = endpoints_[choices.Below(static_cast<uint32_t>(endpoints_.size()))];
  endpoint.present = !endpoint.present;
  endpoint.active = true;
  if (!endpoint.present) return "remove " + endpoint.id;
  return "add " + endpoint.id + " " + endpoint.arrival;
}

// Arrivals outnumber removals, so that the service is connected most of
// the time.
std::string EventSource::Codec(Choices& choices) {
  static const std::array<const char*, 7> kSteps = {
      "codec arrive",       "codec arrive",
      "codec arrive",       "codec arrive devtype=2",
      "codec remove query", "codec remove query-failed",
      "codec remove"};
  return OneOf(choices, kSteps);
}

std::string EventSource::Popup(Choices& choices) {
  std::string step = std::string("popup ") + OneOf(choices, kPopups);
  if (choices.OneIn(3)) return step + " stays";
  step += " answer=" + ExitCode(choices);
  static const std::array<const char*, 4> kDelays = {"", " after=100ms", " after=1s", " after=5s"};
  return step + OneOf(choices, kDelays);
}

std::string EventSource::PopupExit(Choices& choices) {
  std::string exe = OneOf(choices, kPopups);
  if (!sim::sessions::Running(std::wstring(exe.begin(), exe.end()))) return "";
  return "popup-exit " + exe + " " + ExitCode(choices);
}

// The user edits the settings: volumes and the limit in their range, and
// the feature word, which the service reads when it starts.
std::string EventSource::Settings(Choices& choices) {
  static const std::array<const char*, 4> kNames = {"SpeakerVolume", "HeadphoneVolume",
                                                    "VolumeLimit", "ServiceVersion"};
  std::string name = OneOf(choices, kNames);
  if (choices.OneIn(8)) return "registry delete " + name;
  if (name == "ServiceVersion") return "registry " + name + " = " + FeatureWord(choices);
  return "registry " + name + " = " + Percent(choices);
}

// The console session: none attached, or the user logged off, for a few
// events, then attached again. Meanwhile the service may try a popup again
// each second, so the machine never rests: those events only run what is
// ready (" &"), and a service start or a restart waits for the session.
std::string EventSource::Session(Choices& choices) {
  if (detachedFor_ > 0) {
    detachedFor_ = 0;
    return kAttached;
  }
  static const std::array<const char*, 3> kSessions = {"session console=none", "session user=no",
                                                       "session console=2 user=yes"};
  std::string step = OneOf(choices, kSessions);
  if (step != kSessions[2]) detachedFor_ = 2 + choices.Below(8);
  return step;
}

std::string EventSource::Control(Choices& choices) {
  static const std::array<const char*, 6> kControls = {"stop", "preshutdown", "interrogate",
                                                       "2",    "3",           "6"};
  if (choices.OneIn(3)) return "control " + std::to_string(128 + choices.Below(128));
  return std::string("control ") + OneOf(choices, kControls);
}

std::string EventSource::ServiceStart(Choices&) {
  return sim::ProgramAlive() ? "" : "service start";
}

std::string EventSource::DriverJack(Choices& choices) {
  if (sim::codec::QueuedJackEvents() >= kMostQueuedJackEvents) return "";
  return "driver jack " + JackType(choices);
}

std::string EventSource::DriverComplete(Choices& choices) {
  if (!CompletionFits()) return "";
  std::string step = "driver complete bytes=" + std::to_string(choices.Below(3));
  if (!choices.OneIn(3)) step += " value=" + JackType(choices);
  return step;
}

std::string EventSource::DriverFail(Choices& choices) {
  if (!CompletionFits()) return "";
  static const std::array<const char*, 5> kErrors = {"", " error=1167", " error=995", " error=6",
                                                     " error=87"};
  return std::string("driver fail") + OneOf(choices, kErrors);
}

std::string EventSource::Wait(Choices& choices) {
  static const std::array<const char*, 5> kDurations = {"10ms", "500ms", "1s", "2s", "5s"};
  return std::string("wait ") + OneOf(choices, kDurations);
}

std::string EventSource::Restart(Choices&) { return "restart"; }

std::string EventSource::Next(Choices& choices) {
  // How a step meets the clock: a set-up step runs nothing; an event may
  // end in " &"; a service start or a restart settles.
  enum class Pace { SetUp, MayRunAhead, Settles };
  struct Kind {
    uint32_t weight;
    std::string (EventSource::*make)(Choices&);
    Pace pace;
  };
  static const Kind kKinds[] = {
      {22, &EventSource::DriverJack, Pace::MayRunAhead},
      {3, &EventSource::DriverComplete, Pace::MayRunAhead},
      {2, &EventSource::DriverFail, Pace::MayRunAhead},
      {12, &EventSource::Volume, Pace::MayRunAhead},
      {8, &EventSource::Mute, Pace::MayRunAhead},
      {5, &EventSource::MakeDefault, Pace::MayRunAhead},
      {4, &EventSource::ChangeState, Pace::MayRunAhead},
      {3, &EventSource::ArriveOrLeave, Pace::MayRunAhead},
      {8, &EventSource::Codec, Pace::MayRunAhead},
      {5, &EventSource::Popup, Pace::SetUp},
      {4, &EventSource::PopupExit, Pace::MayRunAhead},
      {2, &EventSource::Settings, Pace::SetUp},
      {2, &EventSource::Session, Pace::SetUp},
      {6, &EventSource::Control, Pace::MayRunAhead},
      {3, &EventSource::ServiceStart, Pace::Settles},
      {2, &EventSource::Wait, Pace::SetUp},
      {1, &EventSource::Restart, Pace::Settles},
  };
  if (detachedFor_ > 0 && --detachedFor_ == 0) return kAttached;
  uint32_t total = 0;
  for (const Kind& kind : kKinds) total += kind.weight;
  uint32_t pick = choices.Below(total);
  const Kind* chosen = &kKinds[0];
  for (const Kind& kind : kKinds) {
    chosen = &kind;
    if (pick < kind.weight) break;
    pick -= kind.weight;
  }
  Pace pace = chosen->pace;
  std::string step = (this->*chosen->make)(choices);
  // An event that does not fit the machine now (no popup to end, a service
  // already running, a settling step while the console is detached, a
  // driver's queue that is full) becomes a jack event, or an arrival.
  if (step.empty() || (pace == Pace::Settles && detachedFor_ > 0)) {
    step = DriverJack(choices);
    pace = Pace::MayRunAhead;
  }
  // Jack events waiting already: the codec is most likely away.
  if (step.empty()) step = "codec arrive";
  if (pace == Pace::MayRunAhead && (detachedFor_ > 0 || choices.OneIn(4))) step += " &";
  return step;
}

}  // namespace koru::storm
