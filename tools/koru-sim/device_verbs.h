// The scenario steps of the codec's device interface and its driver, and
// the expectations on the requests the driver received.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "verbs.h"

namespace koru::scn {

void AddDeviceVerbs(VerbTable& table);
void AddDeviceExpectations(VerbTable& table);

// A jack type as steps write it, 0 to 255. Throws FileError.
uint8_t JackTypeNumber(const std::string& text);
// A control code by its scenario name (JACKSTATE_NOTIFY) or as a number
// (0x00220426); nothing for any other word.
std::optional<uint32_t> ControlCodeNamed(const std::string& name);

}  // namespace koru::scn
