// Handle table of the stand-in layer, shared by every kind of kernel object.
#include "os/handles.h"

#include <mutex>
#include <unordered_map>

#include "os/lasterror.h"

namespace {
std::mutex gMutex;
std::unordered_map<uintptr_t, std::shared_ptr<os::HandleObject>> gTable;
uintptr_t gNext = 0x100;
}  // namespace

namespace os {
HANDLE NewHandle(std::shared_ptr<HandleObject> object) {
  std::lock_guard<std::mutex> lock(gMutex);
  uintptr_t value = gNext;
  gNext += 4;
  gTable.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<HandleObject> LookupHandle(HANDLE handle) {
  std::lock_guard<std::mutex> lock(gMutex);
  auto it = gTable.find(reinterpret_cast<uintptr_t>(handle));
  return it == gTable.end() ? nullptr : it->second;
}

int TestOpenHandleCount() {
  std::lock_guard<std::mutex> lock(gMutex);
  return static_cast<int>(gTable.size());
}
}  // namespace os

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<os::HandleObject> dropped;  // destroyed outside the lock
  {
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gTable.find(reinterpret_cast<uintptr_t>(handle));
    if (it == gTable.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    dropped = std::move(it->second);
    gTable.erase(it);
  }
  return TRUE;
}
