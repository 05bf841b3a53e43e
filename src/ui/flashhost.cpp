// The movie window without a player: the player's hosting module is looked up once per process;
// it never exists here, so every open fails after putting back what it changed.
#include "ui/flashhost.h"

#include <cstdlib>

#include "core/config.h"
#include "os/dll.h"
#include "platform/platform.h"

namespace {

// The hosting module and its two entry points, looked up once for the process.
struct THostModule {
  bool tried = false;
  HMODULE module = nullptr;
  FARPROC init = nullptr;
  FARPROC getControl = nullptr;
};

THostModule& HostModule() {
  static THostModule module;
  if (!module.tried) {
    module.tried = true;
    module.module = LoadLibraryA("ATL.DLL");
    if (module.module) {
      module.init = GetProcAddress(module.module, "AtlAxWinInit");
      module.getControl = GetProcAddress(module.module, "AtlAxGetControl");
    }
  }
  return module;
}

bool DisplayBroken() { return std::strtol(GetConfig("dxbroken", TString()).CStr(), nullptr, 10) != 0; }

}  // namespace

TFlashHost::TFlashHost(const TString& movie) : mMovie(movie) {}

TFlashHost::~TFlashHost() { Destroy(); }

int32_t TFlashHost::RequiredVersion(bool translate) {
  int32_t required = translate ? 6 : 4;
  TString wanted = GetConfig("flashmajorversion", TString());
  if (!wanted.IsEmpty()) {
    long value = std::strtol(wanted.CStr(), nullptr, 10);
    if (value > required) required = static_cast<int32_t>(value);
  }
  return required;
}

std::vector<TString> TFlashHost::SplitVariableNames(const TString& list) {
  std::vector<TString> names;
  std::string text(list.CStr(), static_cast<size_t>(list.Length()));
  size_t start = 0;
  for (size_t end; (end = text.find(';', start)) != std::string::npos; start = end + 1)
    names.emplace_back(text.substr(start, end - start).c_str());
  return names;
}

bool TFlashHost::Create(bool /*loop*/, bool /*translate*/, bool /*allowInput*/) {
  if (DisplayBroken()) return false;
  THostModule& module = HostModule();
  // Without the hosting module and both entry points there is no control to open: nothing has
  // been changed yet, so the game stays as it was.
  if (!module.module || !module.init || !module.getControl) return false;
  // A hosting module without a player behind it offers no version either.
  return false;
}

bool TFlashHost::IsPlaying() { return mOpen; }

int32_t TFlashHost::GetFlashVersion() { return 0; }

void TFlashHost::Destroy() { mOpen = false; }
