// Steps of the codec: its interfaces, their arrival and removal, and what
// its driver reports to the service's requests.
#include "device_verbs.h"

#include "file_error.h"
#include "sim/devices.h"
#include "values.h"

namespace koru::scn {
namespace {

// codec present [path="..."] [name="..."] [location="..."]
Compiled CompilePresent(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"path", "name", "location"});
  std::wstring path = Utf8ToWide(args.NamedText("path").value_or(""));
  if (path.empty()) path = sim::codec::DEFAULT_PATH;
  std::wstring name = sim::codec::DEFAULT_NAME;
  if (auto text = args.NamedText("name")) name = Utf8ToWide(*text);
  std::optional<std::wstring> location;
  if (auto text = args.NamedText("location")) location = Utf8ToWide(*text);
  return SetUp([path, name, location](Scenario&) { sim::codec::Present(path, name, location); });
}

// The TYPE of "codec initial TYPE" and "driver jack TYPE".
uint8_t TypeArgument(const Arguments& args) {
  args.ExpectCount(2);
  args.AllowKeys({});
  return JackTypeNumber(args.Word(1));
}

// codec initial TYPE
Compiled CompileInitial(const Arguments& args) {
  uint8_t type = TypeArgument(args);
  return SetUp([type](Scenario&) { sim::codec::SetCurrentJack(type); });
}

// codec arrive [devtype=N]
Compiled CompileArrive(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"devtype"});
  uint32_t deviceType = args.NamedNumber("devtype").value_or(sim::devices::DEVICE_INTERFACE_TYPE);
  return Happening([deviceType](Scenario&) { sim::codec::Arrive(deviceType); });
}

sim::devices::Event RemovalNamed(const Arguments& args) {
  if (args.Count() == 1 || args.IsWord(1, "complete")) return sim::devices::Event::RemoveComplete;
  if (args.IsWord(1, "query")) return sim::devices::Event::QueryRemove;
  if (args.IsWord(1, "query-failed")) return sim::devices::Event::QueryRemoveFailed;
  throw FileError("expected query, query-failed or complete, got \"" + args.At(1).text + "\"");
}

// codec remove [query|query-failed|complete]
Compiled CompileRemove(const Arguments& args) {
  args.ExpectCount(1, 2);
  args.AllowKeys({});
  sim::devices::Event event = RemovalNamed(args);
  return Happening([event](Scenario&) { sim::codec::Remove(event); });
}

Compiled CompileCodec(const Arguments& args) {
  if (args.Count() == 0) throw FileError("codec what?");
  if (args.IsWord(0, "present")) return CompilePresent(args);
  if (args.IsWord(0, "initial")) return CompileInitial(args);
  if (args.IsWord(0, "arrive")) return CompileArrive(args);
  if (args.IsWord(0, "remove")) return CompileRemove(args);
  throw FileError("expected present, initial, arrive or remove, got \"" + args.At(0).text + "\"");
}

// driver jack TYPE
Compiled CompileJack(const Arguments& args) {
  uint8_t type = TypeArgument(args);
  return Happening([type](Scenario&) { sim::codec::Jack(type); });
}

// driver complete bytes=N [value=TYPE]
Compiled CompileComplete(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"bytes", "value"});
  std::optional<uint32_t> bytes = args.NamedNumber("bytes");
  if (!bytes) throw FileError("driver complete needs bytes=N");
  std::optional<uint8_t> value;
  if (auto text = args.NamedText("value")) value = JackTypeNumber(*text);
  return Happening([count = *bytes, value](Scenario&) { sim::codec::Complete(count, value); });
}

// driver fail [error=CODE]
Compiled CompileFail(const Arguments& args) {
  args.ExpectCount(1);
  args.AllowKeys({"error"});
  uint32_t error = args.NamedNumber("error").value_or(ERROR_GEN_FAILURE);
  if (error == 0) throw FileError("error=0 is a success, not a failure");
  return Happening([error](Scenario&) { sim::codec::Fail(error); });
}

Compiled CompileDriver(const Arguments& args) {
  if (args.Count() == 0) throw FileError("driver what?");
  if (args.IsWord(0, "jack")) return CompileJack(args);
  if (args.IsWord(0, "complete")) return CompileComplete(args);
  if (args.IsWord(0, "fail")) return CompileFail(args);
  throw FileError("expected jack, complete or fail, got \"" + args.At(0).text + "\"");
}

}  // namespace

uint8_t JackTypeNumber(const std::string& text) {
  uint32_t type = ParseNumber(text);
  if (type > 0xFF) throw FileError("a jack type is a byte, 0 to 255; got " + text);
  return static_cast<uint8_t>(type);
}

void AddDeviceVerbs(VerbTable& table) {
  table.Add("codec",
            "codec present [path=\"...\"] [name=\"...\"] [location=\"...\"] | codec initial TYPE | "
            "codec arrive [devtype=N] | codec remove [query|query-failed|complete]",
            &CompileCodec);
  table.Add("driver",
            "driver jack TYPE | driver complete bytes=N [value=TYPE] | driver fail [error=CODE]",
            &CompileDriver);
}

}  // namespace koru::scn
