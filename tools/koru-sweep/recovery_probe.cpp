// What brings the service back from each state, and the jack events that
// show it works again.
#include "recovery_probe.h"

#include "exit_audit.h"

namespace koru::sweep {
namespace {

// What an administrator or Windows does next: install again, boot again
// after a start that hangs, start the stopped service, plug the codec in
// again.
const char* Restoring(Life life) {
  switch (life) {
    case Life::NotInstalled:
      return "run install\nservice start\n";
    case Life::StartPending:
    case Life::StopPending:
      return "restart\n";
    case Life::Stopped:
      return "service start\n";
    case Life::Disconnected:
      return "codec arrive\n";
    case Life::Connected:
      break;
  }
  return "";
}

// The default output moves to the demo's HDMI display and back to its
// speakers, so that the service attaches to the speakers afresh (the demo
// leaves the display the default, and a failed look at an endpoint leaves
// it taken for a foreign one until the next change; the events of a
// foreign output are not acknowledged). Then headphones are plugged in and
// out: each event is handled and acknowledged to the driver.
constexpr char kJackEvents[] = R"(
default hdmi
default speakers
mark
driver jack 1
expect ioctl FINISH_HEADPHONE in=0 handle=connector
driver jack 0
expect ioctl FINISH_SPEAKER in=0 handle=connector
)";

}  // namespace

void Recover(StepPlayer& player, const FaultCase& fault, Life life) {
  // A stopped process ended within the demo; a stalled one ends with the
  // remedy (until then the audit sees the last process that ended).
  if (life == Life::Stopped) AuditProcessEnd(player, fault);
  const char* restoring = DocumentedRestoring(fault);
  player.PlayText(restoring != nullptr ? restoring : Restoring(life));
  if (life != Life::Stopped) AuditProcessEnd(player, fault);
  Life now = ObserveLife();
  if (now != Life::Connected) {
    player.NoteFailure(std::string("not recovered from ") + LifeName(life) + ": " + LifeName(now));
    return;
  }
  player.PlayText(kJackEvents);
}

}  // namespace koru::sweep
