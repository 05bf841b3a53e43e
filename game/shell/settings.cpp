// The settings keeper singleton.
#include "shell/settings.h"

#include <memory>

static std::unique_ptr<TSettings>& Instance() {
  static std::unique_ptr<TSettings> instance;
  return instance;
}

TSettings* TSettings::CreateInstance() {
  Instance() = std::make_unique<TSettings>();
  return Instance().get();
}

TSettings* TSettings::GetInstance() { return Instance().get(); }

void TSettings::DestroyInstance() { Instance().reset(); }
