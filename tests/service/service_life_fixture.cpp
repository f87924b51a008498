// The service host's test fixture.
#include "service_life_fixture.h"

#include <algorithm>

#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
#include "service/shared_objects.h"
#include "service/worker_threads.h"
#include "sim/audio.h"
#include "sim/devices.h"
#include "sim/registry.h"

namespace koru {

void ServiceLifeTest::StartWith(DWORD features) {
  sim::registry::SetDword(SETTINGS_KEY_PATH, "ServiceVersion", features);
  StartServiceProcess();
  RunOnServiceThread([] { CreateSharedObjects(); });
  mark_ = TraceMark();
}

void ServiceLifeTest::Laptop() {
  sim::codec::Present();
  sim::audio::EndpointSpec speakers;
  speakers.makeDefault = true;
  sim::audio::AddEndpoint("speakers", speakers);
}

void ServiceLifeTest::OnComThread(const std::function<void()>& routine) {
  RunOnServiceThread([&] {
    JoinComApartment();
    routine();
  });
}

void ServiceLifeTest::InitializeEndpointSide() {
  OnComThread([] { serviceEndpoint->Initialize(); });
}

void ServiceLifeTest::StartThread(LPTHREAD_START_ROUTINE routine) {
  RunOnServiceThread([routine] { StartWorker(routine); });
}

void ServiceLifeTest::Release(HANDLE semaphore) {
  RunOnServiceThread([semaphore] { WakeUp(semaphore); });
}

std::vector<std::wstring> ServiceLifeTest::NewTrace() {
  std::vector<std::wstring> messages = TraceMessagesSince(mark_);
  mark_ = TraceMark();
  return messages;
}

int ServiceLifeTest::Count(const std::vector<std::wstring>& messages, const std::wstring& message) {
  return static_cast<int>(std::count(messages.begin(), messages.end(), message));
}

int ServiceLifeTest::OpenOfKind(const std::string& kind) {
  auto counts = sim::OpenHandles();
  auto found = counts.find(kind);
  return found == counts.end() ? 0 : found->second;
}

}  // namespace koru
