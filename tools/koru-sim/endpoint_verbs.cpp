// Steps of the audio stack: endpoints set up before the service runs, and
// what the user does to them while it runs (volume, mute, default device,
// state, arrival, removal), each notified by the machine.
#include "endpoint_verbs.h"

#include <functional>
#include <stdexcept>
#include <vector>

#include "file_error.h"
#include "values.h"

namespace koru::scn {
namespace {

// The event context the service puts on its own volume and mute changes.
constexpr GUID kServiceContext = {
    0xABCDEF11, 0x22FF, 0xCC21, {0xAB, 0xCD, 0xEF, 0x12, 0x34, 0x56, 0x78, 0x9A}};

DWORD StateNamed(const std::string& name) {
  if (name == "active") return DEVICE_STATE_ACTIVE;
  if (name == "disabled") return DEVICE_STATE_DISABLED;
  if (name == "notpresent") return DEVICE_STATE_NOTPRESENT;
  if (name == "unplugged") return DEVICE_STATE_UNPLUGGED;
  throw FileError("expected active, disabled, notpresent or unplugged, got \"" + name + "\"");
}

float VolumeScalar(std::string_view text) {
  double scalar = ParseScalar(text);
  if (scalar > 1.0) throw FileError("a volume is a scalar from 0 to 1");
  return static_cast<float>(scalar);
}

// TYPE or TYPE:connected, TYPE an EPcxConnectionType number.
sim::audio::Jack JackOf(const std::string& text) {
  size_t colon = text.find(':');
  std::string type = text.substr(0, colon);
  sim::audio::Jack jack;
  uint32_t number = ParseNumber(type);
  if (number > eConnTypeCombination) throw FileError("no jack connection type " + type);
  jack.connectionType = static_cast<EPcxConnectionType>(number);
  if (colon == std::string::npos) return jack;
  if (text.substr(colon + 1) != "connected") throw FileError("expected jack=TYPE[:connected]");
  jack.connected = true;
  return jack;
}

// ID render|capture [muted] [default], then state=, formfactor=, jack=...,
// topology=none and volume=.
sim::audio::EndpointSpec SpecOf(const Arguments& args) {
  args.ExpectCount(2, 4);
  args.AllowKeys({"state", "formfactor", "jack", "topology", "volume"});
  sim::audio::EndpointSpec desc;
  desc.flow = FlowNamed(args.Word(1));
  for (size_t i = 2; i < args.Count(); ++i) {
    if (args.IsWord(i, "muted")) {
      desc.muted = true;
    } else if (args.IsWord(i, "default")) {
      desc.makeDefault = true;
    } else {
      throw FileError("expected muted or default, got \"" + args.At(i).text + "\"");
    }
  }
  if (auto state = args.NamedText("state")) desc.state = StateNamed(*state);
  desc.formFactor = args.NamedNumber("formfactor");
  for (const Token* jack : args.NamedAll("jack")) desc.jacks.push_back(JackOf(jack->text));
  if (auto topology = args.NamedText("topology")) {
    if (*topology != "none") throw FileError("topology= knows only none");
    desc.topology = false;
  }
  if (auto volume = args.NamedText("volume")) desc.volume = VolumeScalar(*volume);
  return desc;
}

// A change of the machine by name; a name that no endpoint has makes the
// step fail when it runs.
Action ByName(std::function<void(Scenario&)> change) {
  return [change = std::move(change)](Scenario& scenario) {
    try {
      change(scenario);
    } catch (const std::invalid_argument& error) {
      scenario.StepFailed(error.what());
    }
  };
}

Compiled CompileEndpoint(const Arguments& args) {
  sim::audio::EndpointSpec desc = SpecOf(args);
  std::string name = args.Word(0);
  return SetUp(ByName([name, desc](Scenario&) { sim::audio::AddEndpoint(name, desc); }));
}

Compiled CompileAdd(const Arguments& args) {
  sim::audio::EndpointSpec desc = SpecOf(args);
  std::string name = args.Word(0);
  return Happening(ByName([name, desc](Scenario&) { sim::audio::Arrive(name, desc); }));
}

// volume ID S [context=null|service]
Compiled CompileVolume(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({"context"});
  std::string name = args.Word(0);
  float scalar = VolumeScalar(args.Word(1));
  GUID context = GUID_NULL;
  if (auto named = args.NamedText("context")) {
    if (*named != "null" && *named != "service") throw FileError("expected context=null|service");
    if (*named == "service") context = kServiceContext;
  }
  return Happening(ByName(
      [name, scalar, context](Scenario&) { sim::audio::ChangeVolume(name, scalar, context); }));
}

// mute ID on|off
Compiled CompileMute(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  std::string name = args.Word(0);
  if (!args.IsWord(1, "on") && !args.IsWord(1, "off")) throw FileError("expected on or off");
  bool muted = args.IsWord(1, "on");
  return Happening(ByName([name, muted](Scenario&) { sim::audio::ChangeMute(name, muted); }));
}

// default ID [console|multimedia|communications|all]
Compiled CompileDefault(const Arguments& args) {
  args.ExpectCount(1, 2);
  args.AllowKeys({});
  std::string name = args.Word(0);
  std::vector<ERole> roles = {eConsole, eMultimedia, eCommunications};
  if (args.Count() == 2 && !args.IsWord(1, "all")) roles = {RoleNamed(args.Word(1))};
  return Happening(ByName([name, roles](Scenario& scenario) {
    if (sim::audio::ChangeDefault(name, roles)) return;
    scenario.StepFailed("endpoint \"" + name + "\" is not active");
  }));
}

// state ID active|disabled|notpresent|unplugged
Compiled CompileState(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  std::string name = args.Word(0);
  DWORD state = StateNamed(args.Word(1));
  return Happening(ByName([name, state](Scenario&) { sim::audio::ChangeState(name, state); }));
}

Compiled CompileRemove(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({});
  std::string name = args.Word(0);
  return Happening(ByName([name](Scenario&) { sim::audio::Remove(name); }));
}

}  // namespace

EDataFlow FlowNamed(const std::string& name) {
  if (name == "render") return eRender;
  if (name == "capture") return eCapture;
  throw FileError("expected render or capture, got \"" + name + "\"");
}

ERole RoleNamed(const std::string& name) {
  if (name == "console") return eConsole;
  if (name == "multimedia") return eMultimedia;
  if (name == "communications") return eCommunications;
  throw FileError("expected console, multimedia or communications, got \"" + name + "\"");
}

void AddEndpointVerbs(VerbTable& table) {
  const std::string arguments =
      "ID render|capture [state=active|disabled|notpresent|unplugged] [formfactor=N] "
      "[jack=TYPE[:connected]]... [topology=none] [volume=S] [muted] [default]";
  table.Add("endpoint", "endpoint " + arguments, &CompileEndpoint);
  table.Add("add", "add " + arguments, &CompileAdd);
  table.Add("volume", "volume ID S [context=null|service]", &CompileVolume);
  table.Add("mute", "mute ID on|off", &CompileMute);
  table.Add("default", "default ID [console|multimedia|communications|all]", &CompileDefault);
  table.Add("state", "state ID active|disabled|notpresent|unplugged", &CompileState);
  table.Add("remove", "remove ID", &CompileRemove);
}

}  // namespace koru::scn
