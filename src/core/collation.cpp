// Collation handler ownership and the process-wide "asked once" memory of CollateStrings.
#include "core/collation.h"

#include <atomic>
#include <mutex>

TDllCollateHandler::TDllCollateHandler(HMODULE module, CollateFn fn)
    : mModule(std::make_unique<HMODULE>(module)), mCollate(fn) {}

TDllCollateHandler::TDllCollateHandler(TDllCollateHandler&& other) noexcept
    : mModule(std::move(other.mModule)), mCollate(other.mCollate) {
  other.mCollate = nullptr;
}

// The module handle is released by the library loader once it exists; the stand-in has no
// libraries to free yet.
TDllCollateHandler::~TDllCollateHandler() = default;

int32_t TDllCollateHandler::Collate(const char* a, const char* b) const {
  return mCollate ? mCollate(a ? a : "", b ? b : "") : 0;
}

std::unique_ptr<TDllCollateHandler> LoadCollateHandler() { return nullptr; }

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
