// The jack walk: the one way the service learns the physical connections
// of an endpoint, from the endpoint through its device topology, its
// connector, the connector on the device's side and that part's jack
// description, to the endpoint's KSJACK_DESCRIPTION records.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "platform/win32.h"

// The steps of the walk that obtain an interface, in their order.
enum class JackWalkStep {
  TopologyActivated,
  ConnectorFound,
  ConnectedToFound,
  PartFound,
  JackDescriptionActivated,
};

struct JackList {
  // The walk reached the jack description and counted its jacks.
  bool complete = false;
  // The result of the last call the walk made.
  HRESULT lastStatus = S_OK;
  // The step whose call did not answer S_OK (its result is `lastStatus`),
  // named after what it would have obtained. None when every step obtained
  // its interface; the count of jacks may still have failed (`complete` is
  // false then).
  std::optional<JackWalkStep> failedStep;
  // The jacks whose descriptions came back with S_OK, in index order.
  std::vector<KSJACK_DESCRIPTION> jacks;

  bool HasConnectionType(DWORD connectionType) const;
};

// Each step must answer exactly S_OK, otherwise the walk ends with no
// jacks; a jack whose description does not come back with S_OK is skipped.
// `onStep` hears of every step that succeeded. Every interface obtained is
// released, in reverse order, before the walk returns.
JackList WalkJacks(IMMDevice* device, const std::function<void(JackWalkStep)>& onStep = {});
