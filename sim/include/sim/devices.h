// Control surface of the simulated devices: device interfaces per interface
// class, the announcements of their arrival and removal, and the simulated
// codec driver with its request log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/win32/base.h"

namespace sim::devices {

// A device interface as SetupAPI lists it. Interfaces live across process
// lives, until Reset.
struct Interface {
  GUID classGuid;
  std::wstring path;                     // the device path that CreateFileW opens
  std::wstring description;              // SPDRP_DEVICEDESC
  std::optional<std::wstring> location;  // SPDRP_LOCATION_INFORMATION, when the device has one
  bool present = true;
};

// Adds an interface, or updates the one with the same path (paths compare
// without regard to case). An interface of the codec's class is served by
// the simulated codec driver; others have no driver.
void AddInterface(const Interface& interface);
// Makes the interface with this path present or absent. Taking an interface
// away is a surprise removal: its driver fails the pending and later requests
// of the handles open on it with ERROR_DEVICE_NOT_CONNECTED, and those handles
// stay dead even when the interface comes back. False for an unknown path.
bool SetPresent(const std::wstring& path, bool present);
std::vector<Interface> Interfaces();

// What Windows announces to device-interface registrations: the DBT_* event
// codes, and the dbch_devicetype of the broadcast (a device interface, 5,
// unless a step says otherwise).
enum class Event : uint32_t {
  Arrival = 0x8000,
  QueryRemove = 0x8001,
  QueryRemoveFailed = 0x8002,
  RemoveComplete = 0x8004,
};
inline constexpr uint32_t DEVICE_INTERFACE_TYPE = 5;
struct Announcement {
  Event event;
  uint32_t deviceType;
  GUID classGuid;
  std::wstring path;
};
// Every announcement since Reset, in order.
const std::vector<Announcement>& Announcements();

}  // namespace sim::devices

namespace sim::codec {

// The codec driver's interface class {F27CDC00-203E-4107-A503-21211537EA43}.
inline constexpr GUID INTERFACE_CLASS = {
    0xF27CDC00, 0x203E, 0x4107, {0xA5, 0x03, 0x21, 0x21, 0x15, 0x37, 0xEA, 0x43}};
inline constexpr wchar_t DEFAULT_PATH[] =
    L"\\\\?\\ROOT#KORUCODEC#0000#{f27cdc00-203e-4107-a503-21211537ea43}";
inline constexpr wchar_t DEFAULT_NAME[] = L"Koru Audio Codec";

// The driver's five control codes.
inline constexpr uint32_t FINISH_SPEAKER = 0x0022041E;
inline constexpr uint32_t FINISH_HEADPHONE = 0x00220422;
inline constexpr uint32_t JACKSTATE_NOTIFY = 0x00220426;
inline constexpr uint32_t JACKSTATE_INITIAL = 0x0022042A;
inline constexpr uint32_t MUTESTATE_NOTIFY = 0x0022042E;

// ---- set-up and events (the controller, while the machine is quiet) --------

// One present interface of the codec's class (scenario `codec present`).
void Present(const std::wstring& path = DEFAULT_PATH, const std::wstring& name = DEFAULT_NAME,
             const std::optional<std::wstring>& location = std::nullopt);
// The jack state that IOCTL_CMD_JACKSTATE_INITIAL reports (`codec initial`).
void SetCurrentJack(uint8_t type);
uint8_t CurrentJack();
// Every codec interface becomes present (the default one is added when
// there is none) and an arrival is announced with this device type.
void Arrive(uint32_t deviceType = sim::devices::DEVICE_INTERFACE_TYPE);
// A completed removal takes every codec interface away (see
// devices::SetPresent); the two query events are only announced, a
// deliberate departure from Windows, which sends them to handle
// registrations.
void Remove(sim::devices::Event event = sim::devices::Event::RemoveComplete);

// A jack event: completes the oldest pending IOCTL_CMD_JACKSTATE_NOTIFY with
// the type and one byte, or waits, first in first out, until one arrives. A
// type other than 3 (end) and 4 (reset) becomes the current jack state.
void Jack(uint8_t type);
// The next jack-state request of either code (the pending one, or the next
// to arrive) completes successfully with `bytes` as its byte count, having
// written `value` into the output byte when one is given.
void Complete(uint32_t bytes, std::optional<uint8_t> value = std::nullopt);
// The next jack-state request of either code fails with `error`.
void Fail(uint32_t error = ERROR_GEN_FAILURE);

// ---- what the driver saw --------------------------------------------------

enum class Outcome { Pending, Succeeded, Failed };
struct Request {
  uint32_t code;
  std::vector<uint8_t> input;
  uint32_t outputSize;
  HANDLE handle;  // handle values are never reused: this names the file
  uint32_t threadId;
  uint32_t processId;
  Outcome outcome = Outcome::Pending;
  uint32_t error = 0;  // when failed
  uint32_t bytes = 0;  // the byte count, when succeeded
};
// Every request the driver received since Reset, in the order it received
// them; a request that was withdrawn before its turn on the handle never
// reached the driver and is not listed, nor is one received while the
// recorders were off (sim::SetRecording).
const std::vector<Request>& Requests();
// Jack events and planned completions that wait for a request.
size_t QueuedJackEvents();
size_t PlannedCompletions();

// The name a scenario uses for a control code ("JACKSTATE_NOTIFY"), or the
// code in hexadecimal ("0x00220400") for any other.
std::string CodeName(uint32_t code);

}  // namespace sim::codec
