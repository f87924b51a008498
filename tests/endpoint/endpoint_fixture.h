// The fixture of the endpoint side's tests: a service process with a chosen
// feature word and stored settings, simulated audio endpoints, and the
// endpoint object's routines run on simulated threads of the process that
// have joined COM as the service's threads do.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "endpoint/endpoint_callback.h"
#include "platform/com_apartment.h"
#include "settings/feature_flags.h"
#include "sim/audio.h"
#include "sim/registry.h"
#include "support/service_fixture.h"

namespace koru {

// The features every attachment test starts from: volume mirroring on.
inline constexpr DWORD MIRRORING = VolumeCallbakRegister;

// A render endpoint of this form factor with these jacks.
inline sim::audio::EndpointSpec RenderWith(uint32_t formFactor,
                                           std::vector<sim::audio::Jack> jacks = {}) {
  sim::audio::EndpointSpec desc;
  desc.formFactor = formFactor;
  desc.jacks = std::move(jacks);
  return desc;
}

class EndpointTest : public ServiceTest {
 protected:
  // Stores the settings, starts the service process with this feature word
  // and marks the trace.
  void StartWith(DWORD features) {
    sim::registry::SetDword(SETTINGS_KEY_PATH, "ServiceVersion", features);
    StartServiceProcess();
    mark_ = TraceMark();
  }
  static void Store(const char* name, DWORD value) {
    sim::registry::SetDword(SETTINGS_KEY_PATH, name, value);
  }

  // Runs `routine` on a new thread of the service process that has joined
  // COM apartment-threaded, and settles.
  void OnComThread(const std::function<void()>& routine) {
    RunOnServiceThread([&] {
      JoinComApartment();
      routine();
    });
  }
  HRESULT Initialize() {
    HRESULT status = E_UNEXPECTED;
    OnComThread([&] { status = serviceEndpoint->Initialize(); });
    return status;
  }

  // Trace messages since the start (or the last NewTrace).
  std::vector<std::wstring> NewTrace() {
    std::vector<std::wstring> messages = TraceMessagesSince(mark_);
    mark_ = TraceMark();
    return messages;
  }
  static bool Contains(const std::vector<std::wstring>& messages, const std::wstring& message) {
    for (const std::wstring& seen : messages) {
      if (seen == message) return true;
    }
    return false;
  }

  // ---- endpoints ----------------------------------------------------------------

  // The codec's two outputs and a microphone, the speakers the default.
  static void Laptop() {
    sim::audio::AddEndpoint("speakers", RenderWith(Speakers));
    sim::audio::AddEndpoint("headphones", RenderWith(Headphones, {{eConnType3Point5mm, true}}));
  }
  static float VolumeOf(const std::string& name) { return sim::audio::Endpoint(name)->volume; }
  static bool MutedOf(const std::string& name) { return sim::audio::Endpoint(name)->muted; }

 private:
  size_t mark_ = 0;
};

}  // namespace koru
