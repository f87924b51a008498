// Expectations on the audio stack: an endpoint's volume, mute and custom
// property, the default endpoints, and the COM audit.
#include <cmath>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "endpoint_verbs.h"
#include "file_error.h"
#include "sim/machine.h"
#include "values.h"

namespace koru::scn {
namespace {

// The property the service writes on the default render endpoint.
constexpr PROPERTYKEY kCustomKey = {
    {0xBE8DB2AA, 0x0E62, 0x4E79, {0x82, 0x79, 0x99, 0x20, 0x34, 0xE0, 0x30, 0x8B}}, 0};

// A scalar expectation holds within this much.
constexpr double kScalarTolerance = 0.0005;

struct EndpointPattern {
  std::string name;
  std::optional<double> volume;
  std::optional<bool> muted;
  std::optional<uint32_t> custom;
  std::optional<bool> fxStore;
};

std::string ShowScalar(double scalar) {
  std::ostringstream text;
  text << scalar;
  return text.str();
}

// What the endpoint is, in the expectation's own words.
std::string ShowEndpoint(const sim::audio::EndpointState& state,
                         const std::optional<sim::audio::PropertyWrite>& custom) {
  std::string text = "volume=" + ShowScalar(state.volume) + " muted=" + (state.muted ? "1" : "0");
  if (!custom) return text + " custom=none";
  return text + " custom=" + std::to_string(custom->value) +
         " store=" + (custom->fxStore ? "fx" : "endpoint");
}

bool Matches(const EndpointPattern& pattern, const sim::audio::EndpointState& state,
             const std::optional<sim::audio::PropertyWrite>& custom) {
  if (pattern.volume && std::fabs(state.volume - *pattern.volume) > kScalarTolerance) return false;
  if (pattern.muted && state.muted != *pattern.muted) return false;
  if ((pattern.custom || pattern.fxStore) && !custom) return false;
  if (pattern.custom && custom->value != *pattern.custom) return false;
  return !pattern.fxStore || custom->fxStore == *pattern.fxStore;
}

Outcome ExpectEndpoint(const EndpointPattern& pattern) {
  std::optional<sim::audio::EndpointState> state = sim::audio::Endpoint(pattern.name);
  if (!state) return Failed("no endpoint named \"" + pattern.name + "\"");
  std::optional<sim::audio::PropertyWrite> custom =
      sim::audio::LastPropertyWrite(pattern.name, kCustomKey);
  if (Matches(pattern, *state, custom)) return Held();
  return Failed(ShowEndpoint(*state, custom));
}

bool ZeroOrOne(const Arguments& args, const char* key) {
  std::optional<uint32_t> value = args.NamedNumber(key);
  if (*value > 1) throw FileError(std::string(key) + "= is 0 or 1");
  return *value == 1;
}

// expect endpoint ID [volume=S] [muted=0|1] [custom=N] [store=fx|endpoint]
Compiled CompileEndpoint(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"volume", "muted", "custom", "store"});
  EndpointPattern pattern;
  pattern.name = args.Word(0);
  if (auto volume = args.NamedText("volume")) pattern.volume = ParseScalar(*volume);
  if (args.Named("muted") != nullptr) pattern.muted = ZeroOrOne(args, "muted");
  pattern.custom = args.NamedNumber("custom");
  if (auto store = args.NamedText("store")) {
    if (*store != "fx" && *store != "endpoint") throw FileError("expected store=fx|endpoint");
    pattern.fxStore = *store == "fx";
  }
  return Expectation([pattern](Scenario&) { return ExpectEndpoint(pattern); });
}

// expect default FLOW ROLE ID
Compiled CompileDefault(const Arguments& args) {
  args.ExpectCount(3);
  args.AllowKeys({});
  EDataFlow flow = FlowNamed(args.Word(0));
  ERole role = RoleNamed(args.Word(1));
  std::string expected = args.Word(2);
  return Expectation([flow, role, expected](Scenario&) {
    std::optional<std::string> found = sim::audio::DefaultEndpoint(flow, role);
    if (found == expected) return Held();
    return Failed(found ? *found : "none");
  });
}

std::string Listed(const std::string& what, const std::vector<std::string>& lines) {
  std::string text = std::to_string(lines.size()) + " " + what + ":";
  for (const std::string& line : lines) text += "\n      " + line;
  return text;
}

// No reference released too often, no call on a released object; once the
// service process has ended, nothing it obtained is still referenced.
Outcome ExpectComClean() {
  std::vector<std::string> faults = sim::com::Faults();
  if (!faults.empty()) return Failed(Listed("COM faults", faults));
  std::vector<std::string> left = sim::com::LeftByEndedProcesses();
  if (!left.empty()) return Failed(Listed("COM objects never released", left));
  return Held();
}

Outcome ExpectComSteady(const Scenario& scenario) {
  int now = sim::com::LiveObjects();
  if (now == scenario.CheckpointComObjects()) return Held();
  return Failed(std::to_string(now) + " live COM objects; at the checkpoint " +
                std::to_string(scenario.CheckpointComObjects()));
}

// expect com clean|steady
Compiled CompileCom(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  if (args.IsWord(0, "clean")) return Expectation([](Scenario&) { return ExpectComClean(); });
  if (args.IsWord(0, "steady")) {
    return Expectation([](Scenario& scenario) { return ExpectComSteady(scenario); });
  }
  throw FileError("expected clean or steady, got \"" + args.At(0).text + "\"");
}

}  // namespace

void AddEndpointExpectations(VerbTable& table) {
  table.Add("endpoint", "expect endpoint ID [volume=S] [muted=0|1] [custom=N] [store=fx|endpoint]",
            &CompileEndpoint);
  table.Add("default", "expect default render|capture console|multimedia|communications ID",
            &CompileDefault);
  table.Add("com", "expect com clean|steady", &CompileCom);
}

}  // namespace koru::scn
