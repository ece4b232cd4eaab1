#pragma once
// The player's real EngineClient over a recording fake engine.
#include <functional>
#include <string>
#include <vector>

#include "player/engine_client.h"
#include "player/tests/fake_engine.h"

// The real engine client over a recording fake engine.
class FakeEngineClient {
 public:
  bool loads = true;
  bool plays = true;
  // The streams each new engine has (one sound stream when empty), and
  // anything else to set on it.
  std::vector<FakeStream> streams;
  std::function<void(FakeEngine&)> prepare;
  FakeEngineClient()
      : client([this](IClassFactory** factory, HINSTANCE* library) {
          *library = nullptr;
          if (!loads) return E_FAIL;
          factory_->AddRef();
          *factory = factory_;
          return S_OK;
        }) {
    factory_->prepare = [this](FakeEngine& fake) {
      fake.open_result = plays ? S_OK : E_FAIL;
      if (streams.empty()) {
        FakeStream audio;
        audio.type = L"Audio";
        fake.streams.push_back(audio);
      } else {
        fake.streams = streams;
      }
      if (prepare) prepare(fake);
    };
    current = this;
  }
  ~FakeEngineClient() {
    client.Unload();
    factory_->Release();
    if (current == this) current = nullptr;
  }
  FakeEngine* fake() const { return factory_->last(); }
  // The fake's calls that start-up and shut-down are about.
  std::vector<std::string> Calls() const {
    std::vector<std::string> kept;
    if (!fake()) return kept;
    for (const std::string& call : fake()->calls) {
      if (call == "Play" || call == "Reset" || call.rfind("PutCallback", 0) == 0 || call.rfind("FileName=", 0) == 0) {
        if (kept.empty() || kept.back() != call) kept.push_back(call);
      }
    }
    return kept;
  }
  static inline FakeEngineClient* current = nullptr;
  EngineClient client;

 private:
  FakeEngineFactory* factory_ = new FakeEngineFactory;
};
