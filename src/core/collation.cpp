// Collation handler ownership and the process-wide "asked once" memory of CollateStrings.
#include "core/collation.h"

#include <atomic>
#include <mutex>
#include <vector>

#include "os/dll.h"
#include "os/paths.h"

TDllCollateHandler::TDllCollateHandler(HMODULE module, CollateFn fn)
    : mModule(std::make_unique<HMODULE>(module)), mCollate(fn) {}

TDllCollateHandler::TDllCollateHandler(TDllCollateHandler&& other) noexcept
    : mModule(std::move(other.mModule)), mCollate(other.mCollate) {
  other.mCollate = nullptr;
}

TDllCollateHandler::~TDllCollateHandler() {
  if (mModule && *mModule) FreeLibrary(*mModule);
}

int32_t TDllCollateHandler::Collate(const char* a, const char* b) const {
  return mCollate ? mCollate(a ? a : "", b ? b : "") : 0;
}

// "vxlocale.dll" beside the executable, with its export "vxCollate". A missing library or export
// is no error: strings then compare bytewise.
std::unique_ptr<TDllCollateHandler> LoadCollateHandler() {
  std::vector<WCHAR> path(MAX_PATH);
  DWORD length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
  while (length >= path.size() && path.size() < 32768) {  // cut short: ask again with more room
    path.resize(path.size() * 2);
    length = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
  }
  if (length == 0 || length >= path.size()) return nullptr;
  std::u16string folder(path.data(), length);
  folder.erase(folder.rfind(u'\\') + 1);
  const std::u16string library = folder + u"vxlocale.dll";
  HMODULE module = LoadLibraryW(library.c_str());
  if (!module) return nullptr;
  // Through void (*)(): the export's real type is only known here.
  auto collate = reinterpret_cast<TDllCollateHandler::CollateFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(module, "vxCollate")));
  if (!collate) {
    FreeLibrary(module);
    return nullptr;
  }
  return std::make_unique<TDllCollateHandler>(module, collate);
}

namespace {
struct CollationState {
  std::mutex lock;
  std::atomic<bool> asked{false};
  std::unique_ptr<TDllCollateHandler> handler;
  CollateLoader loader = &LoadCollateHandler;
};

CollationState& State() {
  static CollationState* state = new CollationState;  // never destroyed: maps compare at exit
  return *state;
}
}  // namespace

// Set while this thread runs the loader: comparisons it makes meanwhile go bytewise instead of
// asking the loader again.
static thread_local bool tLoading = false;

const TDllCollateHandler* GetCollateHandler() {
  CollationState& s = State();
  if (!s.asked.load(std::memory_order_acquire)) {
    if (tLoading) return nullptr;
    std::lock_guard<std::mutex> guard(s.lock);
    if (!s.asked.load(std::memory_order_relaxed)) {
      tLoading = true;
      s.handler = s.loader();
      tLoading = false;
      s.asked.store(true, std::memory_order_release);
    }
  }
  return s.handler.get();
}

void SetCollateLoader(CollateLoader loader) {
  CollationState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  s.loader = loader ? loader : &LoadCollateHandler;
  s.handler.reset();
  s.asked.store(false, std::memory_order_release);
}
