// The events of a storm, as steps of the scenario language: what the
// driver, the user, Windows and the service control manager do to a
// running service. One source of decisions (choices.h) picks each event and
// its arguments; the source keeps a small model of the endpoints, so that
// every step it writes names an endpoint that exists and makes only active
// endpoints the default, and it asks the machine whether a service process
// or a popup runs, so that it starts no second service and ends no popup
// that is not there. It also keeps the console's session detached for a
// few events at a time only (see Session).
#pragma once

#include <string>
#include <vector>

#include "choices.h"

namespace koru::storm {

class EventSource {
 public:
  EventSource();

  // The machine before the storm: the service installed, the codec (most
  // of the time), five endpoints, a feature word, and the service started.
  std::vector<std::string> SetUpSteps(Choices& choices);
  // The next event, one scenario step; a step that ends in " &" only runs
  // what is ready, without settling.
  std::string Next(Choices& choices);

 private:
  struct Endpoint {
    std::string id;
    std::string arrival;  // flow and the arguments of its arrival
    bool present = true;
    bool active = true;
  };

  std::string DriverJack(Choices& choices);
  std::string DriverComplete(Choices& choices);
  std::string DriverFail(Choices& choices);
  std::string Volume(Choices& choices);
  std::string Mute(Choices& choices);
  std::string MakeDefault(Choices& choices);
  std::string ChangeState(Choices& choices);
  std::string ArriveOrLeave(Choices& choices);
  std::string Codec(Choices& choices);
  std::string Popup(Choices& choices);
  std::string PopupExit(Choices& choices);
  std::string Settings(Choices& choices);
  std::string Session(Choices& choices);
  std::string Control(Choices& choices);
  std::string ServiceStart(Choices& choices);
  std::string Wait(Choices& choices);
  std::string Restart(Choices& choices);

  // A present endpoint (any, or only an active one), or null.
  Endpoint* PickPresent(Choices& choices, bool activeOnly);

  std::vector<Endpoint> endpoints_;
  // Events left until the console's session is attached again (0: it is).
  uint32_t detachedFor_ = 0;
};

}  // namespace koru::storm
