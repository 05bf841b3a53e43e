// Optional collation plug-in through which every TString comparison goes when it is present.
// The library is "vxlocale.dll" beside the executable, exporting "vxCollate"; without it strings
// compare bytewise. CollateStrings asks for the handler once per process.
#pragma once
#include <cstdint>
#include <memory>

#include "os/win32types.h"

// Owns a loaded collation library and its compare function (two NUL-terminated UTF-8 texts ->
// negative, zero or positive).
class TDllCollateHandler {
public:
  using CollateFn = int32_t (*)(const char* a, const char* b);

  TDllCollateHandler() = default;
  TDllCollateHandler(HMODULE module, CollateFn fn);
  // Moving leaves the source empty, so the library is released exactly once.
  TDllCollateHandler(TDllCollateHandler&& other) noexcept;
  TDllCollateHandler& operator=(TDllCollateHandler&&) = delete;
  TDllCollateHandler(const TDllCollateHandler&) = delete;
  virtual ~TDllCollateHandler();

  // The library's answer for two UTF-8 texts; 0 when the handler holds no function.
  int32_t Collate(const char* a, const char* b) const;

  HMODULE Module() const { return mModule ? *mModule : nullptr; }

private:
  std::unique_ptr<HMODULE> mModule;  // cell holding the module handle; moves with the handler
  CollateFn mCollate = nullptr;
};

// Finds and loads the collation library. Answers null while no library is available.
std::unique_ptr<TDllCollateHandler> LoadCollateHandler();

// The handler CollateStrings uses: asked from the loader on the first call, then remembered for the
// life of the process (also when there is none). Safe to call from any thread.
const TDllCollateHandler* GetCollateHandler();

// Replaces the loader and forgets the remembered answer, so the next comparison asks again. Lets
// tests run comparisons with and without a handler; null restores LoadCollateHandler.
using CollateLoader = std::unique_ptr<TDllCollateHandler> (*)();
void SetCollateLoader(CollateLoader loader);
