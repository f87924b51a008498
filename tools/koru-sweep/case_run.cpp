// The course of one run of the sweep.
#include "case_run.h"

#include "exit_audit.h"
#include "recovery_probe.h"
#include "service_life.h"
#include "sim/machine.h"
#include "step_player.h"

namespace koru::sweep {
namespace {

// Lifting a plan: it fails zero more times.
void LiftFault(const std::string& api) {
  sim::FaultSpec none;
  none.times = 0;
  sim::Fail(api, none);
}

// A service still alive at the end (the failures say why) is ended the way
// the scenario runner ends it, so that its audits are taken.
void EndService() {
  if (sim::ProgramAlive()) sim::EndProgram();
}

void PlayAll(StepPlayer& player, const std::vector<scn::Step>& steps) {
  for (const scn::Step& step : steps) player.Play(step);
}

// Expectations of the demo's end and the audits of the whole run.
constexpr char kAudits[] = R"(
expect status STOPPED
expect threads 0
expect handles clean
expect com clean
)";

}  // namespace

CaseVerdict RunCase(const DemoScript& demo, const FaultCase& fault) {
  sim::Reset();
  StepPlayer faulty;
  if (!fault.atEnd) sim::Fail(fault.api, PlanOf(fault));
  PlayAll(faulty, demo.body);
  if (fault.atEnd) {
    sim::Fail(fault.api, PlanOf(fault));
    PlayAll(faulty, demo.end);
  }
  LiftFault(fault.api);

  // The demo's own expectations may fail under a fault; from here on every
  // failure counts.
  StepPlayer player;
  CaseVerdict verdict;
  Life life = ObserveLife();
  verdict.lifeAfterFault = LifeName(life);
  if (!IsDocumentedLife(fault, life)) {
    player.NoteFailure(std::string("ended ") + LifeName(life) + ", documented " +
                       DocumentedLives(fault));
  }
  Recover(player, fault, life);
  if (fault.atEnd) {
    player.PlayText("control stop\n");
  } else {
    PlayAll(player, demo.end);
  }
  player.PlayText(kAudits);
  EndService();
  AuditProcessEnd(player, fault);
  AuditMachine(player);
  verdict.failures = player.Failures();
  return verdict;
}

DemoCalls CallsOfDemo(const DemoScript& demo) {
  sim::Reset();
  StepPlayer player;
  PlayAll(player, demo.body);
  DemoCalls calls;
  calls.uses = sim::CallCounts();
  PlayAll(player, demo.end);
  EndService();
  for (const auto& [api, count] : sim::CallCounts()) {
    if (calls.uses.count(api) == 0) calls.usesAtEnd[api] = count;
  }
  return calls;
}

}  // namespace koru::sweep
