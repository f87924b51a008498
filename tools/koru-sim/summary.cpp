// Reading the account of a run back from the trace, the launches, the
// driver's log and the audio stack.
#include "summary.h"

#include <iostream>
#include <map>
#include <string_view>
#include <vector>

#include "service_verbs.h"
#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/services.h"
#include "sim/sessions.h"
#include "trace_log.h"
#include "values.h"

namespace koru::scn {
namespace {

constexpr std::wstring_view JACK_EVENT_LINE = L"Start to getRegistryValue, type is ";
constexpr std::wstring_view SETTING_LINE = L"Set Registry value ";

std::string JackTypeName(int type) {
  switch (type) {
    case 0:
      return "speaker";
    case 1:
      return "headphone";
    case 2:
      return "headphone of the second kind";
    case 3:
      return "end of the connection";
    case 4:
      return "reset";
    default:
      return "type " + std::to_string(type);
  }
}

std::string Joined(const std::vector<std::string>& parts) {
  if (parts.empty()) return "none";
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

// Equal items counted together, in the order each first appeared, so that
// a long run still reads in a few lines: "HeadphoneVolume = 20 (x334)".
std::vector<std::string> Tallied(const std::vector<std::string>& items) {
  std::vector<std::string> order;
  std::map<std::string, int> counts;
  for (const std::string& item : items) {
    if (counts[item]++ == 0) order.push_back(item);
  }
  std::vector<std::string> tallied;
  for (const std::string& item : order) {
    int count = counts[item];
    tallied.push_back(count == 1 ? item : item + " (x" + std::to_string(count) + ")");
  }
  return tallied;
}

// The messages of the service's trace lines that begin with `prefix`,
// without it.
std::vector<std::wstring> TracedAfter(std::wstring_view prefix) {
  std::vector<std::wstring> found;
  for (const TraceLine& line : ServiceTrace()) {
    if (line.message.starts_with(prefix)) found.push_back(line.message.substr(prefix.size()));
  }
  return found;
}

std::string JackEvents() {
  std::map<int, int> counts;
  size_t total = 0;
  for (const std::wstring& type : TracedAfter(JACK_EVENT_LINE)) {
    ++counts[std::stoi(type)];
    ++total;
  }
  std::vector<std::string> parts;
  for (const auto& [type, count] : counts) {
    parts.push_back(JackTypeName(type) + " " + std::to_string(count));
  }
  return "Jack events handled (" + std::to_string(total) + "): " + Joined(parts) + "\n";
}

// "HeadphoneVolume:30, type is 1" becomes "HeadphoneVolume = 30".
std::string Settings() {
  std::vector<std::string> parts;
  for (const std::wstring& written : TracedAfter(SETTING_LINE)) {
    std::wstring setting = written.substr(0, written.find(L','));
    size_t colon = setting.find(L':');
    if (colon != std::wstring::npos) setting.replace(colon, 1, L" = ");
    parts.push_back(WideToUtf8(setting));
  }
  return "Settings written (" + std::to_string(parts.size()) + "): " + Joined(Tallied(parts)) +
         "\n";
}

std::wstring FileName(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

std::string HowItEnded(DWORD pid) {
  for (const sim::sessions::Ending& ending : sim::sessions::Endings()) {
    if (ending.pid != pid) continue;
    if (!ending.terminated) return "answered " + std::to_string(ending.exitCode);
    return "ended by the service (exit code " + std::to_string(ending.exitCode) + ")";
  }
  return "still open";
}

std::string Popups() {
  const auto& launches = sim::sessions::Launches();
  std::string text = "Popups started (" + std::to_string(launches.size()) + ")";
  if (launches.empty()) return text + ": none\n";
  text += ":\n";
  std::vector<std::string> outcomes;
  for (const sim::sessions::Launch& launch : launches) {
    outcomes.push_back(WideToUtf8(FileName(launch.program)) + ": " + HowItEnded(launch.pid));
  }
  for (const std::string& line : Tallied(outcomes)) text += "  " + line + "\n";
  return text;
}

struct RequestCount {
  int total = 0;
  int failed = 0;
  std::map<int, int> inputs;  // by input byte
};

std::string Shown(const std::string& name, const RequestCount& count) {
  std::vector<std::string> details;
  for (const auto& [byte, times] : count.inputs) {
    details.push_back("in=" + std::to_string(byte) + " x" + std::to_string(times));
  }
  if (count.failed > 0) details.push_back(std::to_string(count.failed) + " failed");
  std::string text = name + " " + std::to_string(count.total);
  if (!details.empty()) text += " (" + Joined(details) + ")";
  return text;
}

std::string DriverRequests() {
  std::map<std::string, RequestCount> counts;
  const auto& requests = sim::codec::Requests();
  for (const sim::codec::Request& request : requests) {
    RequestCount& count = counts[sim::codec::CodeName(request.code)];
    ++count.total;
    if (request.outcome == sim::codec::Outcome::Failed) ++count.failed;
    if (!request.input.empty()) ++count.inputs[request.input.front()];
  }
  std::vector<std::string> parts;
  for (const auto& [name, count] : counts) parts.push_back(Shown(name, count));
  return "Driver requests (" + std::to_string(requests.size()) + "): " + Joined(parts) + "\n";
}

constexpr ERole ROLES[] = {eConsole, eMultimedia, eCommunications};
constexpr const char* ROLE_NAMES[] = {"console", "multimedia", "communications"};

// One flow's defaults: one name when the three roles agree.
std::string DefaultsOf(EDataFlow flow) {
  std::vector<std::string> names;
  for (ERole role : ROLES)
    names.push_back(sim::audio::DefaultEndpoint(flow, role).value_or("none"));
  if (names[0] == names[1] && names[1] == names[2]) return names[0];
  std::vector<std::string> parts;
  for (size_t i = 0; i < names.size(); ++i) {
    parts.push_back(std::string(ROLE_NAMES[i]) + " " + names[i]);
  }
  return Joined(parts);
}

std::string Shown(const sim::audio::DefaultRequest& request) {
  std::string text = request.name.value_or("an unknown endpoint") + " for ";
  bool known = request.role >= eConsole && request.role <= eCommunications;
  text += known ? ROLE_NAMES[request.role] : "role " + std::to_string(request.role);
  if (FAILED(request.result)) text += " (refused)";
  return text;
}

std::string Defaults() {
  std::vector<std::string> parts;
  for (const sim::audio::DefaultRequest& request : sim::audio::DefaultRequests()) {
    parts.push_back(Shown(request));
  }
  return "Defaults set by the service (" + std::to_string(parts.size()) +
         "): " + Joined(Tallied(parts)) + "\nDefaults now: render " + DefaultsOf(eRender) +
         "; capture " + DefaultsOf(eCapture) + "\n";
}

std::string ServiceState() {
  return "Service: " + ServiceStateName(sim::services::CurrentState()) + ", " +
         std::to_string(sim::services::StatusHistory().size()) + " status reports\n";
}

Compiled CompileSummary(const Arguments& args) {
  args.ExpectCount(0);
  args.AllowKeys({});
  return SetUp([](Scenario&) { std::cout << ServiceSummary() << std::flush; });
}

}  // namespace

std::string ServiceSummary() {
  return "==== What the service did ====\n" + ServiceState() + JackEvents() + Settings() +
         Popups() + DriverRequests() + Defaults();
}

void AddSummaryVerbs(VerbTable& table) { table.Add("summary", "summary", &CompileSummary); }

}  // namespace koru::scn
