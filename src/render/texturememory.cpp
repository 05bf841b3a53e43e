// The texture-memory counter (see texturememory.h).
#include "render/texturememory.h"

#include <algorithm>
#include <mutex>

#include "core/config.h"

namespace {
std::mutex gLock;
int64_t gBytes = 0;
int64_t gMaxBytes = 0;

// The configuration values hold 32-bit figures.
TString Figure(int64_t bytes) {
  return TString::Format("%d", static_cast<int>(std::clamp<int64_t>(bytes, 0, INT32_MAX)));
}
}  // namespace

void AddTextureMemory(int64_t bytes) {
  std::lock_guard<std::mutex> guard(gLock);
  gBytes = std::max<int64_t>(0, gBytes + bytes);
  gMaxBytes = std::max(gMaxBytes, gBytes);
  SetConfig("texture_ram_allocated", Figure(gBytes));
  SetConfig("max_texture_ram_allocated", Figure(gMaxBytes));
}

int64_t GetTextureMemory() {
  std::lock_guard<std::mutex> guard(gLock);
  return gBytes;
}

int64_t GetMaxTextureMemory() {
  std::lock_guard<std::mutex> guard(gLock);
  return gMaxBytes;
}

void ResetTextureMemory() {
  std::lock_guard<std::mutex> guard(gLock);
  gBytes = gMaxBytes = 0;
}
